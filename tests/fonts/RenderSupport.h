// Helpers of the tests that look at text the way a viewer draws it: a one-page document with one
// font and one block of text, checked by qpdf and rendered in grey by pdftoppm, tools no one here
// wrote, and the pixels of two renderings compared.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include "../pdfcore/PDFTestFiles.h"
#include "FontTestSupport.h"
#include "fonts/BaseFont.h"
#include "fonts/TextContent.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFStreamAtom.h"

namespace rendertest {

// The page of every rendering, in points; at 72 dpi one pixel per point.
inline constexpr int32_t kPageWidth = 400;
inline constexpr int32_t kPageHeight = 80;

inline std::string Scratch(const std::string& inName) {
  const std::filesystem::path theFolder = std::filesystem::path(QUORIX_BINARY_DIR) / "test-output" / "render";
  std::filesystem::create_directories(theFolder);
  return (theFolder / inName).string();
}

struct GrayImage {
  int width = 0;
  int height = 0;
  std::string pixels;  // one byte a pixel, row by row from the top; 0 is black

  // Pixels darker than mid-grey.
  int Ink() const {
    int theCount = 0;
    for (char thePixel : pixels) theCount += static_cast<unsigned char>(thePixel) < 128;
    return theCount;
  }
};

// Pixels whose grey differs by more than a quarter of the range; every pixel of a different size.
inline int DifferentPixels(const GrayImage& inA, const GrayImage& inB) {
  if (inA.width != inB.width || inA.height != inB.height) return inA.width * inA.height + inB.width * inB.height;
  int theCount = 0;
  for (size_t i = 0; i < inA.pixels.size(); ++i)
    theCount += std::abs(static_cast<unsigned char>(inA.pixels[i]) - static_cast<unsigned char>(inB.pixels[i])) > 64;
  return theCount;
}

struct Rendering {
  std::string qpdf;  // qpdf's complaints, empty when there are none
  GrayImage image;
};

inline uint32_t AddObject(PDFDoc& ioDoc, std::unique_ptr<PDFAtom> inAtom, uint32_t inType) {
  PDFSoup& theSoup = ioDoc.GetSoup();
  const uint32_t theID = theSoup.NewID();
  theSoup.Add(std::make_unique<PDFContentObject>(&theSoup, theID, inType, std::move(inAtom)));
  return theID;
}

// Writes ioFont into a new document (embedded or not), lets inAdjust change the written font
// objects, lays inText out at inSize from the top left of the page, saves the document as
// inName.pdf, checks it and renders it at 72 dpi.
inline Rendering RenderText(BaseFont& ioFont, bool inEmbed, const std::u16string& inText, double inSize,
                            const std::string& inName,
                            const std::function<void(const WrittenFont&)>& inAdjust = nullptr) {
  PDFDoc theDoc;
  const uint32_t theFontID = ioFont.WriteFontObject(theDoc, inEmbed);
  if (inAdjust) inAdjust(WrittenFont{&theDoc, theFontID});
  TextBlockState theState;
  theState.text = inText;
  theState.font = &ioFont;
  theState.fontID = static_cast<int32_t>(theFontID);
  theState.rect = RectRecord{10, 0, kPageWidth - 10, kPageHeight - 10};
  theState.pos = PointRecord{10, kPageHeight - 10};
  theState.style.SetSize(inSize);
  TextContent theText(theState);
  PDFMemoryStream theContent;
  theText.WriteContent(theContent);

  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetDict(std::make_unique<PDFDictAtom>());
  theStream->SetData(theContent.GetView().data(), static_cast<uint32_t>(theContent.GetView().size()));
  const uint32_t theContentID = AddObject(theDoc, std::move(theStream), kTypeText);
  auto thePages = std::make_unique<PDFDictAtom>();
  thePages->SetName("Type", "Pages");
  thePages->SetInteger("Count", 1);
  const uint32_t thePagesID = AddObject(theDoc, std::move(thePages), kTypePages);
  auto thePage = std::make_unique<PDFDictAtom>();
  thePage->SetName("Type", "Page");
  thePage->SetRef("Parent", thePagesID);
  auto theBox = std::make_unique<PDFArrayAtom>();
  for (int32_t theValue : {0, 0, kPageWidth, kPageHeight}) theBox->Append(std::make_unique<PDFNumberAtom>(theValue));
  thePage->Set("MediaBox", std::move(theBox));
  auto theFonts = std::make_unique<PDFDictAtom>();
  theFonts->SetRef("Fqvx" + std::to_string(theFontID), theFontID);
  auto theResources = std::make_unique<PDFDictAtom>();
  theResources->Set("Font", std::move(theFonts));
  thePage->Set("Resources", std::move(theResources));
  thePage->SetRef("Contents", theContentID);
  const uint32_t thePageID = AddObject(theDoc, std::move(thePage), kTypePage);
  auto theKids = std::make_unique<PDFArrayAtom>();
  theKids->Append(std::make_unique<PDFRefAtom>(thePageID, 0));
  static_cast<PDFContentObject*>(theDoc.GetSoup().Get(thePagesID))->GetDict()->Set("Kids", std::move(theKids));
  auto theCatalog = std::make_unique<PDFDictAtom>();
  theCatalog->SetName("Type", "Catalog");
  theCatalog->SetRef("Pages", thePagesID);
  theDoc.GetSoup().SetRootID(AddObject(theDoc, std::move(theCatalog), kTypeCatalog));

  Rendering theResult;
  const std::string thePath = Scratch(inName + ".pdf");
  PDFMemoryStream theBytes;
  theDoc.Write(theBytes);
  pdftest::WriteFile(thePath, std::string(theBytes.GetView()));
  theResult.qpdf = pdftest::QpdfProblems(thePath);
  const std::string theImagePath = Scratch(inName);
  const std::string theCommand = "pdftoppm -gray -r 72 -singlefile '" + thePath + "' '" + theImagePath + "' 2>/dev/null";
  if (std::system(theCommand.c_str()) != 0) return theResult;
  std::istringstream theImage(pdftest::ReadFile(theImagePath + ".pgm"));
  std::string theMagic;
  int theMax = 0;
  theImage >> theMagic >> theResult.image.width >> theResult.image.height >> theMax;
  theImage.get();
  if (theMagic != "P5" || theMax != 255) return theResult;
  theResult.image.pixels.assign(static_cast<size_t>(theResult.image.width) * theResult.image.height, '\0');
  theImage.read(theResult.image.pixels.data(), static_cast<std::streamsize>(theResult.image.pixels.size()));
  return theResult;
}

}  // namespace rendertest
