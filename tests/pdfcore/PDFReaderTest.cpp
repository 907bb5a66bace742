// The file reader: header versions, the cross-reference sections and trailers of plain and
// incrementally updated files, every structure error with its position context, placeholders
// parsed on demand into typed objects or null, and the byte-for-byte copy of untouched objects.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PDFTestFiles.h"
#include "document/PDFObjectFactory.h"
#include "pdfcore/PDFAtom.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFPlaceholder.h"
#include "pdfcore/PDFReader.h"
#include "pdfcore/PDFTrailer.h"

namespace {

using pdftest::QpdfProblems;
using pdftest::ReadFile;
using pdftest::ScratchPath;
using pdftest::WriteFile;

// A classic PDF file assembled from object bodies, with a correct cross-reference section.
struct FileBuilder {
  std::string mText = "%PDF-1.4\n";
  std::map<uint32_t, size_t> mOffsets;

  // Appends "<id> 0 obj <body> endobj" and records its offset.
  FileBuilder& Object(uint32_t inID, const std::string& inBody) {
    mOffsets[inID] = mText.size();
    mText += std::to_string(inID) + " 0 obj\n" + inBody + "\nendobj\n";
    return *this;
  }
  // Appends bytes exactly as given, recording inID's offset at their start.
  FileBuilder& Raw(uint32_t inID, const std::string& inBytes) {
    mOffsets[inID] = mText.size();
    mText += inBytes;
    return *this;
  }
  static std::string Entry(size_t inOffset, const char* inGeneration, char inType) {
    char theLine[32];
    std::snprintf(theLine, sizeof theLine, "%010zu %s %c\r\n", inOffset, inGeneration, inType);
    return theLine;
  }
  // The cross-reference section of every recorded object (one subsection from 0), the trailer
  // with inTrailerExtra added, startxref and %%EOF. Returns the section's offset.
  size_t Finish(const std::string& inTrailerExtra = "", const std::string& inAfterEOF = "\n") {
    const size_t theXref = mText.size();
    const uint32_t theCount = mOffsets.empty() ? 1 : mOffsets.rbegin()->first + 1;
    mText += "xref\n0 " + std::to_string(theCount) + "\n" + Entry(0, "65535", 'f');
    for (uint32_t theID = 1; theID < theCount; ++theID) {
      const auto theFound = mOffsets.find(theID);
      mText += theFound != mOffsets.end() ? Entry(theFound->second, "00000", 'n') : Entry(0, "00001", 'f');
    }
    mText += "trailer\n<< /Size " + std::to_string(theCount) + " /Root 1 0 R " + inTrailerExtra + ">>\n";
    mText += "startxref\n" + std::to_string(theXref) + "\n%%EOF" + inAfterEOF;
    return theXref;
  }
};

// Catalog 1, page tree 2, page 3 with content 4 and font 5.
const std::string kContent = "BT /F1 12 Tf 10 10 Td (Hello endobj) Tj ET";
FileBuilder SmallFile() {
  FileBuilder theFile;
  theFile.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents 4 0 R "
                 "/Resources << /Font << /F1 5 0 R >> >> >>")
      .Object(4, "<< /Length " + std::to_string(kContent.size()) + " >>\nstream\n" + kContent + "\nendstream")
      .Object(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  return theFile;
}

struct ReadResult {
  std::optional<std::string> mError;
  std::unique_ptr<PDFSoup> mSoup;
  uint32_t mVersion = 0;
};

ReadResult ReadBytes(const std::string& inBytes, PDFSoup::ObjectFactory inFactory = &PDFObjectFactory::Make) {
  auto theStream = std::make_unique<PDFMemoryStream>();
  theStream->Write(inBytes.data(), static_cast<uint32_t>(inBytes.size()));
  theStream->SetPosition(0);
  PDFReader theReader(inFactory);
  ReadResult theResult;
  theResult.mError = theReader.Read(std::move(theStream));
  theResult.mVersion = theReader.GetVersion();
  theResult.mSoup = theReader.HandOver();
  return theResult;
}

std::string Written(PDFDoc& ioDoc) {
  PDFMemoryStream theOut;
  ioDoc.Write(theOut);
  return std::string(theOut.GetView());
}

// A document that adopted the table read from inBytes (which must read without error).
std::unique_ptr<PDFDoc> ReadDoc(const std::string& inBytes) {
  ReadResult theResult = ReadBytes(inBytes);
  EXPECT_FALSE(theResult.mError) << *theResult.mError;
  auto theDoc = std::make_unique<PDFDoc>();
  theDoc->AdoptSoup(std::move(theResult.mSoup));
  return theDoc;
}

std::string ErrorOf(const std::string& inBytes) {
  const ReadResult theResult = ReadBytes(inBytes);
  return theResult.mError.value_or("(no error)");
}

// The bytes of "<id> 0 obj" through its "endobj" in inFile.
std::string ObjectBytes(const std::string& inFile, uint32_t inID) {
  const std::string theHeader = "\n" + std::to_string(inID) + " 0 obj";
  const size_t theStart = inFile.find(theHeader);
  if (theStart == std::string::npos) return {};
  size_t theEnd = inFile.find("endobj", theStart);
  while (theEnd != std::string::npos && inFile.compare(theEnd - 1, 1, ")") == 0) theEnd = inFile.find("endobj", theEnd + 1);
  return theEnd == std::string::npos ? std::string() : inFile.substr(theStart + 1, theEnd + 6 - theStart - 1);
}

TEST(PDFReaderTest, HeaderVersion) {
  FileBuilder theFile = SmallFile();
  theFile.Finish();
  EXPECT_EQ(ReadBytes(theFile.mText).mVersion, 4u);
  std::string theSix = theFile.mText;
  theSix[7] = '6';
  EXPECT_EQ(ReadBytes(theSix).mVersion, 6u);
  // A missing header line, or one whose minor version is not a digit, reads as version 4.
  std::string theMissing = theFile.mText;
  theMissing.replace(0, 8, "%XXX-1.7");
  EXPECT_EQ(ReadBytes(theMissing).mVersion, 4u);
  EXPECT_FALSE(ReadBytes(theMissing).mError);
  std::string theLetter = theSix;
  theLetter[7] = 'x';
  EXPECT_EQ(ReadBytes(theLetter).mVersion, 4u);
  // The version read is every placeholder's minimum, so the saved header keeps it.
  EXPECT_EQ(Written(*ReadDoc(theSix)).substr(0, 8), "%PDF-1.6");
}

TEST(PDFReaderTest, EndOfFileWindow) {
  FileBuilder theFile = SmallFile();
  const std::string theBody = theFile.mText;
  theFile.Finish("", "\r\n   ");
  // CR LF and a few spaces after %%EOF are fine (five bytes).
  EXPECT_FALSE(ReadBytes(theFile.mText).mError);
  FileBuilder theLong = SmallFile();
  theLong.Finish("", "\r\n    ");
  const std::string theError = ErrorOf(theLong.mText);
  EXPECT_EQ(theError.rfind("Unable to find EOF at end of PDF. Error at \"", 0), 0u) << theError;
  EXPECT_NE(theError.find("at offset " + std::to_string(theLong.mText.size() - 11) + "."), std::string::npos)
      << theError;
  EXPECT_EQ(ErrorOf("").rfind("Unable to find EOF at end of PDF.", 0), 0u);
  EXPECT_EQ(ErrorOf(theBody).rfind("Unable to find EOF at end of PDF.", 0), 0u);
}

TEST(PDFReaderTest, StructureErrorsCarryTheirContext) {
  FileBuilder theFile = SmallFile();
  const size_t theXref = theFile.Finish();
  const std::string theGood = theFile.mText;
  auto theReplaced = [&](const std::string& inOld, const std::string& inNew) {
    std::string theText = theGood;
    const size_t thePos = theText.rfind(inOld);
    EXPECT_NE(thePos, std::string::npos) << inOld;
    return theText.replace(thePos, inOld.size(), inNew);
  };
  auto theStartsWith = [](const std::string& inText, const std::string& inPrefix) {
    return inText.rfind(inPrefix + " Error at \"", 0) == 0;
  };
  // startxref more than 32 bytes before %%EOF; within them, an offset of ten digits with CR LF on
  // both sides still reads (files of 10 MB and more have eight digits and more).
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced("startxref\n", "startxref\n" + std::string(25, ' '))),
                            "Unable to find startxref at end of PDF."));
  const std::string theTenDigits = std::string(10 - std::to_string(theXref).size(), '0') + std::to_string(theXref);
  std::string theWide = theReplaced("startxref\n" + std::to_string(theXref) + "\n",
                                    "startxref\r\n" + theTenDigits + "\r\n");
  theWide.insert(theWide.rfind("%%EOF"), " ");
  EXPECT_EQ(ErrorOf(theWide), "(no error)");
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced("startxref\n" + std::to_string(theXref), "startxref\n/x")),
                            "Unable to find offset of xref table."));
  // An offset beyond the data, and one that does not point at "xref".
  const std::string theBeyond = ErrorOf(theReplaced("startxref\n" + std::to_string(theXref), "startxref\n9999999"));
  EXPECT_TRUE(theStartsWith(theBeyond, "Unable to find start of xref section.")) << theBeyond;
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced("startxref\n" + std::to_string(theXref), "startxref\n9")),
                            "Unable to find start of xref section."));
  // Entries with a field of the wrong length.
  const std::string theNine = ErrorOf(theReplaced(FileBuilder::Entry(theFile.mOffsets[3], "00000", 'n'),
                                                  std::string(FileBuilder::Entry(theFile.mOffsets[3], "00000", 'n')).substr(1)));
  EXPECT_TRUE(theStartsWith(theNine, "Length of offset in xref table is incorrect.")) << theNine;
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced("65535 f", "6553 f")), "Length of generation in xref table is incorrect."));
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced("65535 f", "65535 ff")), "Length of in-use entry in xref table is incorrect."));
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced(FileBuilder::Entry(theFile.mOffsets[2], "00000", 'n'), "abcdefghij 00000 n\r\n")),
                            "Unable to convert xref offset to a number."));
  EXPECT_TRUE(theStartsWith(ErrorOf(theReplaced(FileBuilder::Entry(theFile.mOffsets[2], "00000", 'n'),
                                                FileBuilder::Entry(theFile.mOffsets[2], "abcde", 'n'))),
                            "Unable to convert xref generation to a number."));
  // These two carry no position.
  EXPECT_EQ(ErrorOf(theReplaced("trailer", "trailor")), "Unable to find PDF trailer.");
  EXPECT_EQ(ErrorOf(theReplaced("/Size", "/Encrypt 9 0 R /Size")), "Unable to read encrypted PDF.");
  EXPECT_EQ(ErrorOf(theReplaced("/Size", "/XRefStm 9 /Size")), "Unable to read PDF with cross-reference streams.");
}

TEST(PDFReaderTest, IncrementalUpdate) {
  FileBuilder theFile = SmallFile();
  // Object 9 has no "endobj": its copy must stop where the replaced object 6 starts.
  theFile.Raw(9, "9 0 obj\n(nine)\n").Object(6, "(old six)").Object(7, "(old seven)");
  const size_t theFirstXref = theFile.Finish("/Info 7 0 R ");
  // The update replaces 6, frees 7 and adds 8, with its own section and a trailer naming Prev.
  std::string& theText = theFile.mText;
  const size_t theSix = theText.size();
  theText += "6 0 obj\n(new six)\nendobj\n";
  const size_t theEight = theText.size();
  theText += "8 0 obj\n(eight)\nendobj\n";
  const size_t theXref = theText.size();
  theText += "xref\n6 3\n" + FileBuilder::Entry(theSix, "00000", 'n') + FileBuilder::Entry(0, "00001", 'f') +
             FileBuilder::Entry(theEight, "00000", 'n');
  theText += "trailer\n<< /Size 9 /Root 1 0 R /Prev " + std::to_string(theFirstXref) + " /Marker 2 >>\n";
  theText += "startxref\n" + std::to_string(theXref) + "\n%%EOF\n";
  ReadResult theResult = ReadBytes(theText);
  ASSERT_FALSE(theResult.mError) << *theResult.mError;
  PDFSoup& theSoup = *theResult.mSoup;
  EXPECT_EQ(static_cast<PDFPlaceholder*>(theSoup.GetRaw(6))->GetReadOffset(), theSix);
  // A free entry in the newer section keeps the older object from coming back.
  EXPECT_EQ(theSoup.GetRaw(7), nullptr);
  EXPECT_NE(theSoup.GetRaw(8), nullptr);
  EXPECT_EQ(theSoup.GetRaw(1)->GetType(), kTypePlaceholder);
  // The newest trailer is the document's; written back, it has no Prev and the table's Size.
  PDFDoc theDoc;
  theDoc.AdoptSoup(std::move(theResult.mSoup));
  const std::string theOut = Written(theDoc);
  const std::string theTrailer = theOut.substr(theOut.rfind("trailer"));
  EXPECT_EQ(theTrailer.find("/Prev"), std::string::npos) << theTrailer;
  EXPECT_NE(theTrailer.find("/Marker 2"), std::string::npos) << theTrailer;
  EXPECT_NE(theTrailer.find("/Size 10"), std::string::npos) << theTrailer;
  EXPECT_NE(theOut.find("9 0 obj\r\n(nine)\r\nendobj\r\n"), std::string::npos);
  EXPECT_NE(theOut.find("(new six)"), std::string::npos);
  EXPECT_EQ(theOut.find("(old six)"), std::string::npos);
  EXPECT_EQ(theOut.find("(old seven)"), std::string::npos);
  const std::string thePath = ScratchPath("reader-incremental.pdf");
  WriteFile(thePath, theOut);
  EXPECT_EQ(QpdfProblems(thePath), "");
}

TEST(PDFReaderTest, HostileSectionsEnd) {
  // A Prev chain that comes back to its own section ends there.
  FileBuilder theLoop = SmallFile();
  const size_t theXref = theLoop.mText.size();
  theLoop.Finish("/Prev " + std::to_string(theXref) + " ");
  EXPECT_FALSE(ReadBytes(theLoop.mText).mError);
  // A Prev beyond the data fails; the error window stays inside the data.
  FileBuilder theFar = SmallFile();
  theFar.Finish("/Prev 2000000000 ");
  EXPECT_EQ(ErrorOf(theFar.mText).rfind("Unable to find start of xref section. Error at", 0), 0u);
  // A subsection that claims a billion entries is cut to the bytes that are there.
  FileBuilder theHuge = SmallFile();
  theHuge.Finish();
  std::string theText = theHuge.mText;
  theText.replace(theText.find("xref\n0 6"), 8, "xref\n0 1000000000");
  theText.replace(theText.find("startxref\n") + 10, std::string::npos,
                  std::to_string(theText.find("xref\n0 1")) + "\n%%EOF\n");
  const auto theStart = std::chrono::steady_clock::now();
  const ReadResult theResult = ReadBytes(theText);
  EXPECT_LT(std::chrono::steady_clock::now() - theStart, std::chrono::seconds(2));
  ASSERT_FALSE(theResult.mError) << *theResult.mError;
  EXPECT_NE(theResult.mSoup->GetRaw(5), nullptr);
  EXPECT_LT(theResult.mSoup->GetCount(), 10u);
}

TEST(PDFReaderTest, EveryPrefixOfAFileIsSafe) {
  FileBuilder theFile = SmallFile();
  theFile.Finish();
  int theRead = 0;
  for (size_t theLength = 0; theLength <= theFile.mText.size(); ++theLength) {
    ReadResult theResult = ReadBytes(theFile.mText.substr(0, theLength));
    if (theResult.mError) continue;
    ++theRead;
    PDFDoc theDoc;
    theDoc.AdoptSoup(std::move(theResult.mSoup));
    theDoc.GetSoup().LoadAll();
    EXPECT_FALSE(Written(theDoc).empty());
  }
  // Only the whole file and the file without its last line end read.
  EXPECT_EQ(theRead, 2);
}

TEST(PDFReaderTest, PlaceholdersBecomeTypedObjectsOnDemand) {
  FileBuilder theFile = SmallFile();
  theFile.Object(6, "<< /Type /Bookmark /Title (b) >>").Object(7, "<< /Type /page >>");
  theFile.Finish();
  ReadResult theResult = ReadBytes(theFile.mText);
  ASSERT_FALSE(theResult.mError);
  PDFSoup& theSoup = *theResult.mSoup;
  for (uint32_t theID = 1; theID <= 7; ++theID) {
    EXPECT_EQ(theSoup.GetRaw(theID)->GetType(), kTypePlaceholder);
    EXPECT_FALSE(theSoup.GetRaw(theID)->GetCanDelete());
  }
  EXPECT_EQ(theSoup.Get(1)->GetType(), kTypeCatalog);
  EXPECT_EQ(theSoup.Get(2)->GetType(), kTypePages);
  EXPECT_EQ(theSoup.Get(3)->GetType(), kTypePage);
  EXPECT_EQ(theSoup.Get(4)->GetType(), kTypeStream);
  EXPECT_EQ(theSoup.Get(6)->GetType(), kTypeBookmark);
  // Classes are chosen by the exact name; the rest stay placeholders holding their content.
  EXPECT_EQ(theSoup.Get(5)->GetType(), kTypePlaceholder);
  EXPECT_EQ(theSoup.Get(7)->GetType(), kTypePlaceholder);
  EXPECT_EQ(theSoup.Get(5)->GetNameValue("BaseFont"), "Helvetica");
  // The typed object took over the placeholder's version.
  EXPECT_EQ(theSoup.Get(3)->GetMinVersion(), 4u);
  // Without a factory every object stays a placeholder.
  ReadResult thePlain = ReadBytes(theFile.mText, nullptr);
  EXPECT_EQ(thePlain.mSoup->Get(3)->GetType(), kTypePlaceholder);
}

TEST(PDFReaderTest, FontPlaceholderCanBeDeleted) {
  FileBuilder theFile = SmallFile();
  theFile.Finish();
  std::unique_ptr<PDFDoc> theDoc = ReadDoc(theFile.mText);
  EXPECT_TRUE(theDoc->DeleteObject(5));
  EXPECT_FALSE(theDoc->GetSoup().GetRaw(5)->GetActive());
  const std::string theOut = Written(*theDoc);
  // The page's reference to it goes at the save; the entry is free.
  EXPECT_EQ(theOut.find("Helvetica"), std::string::npos);
  EXPECT_EQ(theOut.find("5 0 R"), std::string::npos);
  const std::string thePath = ScratchPath("reader-deleted-font.pdf");
  WriteFile(thePath, theOut);
  EXPECT_EQ(QpdfProblems(thePath), "");
}

TEST(PDFReaderTest, UnreadableObjectsReadAsNull) {
  FileBuilder theFile = SmallFile();
  // Object 6's bytes start with the header of object 9; object 7's offset points past the data.
  theFile.Raw(6, "9 0 obj\n(nine)\nendobj\n").Object(8, "(eight)");
  theFile.mOffsets[7] = 999999;
  theFile.Finish();
  ReadResult theResult = ReadBytes(theFile.mText);
  ASSERT_FALSE(theResult.mError);
  PDFDoc theDoc;
  theDoc.AdoptSoup(std::move(theResult.mSoup));
  // Unloaded: the bytes are not copied, since they are not object 6's.
  const std::string theUnloaded = Written(theDoc);
  EXPECT_NE(theUnloaded.find("6 0 obj\r\nnull\r\nendobj\r\n\r\n"), std::string::npos);
  EXPECT_NE(theUnloaded.find("7 0 obj\r\nnull\r\nendobj\r\n\r\n"), std::string::npos);
  EXPECT_EQ(theUnloaded.find("(nine)"), std::string::npos);
  PDFObject* theSix = theDoc.GetSoup().Get(6);
  ASSERT_NE(theSix, nullptr);
  EXPECT_TRUE(PDFAtom::IsNull(theSix->GetAtom()));
  EXPECT_NE(Written(theDoc).find("6 0 obj\r\nnull\r\nendobj\r\n\r\n"), std::string::npos);
}

TEST(PDFReaderTest, UntouchedObjectsAreCopiedByteForByte) {
  FileBuilder theFile;
  theFile.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [] /Count 0 >>")
      // Odd spacing, a comment, a name with escapes and a delimiter right before "endobj".
      .Raw(3, "3 0 obj % note\n<</A  [1   2]/N /PANTONE#20185#20C/S <FEFF0041>>>endobj\n")
      // A stream whose data holds " endobj ".
      .Raw(4, "4 0 obj\n<< /Length 13 >>\nstream\nx endobj y z\nendstream\nendobj\r\n")
      // No "endobj" before the next object: written in parsed form, never running into 6.
      .Raw(5, "5 0 obj\n(five)\n")
      .Object(6, "(six)");
  theFile.Finish();
  std::unique_ptr<PDFDoc> theDoc = ReadDoc(theFile.mText);
  const std::string theOut = Written(*theDoc);
  EXPECT_NE(theOut.find("3 0 obj % note\n<</A  [1   2]/N /PANTONE#20185#20C/S <FEFF0041>>>endobj\n"),
            std::string::npos);
  EXPECT_NE(theOut.find("4 0 obj\n<< /Length 13 >>\nstream\nx endobj y z\nendstream\nendobj\r"), std::string::npos);
  EXPECT_NE(theOut.find("5 0 obj\r\n(five)\r\nendobj\r\n\r\n6 0 obj\n(six)\nendobj\n"), std::string::npos) << theOut;
  const std::string thePath = ScratchPath("reader-raw-copy.pdf");
  WriteFile(thePath, theOut);
  EXPECT_EQ(QpdfProblems(thePath), "");
  // A saved document counts as parsed: the next write gives every object in parsed form, the
  // name and the string keeping their bytes.
  const std::string theParsed = Written(*theDoc);
  EXPECT_EQ(theParsed.find("% note"), std::string::npos) << theParsed;
  EXPECT_NE(theParsed.find("/PANTONE#20185#20C"), std::string::npos);
  EXPECT_NE(theParsed.find("(\\376\\377\\000A)"), std::string::npos) << theParsed;
}

TEST(PDFReaderTest, DamagedStreamWithSelfLengthIsWrittenParsed) {
  FileBuilder theFile = SmallFile();
  // A stream whose Length names itself and whose "endobj" is damaged: it cannot be copied, so it
  // is parsed while the document is written, without loading (and replacing) itself.
  theFile.Raw(4, "4 0 obj\n<< /Length 4 0 R >>\nstream\n" + kContent + "\nendstream\nendoQj\n");
  theFile.Finish();
  std::unique_ptr<PDFDoc> theDoc = ReadDoc(theFile.mText);
  const std::string theOut = Written(*theDoc);
  EXPECT_NE(theOut.find("4 0 obj\r\n<<"), std::string::npos);
  EXPECT_NE(theOut.find(kContent), std::string::npos);
  EXPECT_EQ(theOut.find("endoQj"), std::string::npos);
  EXPECT_EQ(theDoc->GetSoup().GetRaw(4)->GetType(), kTypePlaceholder);
}

// A file written by qpdf, a tool no one here wrote, from one of this library's files.
TEST(PDFReaderTest, ReadsQpdfRewrite) {
  FileBuilder theFile = SmallFile();
  theFile.Finish();
  const std::string theIn = ScratchPath("reader-qpdf-in.pdf");
  const std::string theQpdf = ScratchPath("reader-qpdf-out.pdf");
  WriteFile(theIn, theFile.mText);
  const std::string theCommand = "qpdf --object-streams=disable --compress-streams=n '" + theIn + "' '" + theQpdf + "'";
  ASSERT_EQ(std::system(theCommand.c_str()), 0);
  const std::string theBytes = ReadFile(theQpdf);
  std::unique_ptr<PDFDoc> theDoc = ReadDoc(theBytes);
  const uint32_t theRoot = theDoc->GetRootID();
  EXPECT_EQ(theDoc->GetSoup().Get(theRoot)->GetType(), kTypeCatalog);
  const std::string theOut = Written(*theDoc);
  const std::string thePath = ScratchPath("reader-qpdf-saved.pdf");
  WriteFile(thePath, theOut);
  EXPECT_EQ(QpdfProblems(thePath), "");
  // An object never loaded keeps its bytes.
  for (uint32_t theID = 1; theID < theDoc->GetSoup().GetCount(); ++theID) {
    if (theDoc->GetSoup().GetRaw(theID) == nullptr || theDoc->GetSoup().GetRaw(theID)->GetType() != kTypePlaceholder)
      continue;
    const std::string theSource = ObjectBytes(theBytes, theID);
    ASSERT_FALSE(theSource.empty()) << theID;
    EXPECT_NE(theOut.find(theSource), std::string::npos) << theSource;
  }
  // A file with cross-reference streams fails cleanly.
  const std::string theStreams = ScratchPath("reader-qpdf-xrefstream.pdf");
  const std::string theStreamCommand = "qpdf --object-streams=generate '" + theIn + "' '" + theStreams + "'";
  ASSERT_EQ(std::system(theStreamCommand.c_str()), 0);
  EXPECT_EQ(ErrorOf(ReadFile(theStreams)).rfind("Unable to find start of xref section.", 0), 0u);
}

}  // namespace
