#include "document/PDFText.h"

#include <utility>

#include "pdfcore/PDFMemoryStream.h"

PDFText::PDFText(PDFSoup* inSoup, uint32_t inID, TextContent inContent, uint32_t inGeneration)
    : PDFContentStream(inSoup, inID, nullptr, inGeneration, kTypeText), mContent(std::move(inContent)) {}

std::string PDFText::MatrixText(const TransformMatrix& inMatrix) {
  PDFMemoryStream theText;
  WriteMatrix(theText, inMatrix);
  return std::string(theText.GetView());
}

void PDFText::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  if (!mContent.Info(inName, ioStream)) PDFContentStream::GetProperty(inName, ioStream);
}

void PDFText::Mark(std::vector<uint32_t>& ioPending) {
  const bool theWasMarked = GetMark();
  PDFContentStream::Mark(ioPending);
  const int32_t theFont = mContent.GetState().fontID;
  if (!theWasMarked && theFont > 0) ioPending.push_back(static_cast<uint32_t>(theFont));
}

void PDFText::GenerateContent(PDFStream& ioStream) { mContent.WriteContent(ioStream); }
