// A stream: a dictionary plus a block of data bytes. Setting the data through the stream keeps
// the dictionary's "Length" equal to the byte count.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pdfcore/PDFAtom.h"
#include "pdfcore/PDFDictAtom.h"

class PDFStreamAtom : public PDFAtom {
 public:
  PDFStreamAtom() : PDFAtom(kStream) {}
  ~PDFStreamAtom() override;

  // Replaces (deletes) the previous dictionary.
  void SetDict(std::unique_ptr<PDFDictAtom> inDict);
  // Asserts that there is one; null when there is none.
  PDFDictAtom* GetDict() const;
  // The dictionary or null, without an assertion.
  PDFDictAtom* FindDict() const { return mDict.get(); }
  // Copies inLen bytes from inData (a non-zero count needs data: an assertion failure otherwise,
  // and nothing changes), creates an empty dictionary when there is none and sets its "Length".
  void SetData(const void* inData, uint32_t inLen);
  // The same, adopting the caller's bytes.
  void SetData(std::vector<uint8_t>&& inData);
  std::span<const uint8_t> GetData() const { return mData; }
  // Deletes the dictionary and the data.
  void Release();

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;
  void TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) override;

 private:
  void SyncLength();

  std::unique_ptr<PDFDictAtom> mDict;
  std::vector<uint8_t> mData;
};
