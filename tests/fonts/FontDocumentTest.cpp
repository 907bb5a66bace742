// Documents written with standard and TrueType fonts and laid-out text, checked with tools no one
// here wrote: qpdf --check, pdffonts, pdftotext and pdftoppm.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "../pdfcore/PDFTestFiles.h"
#include "FontTestSupport.h"
#include "TestRoot.h"
#include "fonts/FontInfo.h"
#include "fonts/StandardFont.h"
#include "fonts/TextContent.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFStreamAtom.h"

namespace {

using pdftest::QpdfProblems;
using pdftest::ReadFile;

std::string FontScratch(const std::string& inName) {
  const std::filesystem::path theFolder = std::filesystem::path(QUORIX_BINARY_DIR) / "test-output" / "fonts";
  std::filesystem::create_directories(theFolder);
  return (theFolder / inName).string();
}

// A document of pages, each with one font resource and one block of text.
class PageBuilder {
 public:
  PageBuilder() {
    auto theCatalog = std::make_unique<PDFDictAtom>();
    theCatalog->SetName("Type", "Catalog");
    mCatalog = Add(std::move(theCatalog), kTypeCatalog);
    auto thePages = std::make_unique<PDFDictAtom>();
    thePages->SetName("Type", "Pages");
    thePages->Set("Kids", std::make_unique<PDFArrayAtom>());
    thePages->SetInteger("Count", 0);
    mPages = Add(std::move(thePages), kTypePages);
    Object(mCatalog)->GetDict()->SetRef("Pages", mPages);
    mDoc.GetSoup().SetRootID(mCatalog);
  }

  PDFDoc& Doc() { return mDoc; }

  // Adds a page with the font (object inFontID) and the text's content.
  void AddPage(uint32_t inFontID, TextContent& ioText) {
    PDFMemoryStream theContent;
    ioText.WriteContent(theContent);
    auto theStream = std::make_unique<PDFStreamAtom>();
    theStream->SetDict(std::make_unique<PDFDictAtom>());
    theStream->SetData(theContent.GetView().data(), static_cast<uint32_t>(theContent.GetView().size()));
    const uint32_t theContentID = Add(std::move(theStream), kTypeText);
    auto thePage = std::make_unique<PDFDictAtom>();
    thePage->SetName("Type", "Page");
    thePage->SetRef("Parent", mPages);
    auto theBox = std::make_unique<PDFArrayAtom>();
    for (int32_t theValue : {0, 0, 612, 792}) theBox->Append(std::make_unique<PDFNumberAtom>(theValue));
    thePage->Set("MediaBox", std::move(theBox));
    auto theFonts = std::make_unique<PDFDictAtom>();
    theFonts->SetRef("Fqvx" + std::to_string(inFontID), inFontID);
    auto theResources = std::make_unique<PDFDictAtom>();
    theResources->Set("Font", std::move(theFonts));
    thePage->Set("Resources", std::move(theResources));
    thePage->SetRef("Contents", theContentID);
    const uint32_t thePageID = Add(std::move(thePage), kTypePage);
    PDFDictAtom* thePages = Object(mPages)->GetDict();
    static_cast<PDFArrayAtom*>(thePages->Get("Kids"))->Append(std::make_unique<PDFRefAtom>(thePageID, 0));
    thePages->SetInteger("Count", ++mCount);
  }

  std::string Save(const std::string& inName) {
    const std::string thePath = FontScratch(inName);
    PDFMemoryStream theStream;
    mDoc.Write(theStream);
    pdftest::WriteFile(thePath, std::string(theStream.GetView()));
    return thePath;
  }

 private:
  uint32_t Add(std::unique_ptr<PDFAtom> inAtom, uint32_t inType) {
    PDFSoup& theSoup = mDoc.GetSoup();
    const uint32_t theID = theSoup.NewID();
    theSoup.Add(std::make_unique<PDFContentObject>(&theSoup, theID, inType, std::move(inAtom)));
    return theID;
  }
  PDFContentObject* Object(uint32_t inID) { return static_cast<PDFContentObject*>(mDoc.GetSoup().Get(inID)); }

  PDFDoc mDoc;
  uint32_t mCatalog = 0;
  uint32_t mPages = 0;
  int32_t mCount = 0;
};

std::string RunTool(const std::string& inCommand) {
  const std::string theOut = FontScratch("command.txt");
  std::system((inCommand + " > '" + theOut + "' 2>&1").c_str());
  return ReadFile(theOut);
}

TextBlockState Block(const BaseFont* inFont, uint32_t inFontID, std::u16string inText) {
  TextBlockState theState;
  theState.text = std::move(inText);
  theState.font = inFont;
  theState.fontID = static_cast<int32_t>(inFontID);
  theState.rect = RectRecord{72, 72, 540, 720};
  theState.pos = PointRecord{72, 720};
  theState.style.SetSize(14);
  return theState;
}

}  // namespace

TEST(FontDocument, StandardAndTrueTypeFontsPassTheTools) {
  TestRoot theRoot;
  const char* const thePaths[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                  "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf",
                                  "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "/usr/share/wine/fonts/wingding.ttf"};
  for (const char* thePath : thePaths) SKIP_UNLESS_FILE(thePath);

  PageBuilder theBuilder;
  const std::u16string theWords = u"Gr\u00FC\u00DFe aus K\u00F6ln: caf\u00E9 kostet 5\u20AC (ca.)";
  StandardFont theHelvetica;
  theHelvetica.SelectByName("Helvetica");
  const uint32_t theStandardID = theHelvetica.WriteFontObject(theBuilder.Doc(), false);
  TextContent theStandardText(Block(&theHelvetica, theStandardID, u"Standard: " + theWords));
  theBuilder.AddPage(theStandardID, theStandardText);

  struct Case {
    const char* path;
    int32_t index;
    bool embed;
  };
  const Case theCases[] = {{thePaths[0], 0, true}, {thePaths[1], 0, false}, {thePaths[2], 1, true}, {thePaths[3], 0, true}};
  std::vector<std::unique_ptr<TrueType>> theFonts;
  for (const Case& theCase : theCases) {
    theFonts.push_back(FontOf(theCase.path, theCase.index));
    const uint32_t theID = theFonts.back()->WriteFontObject(theBuilder.Doc(), theCase.embed);
    ASSERT_NE(theID, 0u) << theCase.path << ": " << theFonts.back()->GetError();
    TextContent theText(Block(theFonts.back().get(), theID, u"TrueType: " + theWords));
    theBuilder.AddPage(theID, theText);
  }
  const std::string thePath = theBuilder.Save("fonts.pdf");
  EXPECT_EQ(QpdfProblems(thePath), "");

  // pdffonts: name, type, encoding, embedded flag of each font.
  std::istringstream theFontList(RunTool("pdffonts '" + thePath + "'"));
  std::string theLine;
  std::vector<std::string> theRows;
  while (std::getline(theFontList, theLine))
    if (!theLine.empty() && theLine[0] != '-' && theLine.rfind("name", 0) != 0) theRows.push_back(theLine);
  ASSERT_EQ(theRows.size(), 5u) << RunTool("pdffonts '" + thePath + "'");
  auto theColumns = [](const std::string& inRow) {
    std::istringstream theStream(inRow);
    std::vector<std::string> theWords;
    for (std::string theWord; theStream >> theWord;) theWords.push_back(theWord);
    return theWords;
  };
  const std::vector<std::string> theHelveticaRow = theColumns(theRows[0]);
  EXPECT_EQ(theHelveticaRow[0], "Helvetica");
  EXPECT_EQ(theHelveticaRow[1], "Type");
  EXPECT_EQ(theHelveticaRow[2], "1");
  EXPECT_EQ(theHelveticaRow[4], "no");  // not embedded
  const std::pair<std::string, std::string> theExpected[] = {
      {"DejaVuSans", "yes"}, {"LiberationSerif", "no"}, {theFonts[2]->GetName(), "yes"}, {"WineWingdings", "yes"}};
  for (size_t i = 0; i < 4; ++i) {
    const std::vector<std::string> theRow = theColumns(theRows[i + 1]);
    SCOPED_TRACE(theRows[i + 1]);
    EXPECT_EQ(theRow[0], theExpected[i].first);
    EXPECT_EQ(theRow[1], "TrueType");
    EXPECT_EQ(theRow[theRow.size() - 5], theExpected[i].second);  // emb sub uni object ID
  }

  // pdftotext gives back the text with its code-page 1252 letters.
  for (int thePage = 1; thePage <= 4; ++thePage) {
    const std::string theText =
        RunTool("pdftotext -f " + std::to_string(thePage) + " -l " + std::to_string(thePage) + " '" + thePath + "' -");
    SCOPED_TRACE(thePage);
    EXPECT_NE(theText.find("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln: caf\xC3\xA9 kostet 5\xE2\x82\xAC (ca.)"),
              std::string::npos)
        << theText;
  }
}

TEST(FontDocument, TextFlowedOverPagesStaysInsideItsRectangle) {
  TestRoot theRoot;
  PageBuilder theBuilder;
  BaseFont* theTimes = FontInfo::Get().Find("Times-Roman");
  const uint32_t theFontID = theTimes->WriteFontObject(theBuilder.Doc(), false);
  std::u16string theText;
  for (int i = 0; i < 60; ++i)
    theText += u"Paragraph " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
               u": the quick brown fox jumps over the lazy dog, again and again.\r\n";
  // A rectangle of 200 by 300 points in the middle of the page; each page continues the text
  // from the characters the previous one placed.
  const RectRecord theRect{200, 250, 400, 550};
  size_t theStart = 0;
  int thePages = 0;
  while (theStart < theText.size() && thePages < 20) {
    TextBlockState theState = Block(theTimes, theFontID, theText.substr(theStart));
    theState.rect = theRect;
    theState.pos = PointRecord{theRect.Left(), theRect.Top()};
    theState.style.SetSize(12);
    TextContent theBlock(theState);
    const int32_t thePlaced = theBlock.GetState().text.View().empty() ? 0 : (theBlock.Measure(), theBlock.GetCharacters());
    ASSERT_GT(thePlaced, 0);
    theBuilder.AddPage(theFontID, theBlock);
    theStart += static_cast<size_t>(thePlaced);
    ++thePages;
  }
  EXPECT_EQ(theStart, theText.size());
  EXPECT_GT(thePages, 3);
  const std::string thePath = theBuilder.Save("flow.pdf");
  EXPECT_EQ(QpdfProblems(thePath), "");

  // Render each page at 72 dpi in grey and look for ink outside the rectangle (a point of slack
  // for glyphs that reach slightly past their advance or below the last baseline).
  const std::string thePrefix = FontScratch("flow");
  RunTool("pdftoppm -gray -r 72 '" + thePath + "' '" + thePrefix + "'");
  int theInkInside = 0;
  for (int thePage = 1; thePage <= thePages; ++thePage) {
    char theSuffix[16];
    std::snprintf(theSuffix, sizeof theSuffix, "-%0*d.pgm", thePages >= 10 ? 2 : 1, thePage);
    std::istringstream theImage(ReadFile(thePrefix + theSuffix));
    std::string theMagic;
    int theWidth = 0, theHeight = 0, theMax = 0;
    theImage >> theMagic >> theWidth >> theHeight >> theMax;
    theImage.get();
    ASSERT_EQ(theMagic, "P5") << "page " << thePage;
    std::string thePixels(static_cast<size_t>(theWidth) * theHeight, '\0');
    theImage.read(thePixels.data(), static_cast<std::streamsize>(thePixels.size()));
    for (int y = 0; y < theHeight; ++y)
      for (int x = 0; x < theWidth; ++x) {
        const auto theValue = static_cast<unsigned char>(thePixels[static_cast<size_t>(y) * theWidth + x]);
        if (theValue > 128) continue;
        const int thePdfY = theHeight - y;
        const bool theInside = x >= theRect.Left() - 2 && x <= theRect.Right() + 2 && thePdfY >= theRect.Bottom() - 4 &&
                               thePdfY <= theRect.Top() + 2;
        EXPECT_TRUE(theInside) << "ink at " << x << "," << thePdfY << " on page " << thePage;
        if (!theInside) return;
        ++theInkInside;
      }
  }
  EXPECT_GT(theInkInside, 1000);
}
