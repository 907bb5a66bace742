#include "document/PDFLine.h"

#include "pdfcore/PDFStream.h"

PDFLine::PDFLine(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration)
    : PDFContentStream(inSoup, inID, nullptr, inGeneration, kTypeLine) {
  mPoints.reserve(2);  // a line from one point to another, the usual case, in one allocation
}

void PDFLine::GenerateContent(PDFStream& ioStream) {
  WriteGraphicsStart(ioStream, mTransform, mWidth, mColor);
  for (size_t i = 0; i < mPoints.size(); ++i) {
    ioStream.WriteText("    ");
    ioStream.WriteInteger(mPoints[i].x);
    ioStream.Put(' ');
    ioStream.WriteInteger(mPoints[i].y);
    ioStream.WriteText(i == 0 ? " m\r\n" : " l\r\n");
  }
  if (mPoints.size() >= 2 && mPoints.back().x == mPoints.front().x && mPoints.back().y == mPoints.front().y)
    ioStream.WriteText("    h\r\n");
  ioStream.WriteText("  S\r\n  Q\r\n  EX");
}
