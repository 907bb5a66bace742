// Reads the structure of an existing, unencrypted PDF file held in a byte stream into a new object
// table: the header version, the cross-reference sections from the newest back along "Prev", and
// the newest trailer. Every object in use becomes a placeholder that is parsed on first use.
//
// The file is untrusted: every offset is checked against the data before it is used, a "Prev"
// chain that comes back to a section already read ends there, and a subsection never claims more
// entries than the bytes after it can hold.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdfcore/PDFSoup.h"

class PDFDictAtom;
class PDFStream;

class PDFReader {
 public:
  // Bytes of an xref token that are looked at.
  static constexpr size_t kTokenSize = 31;
  // "%%EOF" must start within this many bytes of the end, "startxref" within this many before it:
  // room for the keyword, the largest offset (ten digits) and CR LF on both sides, with slack.
  static constexpr uint32_t kEOFWindow = 10;
  static constexpr uint32_t kStartXrefWindow = 32;
  // The shortest cross-reference entry: 10 + 1 + 5 + 1 + 1 bytes and one separator.
  static constexpr uint32_t kMinEntryBytes = 19;
  // The version of a file without a readable header ("%PDF-1.4").
  static constexpr uint32_t kDefaultVersion = 4;

  // inFactory makes the typed objects of the read table (none: every object stays a placeholder).
  explicit PDFReader(PDFSoup::ObjectFactory inFactory = nullptr);
  ~PDFReader();

  // Reads the structure of inStream, which becomes the table's loader. Returns the error text, or
  // none on success.
  std::optional<std::string> Read(std::unique_ptr<PDFStream> inStream);
  // The filled table, which the reader then forgets.
  std::unique_ptr<PDFSoup> HandOver() { return std::move(mSoup); }
  uint32_t GetVersion() const { return mVersion; }

  // Reads "<id> <generation> obj" at the position (whitespace and comments skipped first) and
  // tells whether it names the expected object; the position is then after "obj".
  static bool ReadObjectHeader(PDFStream& ioStream, uint32_t inID, uint32_t inGeneration);
  // "%ld" as a 64-bit number: an optional sign and at least one decimal digit; the digits beyond
  // the 19th are ignored. False when no digit follows the sign.
  static bool ScanNumber(std::string_view inText, int64_t& outValue);

 private:
  struct Failure {
    std::string mText;
  };

  void ReadHeader(PDFStream& ioStream);
  void ReadTrailers(PDFStream& ioStream);
  uint32_t FindXrefOffset(PDFStream& ioStream);
  void ReadXrefSection(PDFStream& ioStream, int64_t inOffset);
  std::unique_ptr<PDFDictAtom> ReadTrailer(PDFStream& ioStream);
  // Gives every placeholder the offset at which its raw copy must stop.
  void SetEndLimits(PDFStream& ioStream);
  [[noreturn]] static void Fail(PDFStream& ioStream, std::string_view inMessage);

  std::unique_ptr<PDFSoup> mSoup;
  uint32_t mVersion = kDefaultVersion;
  // IDs that a section read so far listed (in use or free): older sections do not bring them back.
  std::vector<bool> mClaimed;
  // Offsets of the cross-reference sections read, and of every object their entries name.
  std::vector<uint32_t> mSections;
  std::vector<uint32_t> mStarts;
};
