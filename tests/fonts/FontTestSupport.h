// Helpers of the font tests: the synthetic fonts of the fuzz corpus, real fonts of the system,
// and reading the objects a font writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fonts/TrueType.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "runtime/FileUtilities.h"

// A synthetic font made by tools/make_font_seeds.py.
inline std::string SeedPath(const std::string& inName) {
  return std::string(QUORIX_SOURCE_DIR) + "/fuzz/corpus/truetype/" + inName;
}

inline std::vector<uint8_t> ReadBytes(const std::string& inPath) {
  std::ifstream theFile(inPath, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(theFile)), std::istreambuf_iterator<char>());
}

// A font set to the file, not loaded yet.
inline std::unique_ptr<TrueType> FontOf(const std::string& inPath, int32_t inIndex = 0) {
  auto theFont = std::make_unique<TrueType>();
  theFont->SetFile(ToWide(CP_ACP, inPath.c_str()), inIndex);
  return theFont;
}

#define SKIP_UNLESS_FILE(path) \
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "not installed: " << (path)

// Reading the objects written into a document.
struct WrittenFont {
  PDFDoc* mDoc;
  uint32_t mID;

  PDFContentObject* Object(uint32_t inID) const { return dynamic_cast<PDFContentObject*>(mDoc->GetSoup().Get(inID)); }
  PDFDictAtom* Dict() const { return Object(mID)->GetDict(); }
  PDFDictAtom* Descriptor() const {
    auto* theRef = static_cast<PDFRefAtom*>(Dict()->Get("FontDescriptor"));
    return theRef ? Object(theRef->GetID())->GetDict() : nullptr;
  }
  static std::string Name(PDFDictAtom* inDict, const char* inKey) {
    auto* theAtom = inDict->Get(inKey);
    return PDFAtom::IsName(theAtom) ? static_cast<PDFNameAtom*>(theAtom)->GetName() : std::string("<none>");
  }
  static double Number(PDFDictAtom* inDict, const char* inKey) {
    auto* theAtom = inDict->Get(inKey);
    if (!PDFAtom::IsNumber(theAtom)) return -99999;
    auto* theNumber = static_cast<PDFNumberAtom*>(theAtom);
    return theNumber->IsInteger() ? theNumber->GetInteger() : theNumber->GetReal();
  }
  static std::vector<double> Numbers(PDFDictAtom* inDict, const char* inKey) {
    std::vector<double> theValues;
    auto* theArray = static_cast<PDFArrayAtom*>(inDict->Get(inKey));
    if (!PDFAtom::IsArray(theArray)) return theValues;
    for (size_t i = 0; i < theArray->GetCount(); ++i) {
      auto* theNumber = static_cast<PDFNumberAtom*>(theArray->Get(i));
      theValues.push_back(theNumber->IsInteger() ? theNumber->GetInteger() : theNumber->GetReal());
    }
    return theValues;
  }
};
