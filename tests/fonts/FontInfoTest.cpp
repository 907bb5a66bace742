// The font registry: standard fonts first, then the fonts of a folder; normalised names, the
// first registration of a name wins, lookup by name or number.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "FontTestSupport.h"
#include "TestRoot.h"
#include "fonts/FontInfo.h"
#include "fonts/StandardFont.h"

namespace {

void CopySeed(const std::string& inSeed, const std::string& inTarget) {
  std::filesystem::create_directories(std::filesystem::path(inTarget).parent_path());
  std::filesystem::copy_file(SeedPath(inSeed), inTarget, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace

TEST(FontInfo, NormalisesNames) {
  EXPECT_EQ(FontInfo::Normalize("Times-Roman"), "timesroman");
  EXPECT_EQ(FontInfo::Normalize("times roman"), "timesroman");
  EXPECT_EQ(FontInfo::Normalize("TimesRoman"), "timesroman");
  EXPECT_EQ(FontInfo::Normalize(std::string(300, 'A')), std::string(250, 'a'));
}

TEST(FontInfo, StandardFontsComeFirstAndAnswerNamesAndNumbers) {
  TestRoot theRoot;
  FontInfo theRegistry("");
  ASSERT_EQ(theRegistry.Count(), 14u);
  BaseFont* theBold = theRegistry.Find("Helvetica-Bold");
  ASSERT_NE(theBold, nullptr);
  EXPECT_EQ(theBold->GetName(), "Helvetica-Bold");
  EXPECT_EQ(theRegistry.Find("helvetica bold"), theBold);
  EXPECT_EQ(theRegistry.Find("HELVETICABOLD"), theBold);
  EXPECT_EQ(theRegistry.Find("")->GetName(), "Times-Roman");
  EXPECT_EQ(theRegistry.Find("Garamond"), nullptr);
  EXPECT_EQ(theRegistry.FindByNameOrNumber("0")->GetName(), "Times-Roman");
  EXPECT_EQ(theRegistry.FindByNameOrNumber("13")->GetName(), "ZapfDingbats");
  EXPECT_EQ(theRegistry.FindByNameOrNumber(" 4 points")->GetName(), "Helvetica");
  EXPECT_EQ(theRegistry.FindByNameOrNumber("14"), nullptr);
  EXPECT_EQ(theRegistry.FindByNameOrNumber("-1"), nullptr);
  EXPECT_EQ(theRegistry.FindByNameOrNumber("99999999999999999999999"), nullptr);
  EXPECT_EQ(theRegistry.FontAt(500)->GetName(), "ZapfDingbats");  // past the end: the last
}

TEST(FontInfo, ScansAFolderInNameOrder) {
  TestRoot theRoot;
  const std::string theFolder = theRoot.Path() + "/fonts";
  CopySeed("regular.ttf", theFolder + "/a/first.ttf");
  CopySeed("regular.ttf", theFolder + "/b/second.TTF");  // the same names: the first file keeps them
  CopySeed("os2v1-nopost.ttf", theFolder + "/b/noextension");
  CopySeed("symbol.ttf", theFolder + "/b/skipped.fon");
  CopySeed("collection.ttc", theFolder + "/c/pair.ttc");
  CopySeed("cff.otf", theFolder + "/c/outlines.otf");
  CopySeed("em2048.ttf", theFolder + "/d/e/f/too-deep.ttf");
  CopySeed("truncated-120.ttf", theFolder + "/c/broken.ttf");

  FontInfo theRegistry(theFolder);
  // 14 standard fonts, first.ttf, second.TTF, noextension and both fonts of the collection.
  ASSERT_EQ(theRegistry.Count(), 19u);
  auto* theFirst = dynamic_cast<TrueType*>(theRegistry.FindByNameOrNumber("14"));
  ASSERT_NE(theFirst, nullptr);
  EXPECT_NE(theFirst->GetPath().find(u"/a/first.ttf"), std::u16string::npos);
  EXPECT_EQ(theRegistry.Find("QxTest-Regular"), theFirst);
  EXPECT_EQ(theRegistry.Find("qxtest regular"), theFirst);  // the full name
  EXPECT_FALSE(theFirst->IsLoadedFully());                 // names only until a document uses it
  EXPECT_NE(theRegistry.Find("QxTest-Plain"), nullptr);
  EXPECT_EQ(theRegistry.Find("QxTest-Symbol"), nullptr);
  EXPECT_EQ(theRegistry.Find("QxTest-Mono"), nullptr);
  ASSERT_NE(theRegistry.Find("QxPair-One"), nullptr);
  ASSERT_NE(theRegistry.Find("QxPair Two"), nullptr);
  EXPECT_NE(theRegistry.Find("QxPair-One"), theRegistry.Find("QxPair-Two"));

  // A standard font name can never be displaced.
  EXPECT_NE(dynamic_cast<StandardFont*>(theRegistry.Find("Courier")), nullptr);
}

// Standard fonts are answered without reading the folder; the first other name, number or count
// reads it, once, from whichever threads ask at the same time.
TEST(FontInfo, TheFolderIsReadWhenAFileFontIsFirstNeeded) {
  TestRoot theRoot;
  const std::string theFolder = theRoot.Path() + "/fonts";
  FontInfo theRegistry(theFolder);
  std::filesystem::create_directories(theFolder);
  EXPECT_NE(dynamic_cast<StandardFont*>(theRegistry.Find("Helvetica")), nullptr);
  EXPECT_EQ(theRegistry.FindByNameOrNumber("Courier")->GetName(), "Courier");
  // Files that appear after those lookups are still found: the folder has not been read yet.
  CopySeed("regular.ttf", theFolder + "/first.ttf");
  CopySeed("symbol.ttf", theFolder + "/second.ttf");
  std::vector<BaseFont*> theFound(4, nullptr);
  std::vector<std::thread> theThreads;
  for (size_t i = 0; i < theFound.size(); ++i)
    theThreads.emplace_back([&theRegistry, &theFound, i] {
      theFound[i] = i % 2 == 0 ? theRegistry.Find("QxTest-Regular") : theRegistry.FindByNameOrNumber("15");
      EXPECT_NE(theRegistry.Find("Times-Bold"), nullptr);
    });
  for (std::thread& theThread : theThreads) theThread.join();
  ASSERT_NE(theFound[0], nullptr);
  EXPECT_EQ(theFound[2], theFound[0]);
  ASSERT_NE(theFound[1], nullptr);
  EXPECT_EQ(theFound[3], theFound[1]);
  EXPECT_EQ(theRegistry.Count(), 16u);
  // Read once: a file added now stays unknown.
  CopySeed("cff.otf", theFolder + "/third.otf");
  EXPECT_EQ(theRegistry.Count(), 16u);
}

TEST(FontInfo, TheProcessRegistryIsBuiltOnceForEveryThread) {
  TestRoot theRoot;
  std::vector<FontInfo*> theSeen(4, nullptr);
  std::vector<std::thread> theThreads;
  for (size_t i = 0; i < theSeen.size(); ++i)
    theThreads.emplace_back([&theSeen, i] {
      theSeen[i] = &FontInfo::Get();
      theSeen[i]->Find("Helvetica");
    });
  for (std::thread& theThread : theThreads) theThread.join();
  for (FontInfo* theRegistry : theSeen) EXPECT_EQ(theRegistry, theSeen[0]);
  FontInfo& theRegistry = FontInfo::Get();
  EXPECT_GE(theRegistry.Count(), 14u);
  EXPECT_EQ(theRegistry.FontAt(0)->GetName(), "Times-Roman");
  if (std::filesystem::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")) {
    auto* theDejaVu = dynamic_cast<TrueType*>(theRegistry.Find("DejaVu Sans"));
    ASSERT_NE(theDejaVu, nullptr);
    EXPECT_EQ(theRegistry.Find("DejaVuSans"), theDejaVu);
    // Fonts of the registry are shared: loading them from several threads at once is safe.
    std::vector<std::thread> theLoaders;
    for (int i = 0; i < 4; ++i) theLoaders.emplace_back([theDejaVu] { theDejaVu->Load(); });
    for (std::thread& theThread : theLoaders) theThread.join();
    EXPECT_TRUE(theDejaVu->IsLoadedFully());
    EXPECT_EQ(theDejaVu->WidthOf('H'), 751);
  }
}

TEST(FontInfo, RegistersFilesWhoseNamesAreNotAscii) {
  TestRoot theRoot;
  // The folder walk hands out paths in the file-name encoding of the platform (UTF-8 here); a
  // registry that reads them in another code page looks for files that do not exist.
  const std::string theFolder = theRoot.Path() + "/fonts";
  CopySeed("regular.ttf", theFolder + "/Caf\xC3\xA9.ttf");
  CopySeed("symbol.ttf", theFolder + "/\xE5\xAD\x97\xE4\xBD\x93/\xE5\xAD\x97\xE4\xBD\x93.ttf");  // a folder of that name too

  FontInfo theRegistry(theFolder);
  ASSERT_EQ(theRegistry.Count(), 16u);
  auto* theLatin = dynamic_cast<TrueType*>(theRegistry.Find("QxTest-Regular"));
  auto* theSymbol = dynamic_cast<TrueType*>(theRegistry.Find("QxTest Symbol"));
  ASSERT_NE(theLatin, nullptr);
  ASSERT_NE(theSymbol, nullptr);
  EXPECT_EQ(theLatin->GetPath(), ToWide(CP_UTF8, theFolder.c_str()) + u"/Caf\u00E9.ttf");
  EXPECT_EQ(theSymbol->GetPath(), ToWide(CP_UTF8, theFolder.c_str()) + u"/\u5B57\u4F53/\u5B57\u4F53.ttf");
  // Usable, not only listed: the full load reads the file again through its wide path.
  ASSERT_TRUE(theLatin->Load()) << theLatin->GetError();
  EXPECT_EQ(theLatin->WidthOf('A'), 600);
  ASSERT_TRUE(theSymbol->Load()) << theSymbol->GetError();
  EXPECT_EQ(theSymbol->WidthOf('A'), 600);
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theLatin->WriteFontObject(theDoc, true)};
  ASSERT_NE(theWritten.mID, 0u);
  EXPECT_NE(theWritten.Descriptor()->Get("FontFile2"), nullptr);
}
