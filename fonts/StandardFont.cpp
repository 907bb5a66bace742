#include "fonts/StandardFont.h"

#include <windows.h>

#include <memory>

#include "fonts/StandardFontTables.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFDoc.h"
#include "runtime/Assert.h"

namespace {

bool SameIgnoringCase(std::string_view inA, std::string_view inB) {
  if (inA.size() != inB.size()) return false;
  for (size_t i = 0; i < inA.size(); ++i) {
    const auto theA = static_cast<unsigned char>(inA[i]);
    const auto theB = static_cast<unsigned char>(inB[i]);
    const auto theLowA = theA >= 'A' && theA <= 'Z' ? theA + 32 : theA;
    const auto theLowB = theB >= 'A' && theB <= 'Z' ? theB + 32 : theB;
    if (theLowA != theLowB) return false;
  }
  return true;
}

}  // namespace

int32_t StandardIndexFromName(std::string_view inName, std::string* outName) {
  int32_t theIndex = 0;
  for (int32_t i = 0; i < kStandardFontCount; ++i)
    if (SameIgnoringCase(inName, kStandardFontMetrics[i].name)) theIndex = i;
  if (outName) *outName = kStandardFontMetrics[theIndex].name;
  return theIndex;
}

const char* StandardFontName(int32_t inIndex) {
  return inIndex >= 0 && inIndex < kStandardFontCount ? kStandardFontMetrics[inIndex].name : nullptr;
}

void StandardFont::Reset() {
  BaseFont::Reset();
  mIndex = 0;
}

void StandardFont::SelectByName(std::string_view inName) {
  SelectByIndex(StandardIndexFromName(inName, nullptr));
}

void StandardFont::SelectByIndex(int32_t inIndex) {
  mIndex = inIndex;
  const char* theName = StandardFontName(inIndex);
  if (theName == nullptr) QX_ASSERT(FALSE);
  mName = theName ? theName : "";
  mNames.push_back(mName);
  mAscent = kDefaultAscent;
  BuildEncoding();
}

uint32_t StandardFont::WriteFontObject(PDFDoc& ioDoc, bool) {
  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetName("Type", "Font");
  theDict->SetName("Subtype", "Type1");
  theDict->SetName("BaseFont", mName);
  theDict->SetName("Encoding", "WinAnsiEncoding");
  PDFSoup& theSoup = ioDoc.GetSoup();
  const uint32_t theID = theSoup.NewID();
  PDFObject* theObj =
      theSoup.Add(std::make_unique<PDFContentObject>(&theSoup, theID, kTypeFont, std::move(theDict)));
  return theObj ? theID : 0;
}

int32_t StandardFont::WidthOfGlyph(int32_t inUnicode, const char*) const {
  QX_ASSERT((inUnicode >= 0) && (inUnicode < 256));
  if (inUnicode < 0 || inUnicode >= 256) return 0;
  // An index outside the table measures with Times-Roman.
  const int32_t theTable = mIndex >= 0 && mIndex < kStandardFontCount ? mIndex : 0;
  return kStandardFontMetrics[theTable].widths[inUnicode];
}
