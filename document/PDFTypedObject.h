// The common frame of the document model's typed objects: an indirect object with content that
// resolves references through its table (a bounded number of steps) and answers the information
// keys every object shares.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pdfcore/PDFAtom.h"
#include "pdfcore/PDFContentObject.h"

class PDFDictAtom;
class PDFStream;

class PDFTypedObject : public PDFContentObject {
 public:
  // A chain of references is followed at most this many steps; what lies further counts as missing.
  static constexpr int kMaxReferenceSteps = 20;

  PDFTypedObject(PDFSoup* inSoup, uint32_t inID, uint32_t inType, std::unique_ptr<PDFAtom> inAtom,
                 uint32_t inGeneration);

  // Follows inAtom through references in inSoup; null when a reference names no active object
  // with content, or the chain is longer than kMaxReferenceSteps.
  static PDFAtom* Resolve(PDFSoup* inSoup, PDFAtom* inAtom);
  // The active object that inAtom (a reference, possibly through further references held as whole
  // object contents) names; null when there is none.
  static PDFObject* ResolveObject(PDFSoup* inSoup, const PDFAtom* inAtom);
  // The dictionary that inAtom resolves to (a stream's dictionary for a stream); null otherwise.
  static PDFDictAtom* ResolveDict(PDFSoup* inSoup, PDFAtom* inAtom);

  // Information every object answers: "/Key" (the entry's text form), "value" (the whole
  // content), "id", "active" and "type". Writes nothing for any other key.
  static void WriteCommonInfo(const PDFObject& inObj, std::string_view inKey, PDFStream& ioStream);

  PDFAtom* Resolve(PDFAtom* inAtom) const { return Resolve(mSoup, inAtom); }
  PDFDictAtom* ResolveDict(PDFAtom* inAtom) const { return ResolveDict(mSoup, inAtom); }

  // The common information; typed objects answer their own keys first.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;

 protected:
  // Reports the assertion "PDFAtom::IsDict(mAtom)" when the content is not a dictionary.
  void AssertDict() const;
  // The content made sure to be a dictionary (a new, empty one replacing anything else).
  PDFDictAtom& EnsureDict();
};

// Reads a key of the form "<prefix><suffix>" where the suffix is "count" or a decimal number as
// "%ld" scans it (leading blanks, a sign, digits; anything after them ignored).
struct PDFIndexedKey {
  enum class Kind { kNone, kCount, kNumber };
  static PDFIndexedKey Parse(std::string_view inKey, std::string_view inPrefix);

  Kind kind = Kind::kNone;
  int64_t number = 0;
};
