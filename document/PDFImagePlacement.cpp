#include "document/PDFImagePlacement.h"

#include "pdfcore/PDFStream.h"

PDFImagePlacement::PDFImagePlacement(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration)
    : PDFContentStream(inSoup, inID, nullptr, inGeneration, kTypeImagePlacement) {}

void PDFImagePlacement::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  if (inName == "xobject")
    ioStream.WriteUnsigned(mImageID);
  else
    PDFContentStream::GetProperty(inName, ioStream);
}

void PDFImagePlacement::Mark(std::vector<uint32_t>& ioPending) {
  const bool theWasMarked = GetMark();
  PDFContentStream::Mark(ioPending);
  if (!theWasMarked && mImageID != 0) ioPending.push_back(mImageID);
}

void PDFImagePlacement::GenerateContent(PDFStream& ioStream) {
  if (mImageID == 0) return;
  ioStream.WriteText("  BX\r\n  q\r\n  ");
  WriteMatrix(ioStream, mTransform);
  ioStream.WriteText(" cm\r\n  ");
  ioStream.WriteInteger(mRect.Width());
  ioStream.WriteText(" 0 0 ");
  ioStream.WriteInteger(mRect.Height());
  ioStream.Put(' ');
  ioStream.WriteInteger(mRect.Left());
  ioStream.Put(' ');
  ioStream.WriteInteger(mRect.Bottom());
  ioStream.WriteText(" cm\r\n  /Iqvx");
  ioStream.WriteInteger(static_cast<int32_t>(mImageID));
  ioStream.WriteText(" Do\r\n  Q\r\n  EX");
}
