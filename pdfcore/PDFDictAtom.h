// A dictionary: owned values under byte-string keys (without "/"), kept in byte-wise key order
// (a key that is a prefix of another comes first). Iteration, the index operations and the text
// form all follow that order, never the order of insertion.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "pdfcore/PDFAtom.h"

class PDFNameAtom;

class PDFDictAtom : public PDFAtom {
 public:
  // std::string compares its bytes as unsigned char, which is the byte-wise order wanted here.
  using Map = std::map<std::string, std::unique_ptr<PDFAtom>, std::less<>>;

  PDFDictAtom() : PDFAtom(kDict) {}
  ~PDFDictAtom() override;

  const Map& GetMap() const { return mMap; }
  // Stores inValue under inKey, deleting any value already there. A missing value is an
  // assertion failure and changes nothing.
  void Set(std::string_view inKey, std::unique_ptr<PDFAtom> inValue);
  // The same with a name atom as key (consumed).
  void Set(std::unique_ptr<PDFNameAtom> inKey, std::unique_ptr<PDFAtom> inValue);
  // In key order; null out of range.
  PDFAtom* GetAt(size_t inIndex) const;
  // Null when absent.
  PDFAtom* Get(std::string_view inKey) const;
  // With a name atom as key; asserts that it is a name.
  PDFAtom* Get(const PDFAtom* inKey) const;
  // Removes the entry and hands its value to the caller; null when absent.
  std::unique_ptr<PDFAtom> Detach(std::string_view inKey);
  size_t GetCount() const { return mMap.size(); }
  // The key at inIndex in key order; null out of range.
  const std::string* GetKeyAt(size_t inIndex) const;
  // Removes the entry and deletes its value.
  void Remove(std::string_view inKey);
  void RemoveAt(size_t inIndex);
  void Clear();

  // Shorthands that Set a new number, name, string or reference.
  void SetInteger(std::string_view inKey, int32_t inValue);
  void SetReal(std::string_view inKey, double inValue);
  void SetName(std::string_view inKey, std::string_view inName);
  void SetString(std::string_view inKey, std::string_view inText);
  void SetRef(std::string_view inKey, uint32_t inID, uint32_t inGeneration = 0);

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;
  void TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) override;

 private:
  void Erase(Map::iterator inWhere);

  Map mMap;
};
