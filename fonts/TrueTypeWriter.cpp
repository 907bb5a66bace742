// Writing a TrueType font into a document: the font file stream (when embedded), the font
// descriptor and the font dictionary.
#include <memory>
#include <string_view>

#include "fonts/TrueType.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFStreamAtom.h"

namespace {

uint32_t AddObject(PDFDoc& ioDoc, uint32_t inType, std::unique_ptr<PDFAtom> inAtom) {
  PDFSoup& theSoup = ioDoc.GetSoup();
  const uint32_t theID = theSoup.NewID();
  PDFObject* theObj = theSoup.Add(std::make_unique<PDFContentObject>(&theSoup, theID, inType, std::move(inAtom)));
  return theObj ? theID : 0;
}

}  // namespace

std::string TrueType::WrittenName() const {
  std::string theName = mName + mStyle;
  for (char& theChar : theName) {
    const auto theByte = static_cast<unsigned char>(theChar);
    if (theByte < 33 || theByte > 126 || std::string_view("()<>[]{}/%#").find(theChar) != std::string_view::npos)
      theChar = '-';
  }
  return theName;
}

uint32_t TrueType::WriteFontObject(PDFDoc& ioDoc, bool inEmbed) {
  std::array<bool, 256> theUsed;
  theUsed.fill(true);
  return WriteWithRange(ioDoc, 0, 255, theUsed, inEmbed);
}

uint32_t TrueType::WriteFontFile(PDFDoc& ioDoc) {
  std::vector<uint8_t> theBytes = EmbeddableBytes();
  if (theBytes.empty() || theBytes.size() > INT32_MAX) return 0;
  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetInteger("Length1", static_cast<int32_t>(theBytes.size()));
  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetDict(std::move(theDict));
  theStream->SetData(std::move(theBytes));
  return AddObject(ioDoc, kTypeFontEmbedded, std::move(theStream));
}

uint32_t TrueType::WriteDescriptor(PDFDoc& ioDoc, uint32_t inFontFile, const std::string& inName) {
  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetName("Type", "FontDescriptor");
  theDict->SetInteger("Ascent", ToThousandths(mOS2.sTypoAscender));
  theDict->SetInteger("CapHeight", ToThousandths(mOS2.sCapHeight));
  theDict->SetInteger("Descent", ToThousandths(mOS2.sTypoDescender));
  auto theBox = std::make_unique<PDFArrayAtom>();
  for (int16_t theValue : {mHead.xMin, mHead.yMin, mHead.xMax, mHead.yMax})
    theBox->Append(std::make_unique<PDFNumberAtom>(ToThousandths(theValue)));
  theDict->Set("FontBBox", std::move(theBox));
  theDict->SetName("FontName", inName);
  // 16.16 fixed: the integer part is the high word (toward minus infinity), the fraction the low.
  const auto theWhole = static_cast<int16_t>(static_cast<uint32_t>(mPost.italicAngle) >> 16);
  const uint32_t theFraction = static_cast<uint32_t>(mPost.italicAngle) & 0xFFFF;
  theDict->SetReal("ItalicAngle", theWhole + theFraction / 65535.0);
  theDict->SetInteger("StemV", 80);
  if (inFontFile) theDict->SetRef("FontFile2", inFontFile);
  int32_t theFlags = mPost.isFixedPitch ? 1 : 0;
  theFlags += mSymbolic ? 4 : 32;
  if (mHead.macStyle & 2) theFlags += 64;
  if (mHead.macStyle & 1) theFlags += 262144;
  theDict->SetInteger("Flags", theFlags);
  return AddObject(ioDoc, kTypeFontDescriptor, std::move(theDict));
}

uint32_t TrueType::WriteWithRange(PDFDoc& ioDoc, int inFirst, int inLast, const std::array<bool, 256>& inUsed,
                                  bool inEmbed) {
  if (!Load()) return 0;
  int theFirst = inFirst < 0 ? 0 : inFirst;
  const int theLast = inLast > 255 ? 255 : inLast;
  const std::string theName = WrittenName();
  const uint32_t theFontFile = inEmbed ? WriteFontFile(ioDoc) : 0;
  const uint32_t theDescriptor = WriteDescriptor(ioDoc, theFontFile, theName);

  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetName("Type", "Font");
  theDict->SetName("Subtype", "TrueType");
  theDict->SetName("BaseFont", theName);
  if (!mSymbolic) {
    while (theFirst <= theLast && mGlyphNames[theFirst] == ".notdef") ++theFirst;
    if (mCodePage == 1252) {
      theDict->SetName("Encoding", "WinAnsiEncoding");
    } else {
      auto theDifferences = std::make_unique<PDFArrayAtom>();
      for (int c = theFirst; c <= theLast; ++c) {
        if (!inUsed[static_cast<size_t>(c)]) continue;
        if (c == theFirst || !inUsed[static_cast<size_t>(c - 1)])
          theDifferences->Append(std::make_unique<PDFNumberAtom>(static_cast<int32_t>(c)));
        theDifferences->Append(std::make_unique<PDFNameAtom>(mGlyphNames[c]));
      }
      auto theEncoding = std::make_unique<PDFDictAtom>();
      theEncoding->SetName("Type", "Encoding");
      theEncoding->Set("Differences", std::move(theDifferences));
      theDict->Set("Encoding", std::move(theEncoding));
    }
  }
  theDict->SetInteger("FirstChar", theFirst);
  theDict->SetInteger("LastChar", theLast);
  auto theWidths = std::make_unique<PDFArrayAtom>();
  for (int c = theFirst; c <= theLast; ++c)
    theWidths->Append(std::make_unique<PDFNumberAtom>(inUsed[static_cast<size_t>(c)] ? WidthOf(c) : 0));
  theDict->Set("Widths", std::move(theWidths));
  theDict->SetRef("FontDescriptor", theDescriptor);
  return AddObject(ioDoc, kTypeFont, std::move(theDict));
}
