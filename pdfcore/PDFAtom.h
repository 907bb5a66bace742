// A PDF value ("atom"), one of nine kinds. Containers own their children: an array or dictionary
// deletes its elements with itself, a stream owns its dictionary and data. Atoms are handed to
// containers as std::unique_ptr, so ownership moves with them.
//
// Nesting is bounded: writing, copying and the reference walks go at most kMaxDepth levels deep,
// and destroying a tree takes no stack however deep it is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PDFStream;

class PDFAtom {
 public:
  // Kind codes.
  static constexpr int32_t kBool = 0;
  static constexpr int32_t kNumber = 1;
  static constexpr int32_t kString = 2;
  static constexpr int32_t kName = 3;
  static constexpr int32_t kArray = 4;
  static constexpr int32_t kDict = 5;
  static constexpr int32_t kStream = 6;
  static constexpr int32_t kNull = 7;
  static constexpr int32_t kRef = 8;

  // Deepest nesting of arrays, dictionaries and streams that is written, copied or walked. A
  // deeper value is written as null and left out of copies.
  static constexpr int kMaxDepth = 256;

  explicit PDFAtom(int32_t inKind) : mKind(inKind) {}
  PDFAtom(const PDFAtom&) = delete;
  PDFAtom& operator=(const PDFAtom&) = delete;
  virtual ~PDFAtom() = default;

  int32_t GetKind() const { return mKind; }

  // Appends the PDF text form to ioStream.
  void Write(PDFStream& ioStream) const { WriteNested(ioStream, 0); }
  // The text form as a string.
  std::string ToText() const;

  // Deep copy; null for a missing atom (an assertion) and for one nested too deep.
  static std::unique_ptr<PDFAtom> Clone(const PDFAtom* inAtom);

  static bool IsBool(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kBool; }
  static bool IsNumber(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kNumber; }
  static bool IsString(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kString; }
  static bool IsName(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kName; }
  static bool IsArray(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kArray; }
  static bool IsDict(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kDict; }
  static bool IsStream(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kStream; }
  static bool IsNull(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kNull; }
  static bool IsRef(const PDFAtom* inAtom) { return inAtom && inAtom->mKind == kRef; }
  static bool IsContainer(const PDFAtom* inAtom) {
    return inAtom && (inAtom->mKind == kArray || inAtom->mKind == kDict || inAtom->mKind == kStream);
  }

  // The text form at nesting level inDepth (0 for a value that stands alone).
  virtual void WriteNested(PDFStream& ioStream, int inDepth) const = 0;
  // The copy at nesting level inDepth; null when it cannot be made.
  virtual std::unique_ptr<PDFAtom> CloneNested(int inDepth) const = 0;
  // Moves every child into outChildren, leaving this atom empty. Lets trees be destroyed
  // without recursion.
  virtual void TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) { (void)outChildren; }

 protected:
  // Destroys inChildren and all their descendants one by one, using heap, not stack.
  static void DestroyTree(std::vector<std::unique_ptr<PDFAtom>>& ioChildren);

 private:
  const int32_t mKind;
};
