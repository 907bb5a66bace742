// A name, held without its leading "/". A name the library builds (SetName) is written as "/"
// and its bytes as they are; a name read from PDF text (SetBytes) holds the bytes its #xx escapes
// stand for and is written escaped again (WriteEscaped), so that it reads back as the same bytes.
// A name of any length is written whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pdfcore/PDFAtom.h"

class PDFNameAtom : public PDFAtom {
 public:
  PDFNameAtom() : PDFAtom(kName) {}
  explicit PDFNameAtom(std::string_view inName) : PDFAtom(kName) { SetName(inName); }

  // The name without "/"; a leading "/" is an assertion failure and is dropped. The name ends
  // at its first zero byte.
  void SetName(std::string_view inName);
  const std::string& GetName() const { return mName; }
  // The decoded bytes of a name read from PDF text, kept as they are; the name is then written
  // escaped.
  void SetBytes(std::string_view inBytes);
  bool GetEscaped() const { return mEscaped; }

  // Regular name characters: printable ASCII (0x21 to 0x7E) other than the delimiters
  // ( ) < > [ ] { } / % and "#". Braces end a name for other readers, so they are escaped too.
  static bool IsRegular(uint8_t inByte);
  // "/" and inName, every byte that is not a regular name character written as "#" and two
  // upper-case hexadecimal digits ("A B" is /A#20B, "#" is #23).
  static void WriteEscaped(PDFStream& ioStream, std::string_view inName);

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;

 private:
  std::string mName;
  bool mEscaped = false;
};
