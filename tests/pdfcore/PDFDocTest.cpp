// The document writer: exact bytes of whole files, the clean-up after deletions, the trailer
// rules, and qpdf's verdict on every complete file written.
#include <gtest/gtest.h>

#include <string>

#include "PDFTestFiles.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFBufferedFileStream.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDeflate.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStreamAtom.h"
#include "pdfcore/PDFStringAtom.h"
#include "pdfcore/PDFTrailer.h"

namespace {

using pdftest::QpdfProblems;
using pdftest::ScratchPath;

PDFContentObject* AddObject(PDFDoc& ioDoc, std::unique_ptr<PDFAtom> inAtom, uint32_t inType = kTypeStream) {
  PDFSoup& theSoup = ioDoc.GetSoup();
  const uint32_t theID = ioDoc.NewID();
  return static_cast<PDFContentObject*>(
      theSoup.Add(std::make_unique<PDFContentObject>(&theSoup, theID, inType, std::move(inAtom))));
}

std::unique_ptr<PDFArrayAtom> RefArray(std::initializer_list<uint32_t> inIDs) {
  auto theArray = std::make_unique<PDFArrayAtom>();
  for (uint32_t theID : inIDs) theArray->Append(std::make_unique<PDFRefAtom>(theID, 0));
  return theArray;
}

// Catalog 1, page tree 2 and one page 3: the smallest complete document.
void BuildThreeObjects(PDFDoc& ioDoc) {
  auto theCatalog = std::make_unique<PDFDictAtom>();
  theCatalog->SetName("Type", "Catalog");
  theCatalog->SetRef("Pages", 2);
  AddObject(ioDoc, std::move(theCatalog), kTypeCatalog);
  auto thePages = std::make_unique<PDFDictAtom>();
  thePages->SetName("Type", "Pages");
  thePages->Set("Kids", RefArray({3}));
  thePages->SetInteger("Count", 1);
  AddObject(ioDoc, std::move(thePages), kTypePages);
  auto thePage = std::make_unique<PDFDictAtom>();
  thePage->SetName("Type", "Page");
  thePage->SetRef("Parent", 2);
  auto theBox = std::make_unique<PDFArrayAtom>();
  for (int32_t theValue : {0, 0, 612, 792}) theBox->Append(std::make_unique<PDFNumberAtom>(theValue));
  thePage->Set("MediaBox", std::move(theBox));
  AddObject(ioDoc, std::move(thePage), kTypePage);
  ioDoc.GetSoup().SetRootID(1);
}

std::string Save(PDFDoc& ioDoc) {
  PDFMemoryStream theStream;
  ioDoc.Write(theStream);
  return std::string(theStream.GetView());
}

std::string SaveChecked(PDFDoc& ioDoc, const std::string& inName) {
  const std::string thePath = ScratchPath(inName);
  {
    PDFBufferedFileStream theFile;
    EXPECT_TRUE(theFile.Open(pdftest::Wide(thePath).c_str()));
    ioDoc.Write(theFile);
  }
  EXPECT_EQ(QpdfProblems(thePath), "") << inName;
  return pdftest::ReadFile(thePath);
}

TEST(PDFDocTest, EmptyDocumentBytes) {
  PDFDoc theDoc;
  EXPECT_EQ(Save(theDoc),
            "%PDF-1.1\r\n\r\n"
            "xref\r\n0 1\r\n0000000000 65535 f\r\n"
            "trailer\r\n<<\r\n/Root 0 0 R\r\n/Size 1\r\n>>\r\n"
            "startxref\r\n12\r\n%%EOF\r\n");
  EXPECT_EQ(theDoc.GetOffsetXREF(), 12u);
}

TEST(PDFDocTest, ThreeObjectsByteForByte) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  const std::string theHeader = "%PDF-1.1\r\n\r\n";
  const std::string theObj1 = "1 0 obj\r\n<<\r\n/Pages 2 0 R\r\n/Type /Catalog\r\n>>\r\nendobj\r\n\r\n";
  const std::string theObj2 =
      "2 0 obj\r\n<<\r\n/Count 1\r\n/Kids [ 3 0 R ]\r\n/Type /Pages\r\n>>\r\nendobj\r\n\r\n";
  const std::string theObj3 =
      "3 0 obj\r\n<<\r\n/MediaBox [ 0 0 612 792 ]\r\n/Parent 2 0 R\r\n/Type /Page\r\n>>\r\nendobj\r\n\r\n";
  const size_t theXref = theHeader.size() + theObj1.size() + theObj2.size() + theObj3.size();
  auto Entry = [](size_t inOffset) {
    std::string theDigits = std::to_string(inOffset);
    return std::string(10 - theDigits.size(), '0') + theDigits + " 00000 n\r\n";
  };
  const std::string theExpected =
      theHeader + theObj1 + theObj2 + theObj3 + "xref\r\n0 4\r\n0000000000 65535 f\r\n" + Entry(12) +
      Entry(12 + theObj1.size()) + Entry(12 + theObj1.size() + theObj2.size()) +
      "trailer\r\n<<\r\n/Root 1 0 R\r\n/Size 4\r\n>>\r\n"
      "startxref\r\n" + std::to_string(theXref) + "\r\n%%EOF\r\n";
  EXPECT_EQ(Save(theDoc), theExpected);
  EXPECT_EQ(theDoc.GetSoup().GetRaw(1)->GetOffset(), 12u);
  // The file written through the buffered stream has the same bytes and passes qpdf.
  EXPECT_EQ(SaveChecked(theDoc, "three-objects.pdf"), theExpected);
  // Saving again without changes gives the same bytes.
  EXPECT_EQ(Save(theDoc), theExpected);
}

TEST(PDFDocTest, HeaderTakesTheLargestMinimumVersion) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  // A compressed content stream, as images and flattened pages need.
  const std::string theContent = "0 0 m 612 792 l S\n";
  std::vector<uint8_t> theCompressed;
  ASSERT_TRUE(PDFDeflate::Compress(
      std::span(reinterpret_cast<const uint8_t*>(theContent.data()), theContent.size()), theCompressed));
  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetData(std::move(theCompressed));
  theStream->GetDict()->SetName("Filter", "FlateDecode");
  PDFContentObject* theObj = AddObject(theDoc, std::move(theStream), kTypeImage);
  theObj->SetMinVersion(2);
  theDoc.GetSoup().GetRaw(3)->SetRefValue("Contents", theObj->GetID());
  const std::string theBytes = SaveChecked(theDoc, "version-2.pdf");
  EXPECT_EQ(theBytes.substr(0, 12), "%PDF-1.2\r\n\r\n");
}

TEST(PDFDocTest, TrailerLosesPrevAndGetsSize) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  PDFDictAtom& theTrailer = theDoc.GetSoup().GetTrailer()->GetTrailerDict();
  theTrailer.SetInteger("Prev", 1234);
  theTrailer.SetInteger("Size", 99);
  const std::string theBytes = SaveChecked(theDoc, "prev-removed.pdf");
  EXPECT_EQ(theBytes.find("/Prev"), std::string::npos);
  EXPECT_NE(theBytes.find("trailer\r\n<<\r\n/Root 1 0 R\r\n/Size 4\r\n>>\r\n"), std::string::npos);
}

TEST(PDFDocTest, FreshIDStringOnEverySave) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  auto theID = std::make_unique<PDFArrayAtom>();
  theID->Append(std::make_unique<PDFStringAtom>("first"));
  theID->Append(std::make_unique<PDFStringAtom>("second"));
  auto* theSecond = static_cast<PDFStringAtom*>(theID->Get(1));
  theDoc.GetSoup().GetTrailer()->GetTrailerDict().Set("ID", std::move(theID));
  std::string thePrevious;
  for (int i = 0; i < 50; ++i) {
    Save(theDoc);
    // Always 16 bytes: no zero byte cuts the text short.
    ASSERT_EQ(theSecond->GetText().size(), 16u);
    EXPECT_NE(theSecond->GetText(), thePrevious);
    thePrevious = theSecond->GetText();
  }
  const std::string theBytes = SaveChecked(theDoc, "with-id.pdf");
  EXPECT_NE(theBytes.find("/ID [ (first) ("), std::string::npos);
  // A single-element or non-string ID array is left alone.
  auto theShort = std::make_unique<PDFArrayAtom>();
  theShort->Append(std::make_unique<PDFStringAtom>("only"));
  theDoc.GetSoup().GetTrailer()->GetTrailerDict().Set("ID", std::move(theShort));
  EXPECT_NE(Save(theDoc).find("/ID [ (only) ]"), std::string::npos);
}

TEST(PDFDocTest, UnusedIDsBecomeLinkedFreeEntries) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  theDoc.NewID();  // 4, never used
  theDoc.NewID();  // 5, never used
  const std::string theBytes = SaveChecked(theDoc, "unused-ids.pdf");
  EXPECT_NE(theBytes.find("xref\r\n0 6\r\n0000000004 65535 f\r\n"), std::string::npos);
  EXPECT_NE(theBytes.find(" 00000 n\r\n0000000005 00001 f\r\n0000000000 00001 f\r\ntrailer"),
            std::string::npos);
  EXPECT_NE(theBytes.find("/Size 6"), std::string::npos);
}

TEST(PDFDocTest, DeletionCleansUpBeforeSaving) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  // Object 4 is referenced from the catalog; object 5 only from object 4.
  auto theExtra = std::make_unique<PDFDictAtom>();
  theExtra->SetRef("Child", 5);
  AddObject(theDoc, std::move(theExtra));
  AddObject(theDoc, std::make_unique<PDFDictAtom>());
  theDoc.GetSoup().GetRaw(1)->SetRefValue("Extra", 4);
  EXPECT_TRUE(theDoc.DeleteObject(4));
  EXPECT_TRUE(theDoc.GetDeleted());
  EXPECT_FALSE(theDoc.DeleteObject(4));  // already inactive
  EXPECT_FALSE(theDoc.DeleteObject(0));  // the free entry cannot be deleted
  EXPECT_FALSE(theDoc.DeleteObject(77));
  const std::string theBytes = SaveChecked(theDoc, "after-delete.pdf");
  EXPECT_EQ(theBytes.find("/Extra"), std::string::npos);
  EXPECT_FALSE(theDoc.GetSoup().GetRaw(5)->GetActive());
  EXPECT_NE(theBytes.find("xref\r\n0 6\r\n0000000004 65535 f\r\n"), std::string::npos);
  EXPECT_NE(theBytes.find("0000000005 00001 f\r\n0000000000 00001 f\r\ntrailer"), std::string::npos);
  // The clean-up runs again on later saves and gives the same bytes.
  EXPECT_EQ(Save(theDoc), theBytes);
  // A deleted ID is not handed out again.
  EXPECT_EQ(theDoc.NewID(), 6u);
}

TEST(PDFDocTest, TidyPassesEnd) {
  PDFDoc theDoc;
  BuildThreeObjects(theDoc);
  // A content atom that is itself a reference to nothing is tidied once, then the passes stop.
  AddObject(theDoc, std::make_unique<PDFRefAtom>(40, 0));
  EXPECT_EQ(theDoc.TidyPasses(), 2);
  EXPECT_EQ(theDoc.TidyPasses(), 1);
}

TEST(PDFDocTest, AdoptedTable) {
  PDFDoc theDoc;
  auto theSoup = std::make_unique<PDFSoup>();
  PDFSoup* theRaw = theSoup.get();
  theSoup->ReserveID(3);
  theSoup->SetTrailer(std::make_unique<PDFTrailer>(theRaw));
  auto theCatalog = std::make_unique<PDFDictAtom>();
  theCatalog->SetName("Type", "Catalog");
  theCatalog->SetRef("Pages", 2);
  theSoup->Add(std::make_unique<PDFContentObject>(theRaw, 1, kTypeCatalog, std::move(theCatalog)));
  auto thePages = std::make_unique<PDFDictAtom>();
  thePages->SetName("Type", "Pages");
  thePages->Set("Kids", std::make_unique<PDFArrayAtom>());
  thePages->SetInteger("Count", 0);
  theSoup->Add(std::make_unique<PDFContentObject>(theRaw, 2, kTypePages, std::move(thePages)));
  theSoup->Add(std::make_unique<PDFContentObject>(theRaw, 3, kTypeStream, std::make_unique<PDFDictAtom>()));
  theSoup->SetRootID(1);
  theDoc.AdoptSoup(std::move(theSoup));
  EXPECT_FALSE(theDoc.GetLoadedAll());
  EXPECT_FALSE(theDoc.GetDeleted());
  ASSERT_NE(theDoc.GetSoup().GetRaw(0), nullptr);
  EXPECT_EQ(theDoc.GetSoup().GetRaw(0)->GetType(), kTypeEmpty);
  EXPECT_EQ(theDoc.GetRootID(), 1u);
  // Object 3 is unreachable, but without a deletion nothing is swept.
  std::string theBytes = SaveChecked(theDoc, "adopted.pdf");
  EXPECT_NE(theBytes.find("3 0 obj"), std::string::npos);
  EXPECT_TRUE(theDoc.DeleteObject(2));
  EXPECT_TRUE(theDoc.GetLoadedAll());
  theDoc.GetObject(1)->RemoveKey("Pages");
  theBytes = Save(theDoc);
  EXPECT_EQ(theBytes.find("3 0 obj"), std::string::npos);
  EXPECT_NE(theBytes.find("0000000002 65535 f\r\n"), std::string::npos);
}

}  // namespace
