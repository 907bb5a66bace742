// An array of owned atoms. Its text form puts the first five elements on one line and each
// later element at the start of a line of its own: "[ 1 2 3 ]".
#pragma once

#include <vector>

#include "pdfcore/PDFAtom.h"

class PDFArrayAtom : public PDFAtom {
 public:
  // Elements at this index and later start their own line.
  static constexpr size_t kElementsOnFirstLine = 5;

  PDFArrayAtom() : PDFAtom(kArray) {}
  ~PDFArrayAtom() override;

  // Deletes every element.
  void Clear();
  // Takes ownership; a missing atom is an assertion failure and is not entered.
  void Append(std::unique_ptr<PDFAtom> inAtom);
  // An index past the end appends.
  void Insert(size_t inIndex, std::unique_ptr<PDFAtom> inAtom);
  // Null outside 0 to count-1.
  PDFAtom* Get(size_t inIndex) const;
  // Deletes the element and closes the gap; nothing outside the range.
  void Remove(size_t inIndex);
  size_t GetCount() const { return mItems.size(); }

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;
  void TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) override;

 private:
  std::vector<std::unique_ptr<PDFAtom>> mItems;
};
