// A literal string. Text the library sets ends at its first zero byte; bytes read from PDF text
// are kept whole, zero bytes included (UTF-16 text starts FE FF and holds many). Its text form
// escapes every byte outside a fixed set of printable ASCII characters and breaks long strings
// with line continuations about every 100 bytes.
#pragma once

#include <string>
#include <string_view>

#include "pdfcore/PDFAtom.h"

class PDFStringAtom : public PDFAtom {
 public:
  // Bytes of string text between two line continuations, at most (plus the escape of one byte).
  static constexpr uint32_t kContinuationSpan = 100;

  PDFStringAtom() : PDFAtom(kString) {}
  explicit PDFStringAtom(std::string_view inText) : PDFAtom(kString) { SetText(inText); }

  // Keeps the text up to its first zero byte.
  void SetText(std::string_view inText);
  // Keeps every byte, zero bytes included: the bytes of a string read from PDF text.
  void SetBytes(std::string_view inBytes) { mText.assign(inBytes); }
  const std::string& GetText() const { return mText; }

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;

 private:
  std::string mText;
};
