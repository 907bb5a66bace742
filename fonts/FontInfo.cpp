#include "fonts/FontInfo.h"

#include <windows.h>
#include <stringapiset.h>

#include "fonts/StandardFont.h"
#include "fonts/TrueType.h"
#include "runtime/FileUtilities.h"

namespace {

// The code page of the 8-bit paths that the file calls take and the folder walk hands out: the
// ANSI (or OEM) code page of the file calls on Windows, UTF-8 on this platform. Converting a path
// with any other code page would turn every name outside ASCII into a file that does not exist.
UINT FileNameCodePage() {
#ifdef _WIN32
  return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
#else
  return CP_UTF8;
#endif
}

LONG AddFoundFile(const char* inPath, void* inContext) {
  static_cast<FontInfo*>(inContext)->AddFontFile(ToWide(FileNameCodePage(), inPath));
  return 0;  // the walk always goes on
}

bool SameIgnoringCase(std::u16string_view inA, std::string_view inB) {
  if (inA.size() != inB.size()) return false;
  for (size_t i = 0; i < inA.size(); ++i) {
    char16_t theA = inA[i];
    char theB = inB[i];
    if (theA >= u'a' && theA <= u'z') theA = static_cast<char16_t>(theA - 32);
    if (theB >= 'a' && theB <= 'z') theB = static_cast<char>(theB - 32);
    if (theA != static_cast<char16_t>(theB)) return false;
  }
  return true;
}

}  // namespace

FontInfo::FontInfo(const std::string& inFolder) : mPendingFolder(inFolder) { RegisterStandardFonts(); }

FontInfo::~FontInfo() { Clear(); }

void FontInfo::ReadFolder() const {
  std::call_once(mFolderRead, [this] {
    // The folder is part of the registry's construction; reading it later changes nothing a
    // caller could see but the time it is done at.
    auto* theRegistry = const_cast<FontInfo*>(this);
    if (!theRegistry->mPendingFolder.empty()) theRegistry->ScanFolder(theRegistry->mPendingFolder);
    theRegistry->mPendingFolder.clear();
  });
}

size_t FontInfo::Count() const {
  ReadFolder();
  return mList.size();
}

FontInfo& FontInfo::Get() {
  // Built on the first call; the language makes this initialisation thread-safe.
  static FontInfo theRegistry(SystemFontFolder());
  return theRegistry;
}

std::string FontInfo::SystemFontFolder() {
#ifdef _WIN32
  char theFolder[MAX_PATH] = {};
  const DWORD theLength = ExpandEnvironmentStringsA("%SystemRoot%\\Fonts\\", theFolder, MAX_PATH);
  return theLength > 0 && theLength <= MAX_PATH ? std::string(theFolder) : std::string();
#else
  return "/usr/share/fonts/";
#endif
}

std::string FontInfo::Normalize(std::string_view inName) {
  std::string theResult;
  const size_t theCount = inName.size() < kMaxNameLength ? inName.size() : kMaxNameLength;
  for (size_t i = 0; i < theCount; ++i) {
    const char theChar = inName[i];
    if (theChar == ' ' || theChar == '-') continue;
    theResult.push_back(theChar >= 'A' && theChar <= 'Z' ? static_cast<char>(theChar + 32) : theChar);
  }
  return theResult;
}

void FontInfo::Clear() {
  std::call_once(mFolderRead, [] {});  // a folder not read yet never will be: the registry stays empty
  mStandard.clear();
  mMap.clear();
  mList.clear();
}

void FontInfo::RegisterStandardFonts() {
  for (int32_t theIndex = 0; const char* theName = StandardFontName(theIndex); ++theIndex) {
    auto theFont = std::make_unique<StandardFont>();
    theFont->SelectByName(theName);
    BaseFont* theAdded = AddToList(std::move(theFont));
    AddName(theAdded->GetName(), theAdded);
    mStandard.emplace(Normalize(theAdded->GetName()), theAdded);
  }
}

void FontInfo::ScanFolder(const std::string& inFolder) {
  WalkFiles(inFolder.c_str(), AddFoundFile, 0, kMaxFolderDepth, this);
}

void FontInfo::AddFontFile(const std::u16string& inPath) {
  // The extension of the file name (a full stop in a folder name does not count).
  const std::u16string_view theExtension(ExtensionPart(FileNamePart(reinterpret_cast<const WCHAR*>(inPath.c_str()))));
  if (!theExtension.empty() && !SameIgnoringCase(theExtension, "TTF") && !SameIgnoringCase(theExtension, "OTF") &&
      !SameIgnoringCase(theExtension, "TTC"))
    return;
  for (int32_t i = 0;; ++i) {
    auto theFont = std::make_unique<TrueType>();
    theFont->SetFile(inPath, i);
    if (!theFont->LightLoad()) return;
    const int32_t theCount = theFont->GetFontCount();
    BaseFont* theAdded = AddToList(std::move(theFont));
    AddName(theAdded->GetName(), theAdded);
    for (size_t n = 0; n < theAdded->NameCount(); ++n) AddName(theAdded->NameAt(n), theAdded);
    if (i + 1 >= theCount) return;
  }
}

BaseFont* FontInfo::Find(std::string_view inName) const {
  std::string theKey = Normalize(inName);
  if (theKey.empty()) theKey = Normalize(StandardFontName(0));
  if (const auto theStandard = mStandard.find(theKey); theStandard != mStandard.end()) return theStandard->second;
  ReadFolder();
  const auto theFound = mMap.find(theKey);
  return theFound == mMap.end() ? nullptr : theFound->second;
}

BaseFont* FontInfo::FontAt(size_t inIndex) const {
  ReadFolder();
  if (mList.empty()) return nullptr;
  return inIndex < mList.size() ? mList[inIndex].get() : mList.back().get();
}

BaseFont* FontInfo::FindByNameOrNumber(std::string_view inName) const {
  if (BaseFont* theFont = Find(inName)) return theFont;
  ReadFolder();  // Find has read it unless the name was empty
  // "%ld": optional leading whitespace and sign, then at least one digit.
  size_t i = 0;
  while (i < inName.size() && (inName[i] == ' ' || (inName[i] >= '\t' && inName[i] <= '\r'))) ++i;
  bool theNegative = false;
  if (i < inName.size() && (inName[i] == '+' || inName[i] == '-')) theNegative = inName[i++] == '-';
  if (i >= inName.size() || inName[i] < '0' || inName[i] > '9') return nullptr;
  uint64_t theValue = 0;
  for (; i < inName.size() && inName[i] >= '0' && inName[i] <= '9'; ++i) {
    theValue = theValue * 10 + static_cast<uint64_t>(inName[i] - '0');
    if (theValue > mList.size()) break;  // already too large
  }
  if (theNegative && theValue != 0) return nullptr;
  return theValue < mList.size() ? mList[theValue].get() : nullptr;
}

bool FontInfo::AddName(std::string_view inName, BaseFont* inFont) {
  std::string theKey = Normalize(inName);
  if (theKey.empty() || inFont == nullptr) return false;
  return mMap.emplace(std::move(theKey), inFont).second;
}

BaseFont* FontInfo::AddToList(std::unique_ptr<BaseFont> inFont) {
  mList.push_back(std::move(inFont));
  return mList.back().get();
}
