// Turns PDF syntax read from a byte stream into atoms. The parser is forgiving: it never fails
// with an error of its own, but returns no atom, a shorter container or a default value, and
// leaves the stream position where it stopped. Callers that report errors build their text with
// ErrorText at that position.
//
// Input from files is untrusted: containers nest at most kMaxNesting deep (deeper input ends the
// value with what was read so far), every count and length is cut to the bytes present before
// anything is allocated for it, and a token is consumed whole however long it is.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "pdfcore/PDFAtom.h"

class PDFDictAtom;
class PDFNameAtom;
class PDFSoup;
class PDFStream;
class PDFStringAtom;

class PDFParser {
 public:
  // Arrays and dictionaries inside one another, at most. One level below the writer's limit, so
  // that a stream's dictionary, written one level under its stream, is still written.
  static constexpr int kMaxNesting = PDFAtom::kMaxDepth - 1;
  // Bytes of a number token that are scanned; of a reference's, boolean's, null's or keyword's.
  static constexpr size_t kNumberToken = 31;
  static constexpr size_t kWordToken = 15;
  // Bytes shown on each side of the position in an error text.
  static constexpr uint32_t kErrorContext = 32;
  // What follows a stream's data: LF and "endstream", skipped without looking at them.
  static constexpr uint32_t kStreamEndSkip = 10;

  // Character classes. Whitespace: NUL, HT, LF, FF, CR, space. Delimiters: ( ) < > [ ] / %
  // (braces are not delimiters). -1 (the end of data) is in no class.
  static bool IsWhitespace(int inByte);
  static bool IsDelimiter(int inByte);
  static bool IsHexDigit(int inByte);

  // Skips whitespace and comments, then parses one value. inContext, when given, is the object
  // table that resolves an indirect stream "Length". Null when no value starts at the position.
  static std::unique_ptr<PDFAtom> ParseAtom(PDFStream& ioStream, PDFSoup* inContext);
  // ParseAtom over the bytes of inText (a caller's text; no table is needed).
  static std::unique_ptr<PDFAtom> ParseText(std::string_view inText, PDFSoup* inContext);

  // Skips whitespace and comments (from "%" to the next CR or LF); stops before the first other
  // byte or at the end. Returns whether anything was skipped.
  static bool SkipWhitespace(PDFStream& ioStream);
  // Consumes the token at the position (the bytes up to the first whitespace, delimiter or the
  // end), however long it is, and returns its first outBuffer.size() bytes, copied into outBuffer.
  static std::string_view ReadToken(PDFStream& ioStream, std::span<char> outBuffer);
  // Searches from the position for the first occurrence of inPattern. On success the position is
  // its start and the result true; otherwise the position is the end and the result false.
  static bool FindForward(PDFStream& ioStream, std::string_view inPattern);
  // Searches backward from the smaller of the position and (length - pattern length) down to
  // offset 1 (offset 0 is never tested). The position becomes the match, or 0 when there is
  // none. A pattern longer than the data moves nothing and gives false.
  static bool FindBackward(PDFStream& ioStream, std::string_view inPattern);
  // "<message> Error at "<up to 32 bytes before>^<up to 32 bytes from the position>" at offset
  // <position>." with every byte below 32 or above 127 shown as a space. The window never reaches
  // outside the data; the position is left as it was.
  static std::string ErrorText(PDFStream& ioStream, std::string_view inMessage);

  // The kinds' own reads. A string read starts at its opening byte, which it consumes (another
  // byte there is an assertion failure).
  // A name, with or without its "/"; #xx escapes are decoded (a decoded 0 becomes a space).
  static std::unique_ptr<PDFNameAtom> ReadName(PDFStream& ioStream);
  // "(" ... ")": nested parentheses, escapes and line continuations; zero bytes are kept.
  static std::unique_ptr<PDFStringAtom> ReadLiteralString(PDFStream& ioStream);
  // "<" hexadecimal digits ">"; zero bytes are kept.
  static std::unique_ptr<PDFStringAtom> ReadHexString(PDFStream& ioStream);

 private:
  explicit PDFParser(PDFStream& ioStream) : mStream(ioStream) {}

  // Skips, dispatches on the next byte and reads the value at the current nesting level.
  std::unique_ptr<PDFAtom> ParseValue(PDFSoup* inContext);
  std::unique_ptr<PDFAtom> ReadNumber();
  std::unique_ptr<PDFAtom> ReadNumberOrReference();
  std::unique_ptr<PDFAtom> ReadBool();
  std::unique_ptr<PDFAtom> ReadNull();
  std::unique_ptr<PDFAtom> ReadArray();
  // The dictionary, or the stream it heads when "stream" follows it.
  std::unique_ptr<PDFAtom> ReadDictOrStream(PDFSoup* inContext);
  std::unique_ptr<PDFAtom> ReadStreamData(std::unique_ptr<PDFDictAtom> inDict, PDFSoup* inContext);
  // Whether another container may open here; when not, the whole value being parsed ends.
  bool EnterContainer();

  PDFStream& mStream;
  // Containers open around the position.
  int mDepth = 0;
  // Set when a container was refused for its depth: every open container ends where it is.
  bool mTooDeep = false;
};
