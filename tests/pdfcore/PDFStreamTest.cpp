// Memory buffers, files, buffered files, mapped files and compression.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "PDFTestFiles.h"
#include "pdfcore/PDFBufferedFileStream.h"
#include "pdfcore/PDFDeflate.h"
#include "pdfcore/PDFFileStream.h"
#include "pdfcore/PDFMappedFileStream.h"
#include "pdfcore/PDFMemoryStream.h"

namespace {

using pdftest::ReadFile;
using pdftest::ScratchPath;
using pdftest::Wide;

TEST(PDFMemoryStreamTest, GrowsByDoublingFrom256) {
  PDFMemoryStream theStream;
  EXPECT_EQ(theStream.GetCapacity(), 256u);
  EXPECT_EQ(theStream.GetLength(), 0u);
  const std::string theBytes(1000, 'x');
  ASSERT_TRUE(theStream.Write(theBytes.data(), 300));
  EXPECT_EQ(theStream.GetCapacity(), 512u);
  ASSERT_TRUE(theStream.Write(theBytes.data(), 1000));
  EXPECT_EQ(theStream.GetCapacity(), 2048u);
  EXPECT_EQ(theStream.GetLength(), 1300u);
  // Exactly full does not grow.
  PDFMemoryStream theExact;
  ASSERT_TRUE(theExact.Write(theBytes.data(), 256));
  EXPECT_EQ(theExact.GetCapacity(), 256u);
}

TEST(PDFMemoryStreamTest, GetPeekAndSkipAtTheEnd) {
  PDFMemoryStream theStream;
  theStream.WriteText("ab");
  theStream.SetPosition(0);
  EXPECT_EQ(theStream.Peek(), 'a');
  EXPECT_EQ(theStream.Get(), 'a');
  EXPECT_EQ(theStream.Get(), 'b');
  EXPECT_EQ(theStream.Peek(), -1);
  EXPECT_EQ(theStream.GetPosition(), 2u);
  EXPECT_EQ(theStream.Get(), -1);
  EXPECT_EQ(theStream.GetPosition(), 3u);  // one past the length
  theStream.Skip(-1);
  EXPECT_EQ(theStream.GetPosition(), 2u);
  theStream.Skip(-2);
  EXPECT_EQ(theStream.Get(), 'a');
}

TEST(PDFMemoryStreamTest, ReadAndWritePastTheEnd) {
  PDFMemoryStream theStream;
  theStream.WriteText("hello");
  theStream.SetPosition(3);
  char theBuffer[10] = {};
  EXPECT_EQ(theStream.Read(theBuffer, 10), 2u);
  EXPECT_EQ(std::string(theBuffer), "lo");
  theStream.SetPosition(50);
  EXPECT_EQ(theStream.Read(theBuffer, 10), 0u);
  // Writing after a gap leaves zero bytes in it.
  theStream.SetPosition(8);
  theStream.WriteText("z");
  EXPECT_EQ(theStream.GetView(), std::string("hello\0\0\0z", 9));
}

TEST(PDFMemoryStreamTest, AttachedBytesAreNeverWrittenOver) {
  const uint8_t theSource[4] = {'a', 'b', 'c', 'd'};
  PDFMemoryStream theStream;
  theStream.Attach(theSource, 4);
  EXPECT_FALSE(theStream.GetOwnsBuffer());
  EXPECT_EQ(theStream.GetCapacity(), 4u);
  EXPECT_EQ(theStream.Get(), 'a');
  theStream.SetPosition(1);
  theStream.Put('X');
  EXPECT_EQ(theStream.GetView(), "aXcd");
  EXPECT_EQ(theSource[1], 'b');
  EXPECT_TRUE(theStream.GetOwnsBuffer());
}

TEST(PDFMemoryStreamTest, ResetForgetAndFree) {
  PDFMemoryStream theStream;
  theStream.WriteText(std::string(600, 'q'));
  auto theBlock = theStream.Forget();
  ASSERT_TRUE(theBlock);
  EXPECT_EQ(theBlock[599], 'q');
  EXPECT_EQ(theStream.GetLength(), 0u);
  EXPECT_EQ(theStream.GetCapacity(), 0u);
  // A freed stream grows again from 256 bytes.
  EXPECT_TRUE(theStream.WriteText("again"));
  EXPECT_EQ(theStream.GetCapacity(), 256u);
  theStream.Free();
  EXPECT_EQ(theStream.GetData(), nullptr);
  theStream.Reset();
  EXPECT_EQ(theStream.GetCapacity(), 256u);
  EXPECT_EQ(theStream.GetLength(), 0u);
}

TEST(PDFMemoryStreamTest, FormattedWrite) {
  PDFMemoryStream theStream;
  theStream.Format("%ld %ld obj\r\n", 12L, 0L);
  EXPECT_EQ(theStream.GetView(), "12 0 obj\r\n");
  // A format of 256 bytes or more is written as it is.
  std::string theLong(300, 'a');
  theLong.replace(100, 2, "%d");
  PDFMemoryStream theRaw;
  theRaw.Format("%s", theLong.c_str());  // through a format: the same bytes
  PDFMemoryStream theUnformatted;
  const char* theLongFormat = theLong.c_str();
  // Callers never pass foreign text as a format; this exercises the 256-byte rule itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
  theUnformatted.Format(theLongFormat);
#pragma GCC diagnostic pop
  EXPECT_EQ(theUnformatted.GetView(), theLong);
  // One formatted write yields at most 1023 bytes.
  PDFMemoryStream theCut;
  theCut.Format("%s", std::string(2000, 'b').c_str());
  EXPECT_EQ(theCut.GetLength(), 1023u);
}

TEST(PDFFileStreamTest, WritesAndReplacesTheWholeFile) {
  const std::string thePath = ScratchPath("filestream.bin");
  pdftest::WriteFile(thePath, std::string(100, 'o'));
  {
    PDFFileStream theStream;
    ASSERT_TRUE(theStream.Open(Wide(thePath).c_str()));
    EXPECT_TRUE(theStream.WriteText("new"));
    EXPECT_EQ(theStream.GetPosition(), 3u);
    EXPECT_EQ(theStream.GetLength(), 3u);
    EXPECT_EQ(theStream.Get(), -1);  // write-only
  }
  EXPECT_EQ(ReadFile(thePath), "new");
  // Create-new mode refuses an existing file.
  PDFFileStream theNew(PDFFileStream::kModeCreateNew);
  EXPECT_FALSE(theNew.Open(Wide(thePath).c_str()));
  EXPECT_FALSE(theNew.IsOpen());
  EXPECT_FALSE(theNew.WriteText("x"));
  // A folder that does not exist cannot be opened.
  PDFFileStream theMissing;
  EXPECT_FALSE(theMissing.Open(Wide(ScratchPath("no/such/folder/x.pdf")).c_str()));
}

TEST(PDFFileStreamTest, BufferedWritesAndStraightThrough) {
  const std::string thePath = ScratchPath("buffered.bin");
  std::string theExpected;
  {
    PDFBufferedFileStream theStream;
    ASSERT_TRUE(theStream.Open(Wide(thePath).c_str()));
    // 70000 bytes with nothing buffered go straight to the file.
    const std::string theBig(70000, 'B');
    ASSERT_TRUE(theStream.Write(theBig.data(), 70000));
    EXPECT_EQ(theStream.GetBufferedCount(), 0u);
    EXPECT_EQ(theStream.GetPosition(), 70000u);
    theExpected += theBig;
    // Small writes stay in the buffer until it would overflow.
    theStream.WriteText("abc");
    EXPECT_EQ(theStream.GetBufferedCount(), 3u);
    EXPECT_EQ(theStream.GetPosition(), 70003u);
    theExpected += "abc";
    const std::string theChunk(65535, 'c');
    theStream.Write(theChunk.data(), 65535);  // flushes the 3 bytes, then buffers
    EXPECT_EQ(theStream.GetBufferedCount(), 65535u);
    theExpected += theChunk;
    // A large write after buffered bytes flushes them first, keeping the order.
    theStream.Write(theBig.data(), 70000);
    EXPECT_EQ(theStream.GetBufferedCount(), 0u);
    theExpected += theBig;
    theStream.Put('!');
    theExpected += "!";
  }  // destruction flushes and closes
  EXPECT_EQ(ReadFile(thePath), theExpected);
}

TEST(PDFMappedFileStreamTest, ErrorsAndReading) {
  PDFMappedFileStream theStream;
  EXPECT_NE(theStream.Open(Wide(ScratchPath("does-not-exist.pdf")).c_str()), 0);
  EXPECT_STREQ(theStream.GetErrorText(), "Unable to read file.");

  const std::string theEmpty = ScratchPath("empty.pdf");
  pdftest::WriteFile(theEmpty, "");
  EXPECT_NE(theStream.Open(Wide(theEmpty).c_str()), 0);
  EXPECT_STREQ(theStream.GetErrorText(), "File is empty.");
  EXPECT_EQ(theStream.GetData(), nullptr);
  EXPECT_EQ(theStream.GetLength(), 0u);

  EXPECT_NE(theStream.MapHandle(INVALID_HANDLE_VALUE), 0);
  EXPECT_STREQ(theStream.GetErrorText(), "File handle invalid.");

  const std::string theFull = ScratchPath("mapped.pdf");
  pdftest::WriteFile(theFull, "%PDF-1.1 mapped");
  ASSERT_EQ(theStream.Open(Wide(theFull).c_str()), 0);
  EXPECT_STREQ(theStream.GetErrorText(), "");
  EXPECT_EQ(theStream.GetLength(), 15u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(theStream.GetData()), 15), "%PDF-1.1 mapped");
  EXPECT_EQ(theStream.Get(), '%');
  char theBuffer[32] = {};
  EXPECT_EQ(theStream.Read(theBuffer, sizeof(theBuffer)), 14u);
  EXPECT_EQ(theStream.Peek(), -1);
  EXPECT_EQ(theStream.Get(), -1);
  EXPECT_FALSE(theStream.Write("x", 1));
  // A failed open closes what was open before.
  EXPECT_NE(theStream.Open(Wide(theEmpty).c_str()), 0);
  EXPECT_EQ(theStream.GetData(), nullptr);
}

TEST(PDFDeflateTest, ProducesTheZlibFormat) {
  std::vector<uint8_t> theSource;
  for (int i = 0; i < 100000; ++i) theSource.push_back(static_cast<uint8_t>((i * 7) % 13));
  std::vector<uint8_t> theCompressed;
  ASSERT_TRUE(PDFDeflate::Compress(theSource, theCompressed));
  ASSERT_GE(theCompressed.size(), 6u);
  EXPECT_EQ(theCompressed[0], 0x78);  // zlib header, default level
  EXPECT_EQ(theCompressed[1], 0x9C);
  EXPECT_LT(theCompressed.size(), theSource.size() / 10);
  std::vector<uint8_t> theRestored(theSource.size());
  uLongf theLength = theRestored.size();
  ASSERT_EQ(uncompress(theRestored.data(), &theLength, theCompressed.data(), theCompressed.size()), Z_OK);
  EXPECT_EQ(theLength, theSource.size());
  EXPECT_EQ(theRestored, theSource);
  // Incompressible and empty data still fit.
  std::vector<uint8_t> theNoise(5000);
  uint32_t theState = 12345;
  for (auto& theByte : theNoise) theByte = static_cast<uint8_t>((theState = theState * 1103515245 + 12345) >> 24);
  EXPECT_TRUE(PDFDeflate::Compress(theNoise, theCompressed));
  EXPECT_TRUE(PDFDeflate::Compress({}, theCompressed));
  EXPECT_FALSE(theCompressed.empty());
}

}  // namespace
