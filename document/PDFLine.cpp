#include "document/PDFLine.h"

#include "pdfcore/PDFStream.h"

PDFLine::PDFLine(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration)
    : PDFContentStream(inSoup, inID, nullptr, inGeneration, kTypeLine) {}

void PDFLine::AddPoint(const PointRecord& inPoint) {
  if (mCount < 2) {
    mEnds[mCount++] = inPoint;
    return;
  }
  if (!mMore) mMore = std::make_unique<std::vector<PointRecord>>();
  mMore->push_back(inPoint);
}

void PDFLine::GenerateContent(PDFStream& ioStream) {
  WriteGraphicsStart(ioStream, mTransform, mWidth, mColor);
  const size_t theCount = PointCount();
  for (size_t i = 0; i < theCount; ++i) {
    ioStream.WriteText("    ");
    ioStream.WriteInteger(Point(i).x);
    ioStream.Put(' ');
    ioStream.WriteInteger(Point(i).y);
    ioStream.WriteText(i == 0 ? " m\r\n" : " l\r\n");
  }
  if (theCount >= 2 && Point(theCount - 1).x == Point(0).x && Point(theCount - 1).y == Point(0).y)
    ioStream.WriteText("    h\r\n");
  ioStream.WriteText("  S\r\n  Q\r\n  EX");
}
