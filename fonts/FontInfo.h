// The font registry: every font a document can use, the fourteen standard fonts first, then every
// font file found in the system font folder. It maps normalised names to fonts (the first
// registration of a name wins) and owns the fonts in the order they were registered.
//
// The process-wide registry (Get) is built once, on first use, thread-safely, and only read
// afterwards. Other registries can be built over any folder (tests do).
//
// The font folder is read when something first needs it: a name that is not a standard font, a
// number, the count or the list. A standard font can never be displaced by a file, so finding one
// gives the same font before the folder is read as after, and a document that uses only standard
// fonts never pays for reading every font file of the system.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class BaseFont;

class FontInfo {
 public:
  // Names are examined up to this many characters when normalised.
  static constexpr size_t kMaxNameLength = 250;
  // The folder walk visits the font folder and two levels of subfolders.
  static constexpr long kMaxFolderDepth = 3;

  // The standard fonts, then the fonts of inFolder (none when it is empty), read when first needed.
  explicit FontInfo(const std::string& inFolder);
  FontInfo(const FontInfo&) = delete;
  FontInfo& operator=(const FontInfo&) = delete;
  ~FontInfo();

  // The registry of the process, built on the first call over the system font folder.
  static FontInfo& Get();
  // The system font folder of this platform.
  static std::string SystemFontFolder();
  // Spaces and hyphens removed, the rest in lower case (ASCII); at most kMaxNameLength
  // characters of inName are examined.
  static std::string Normalize(std::string_view inName);

  void Clear();
  void RegisterStandardFonts();
  // Reads every font file of the folder (8-bit path), maximum depth kMaxFolderDepth.
  void ScanFolder(const std::string& inFolder);
  // Reads one font file (every font of a collection); a file with an extension other than TTF,
  // OTF or TTC is skipped.
  void AddFontFile(const std::u16string& inPath);

  size_t Count() const;
  // The font registered under the normalised name (an empty name means Times-Roman), or null.
  BaseFont* Find(std::string_view inName) const;
  // Entry inIndex of the list; the last entry for an index past the end; null when empty.
  BaseFont* FontAt(size_t inIndex) const;
  // Find; failing that, a name that begins with a decimal number n with 0 <= n < Count gives
  // entry n; otherwise null.
  BaseFont* FindByNameOrNumber(std::string_view inName) const;
  // Registers inFont under the normalised name unless the name is taken; true when added.
  bool AddName(std::string_view inName, BaseFont* inFont);
  BaseFont* AddToList(std::unique_ptr<BaseFont> inFont);

 private:
  // Reads the pending font folder once; every reader of the file fonts calls it first.
  void ReadFolder() const;

  // The standard fonts' names alone: complete from construction on, never changed afterwards, so
  // it can be read while another thread reads the folder.
  std::unordered_map<std::string, BaseFont*> mStandard;
  std::unordered_map<std::string, BaseFont*> mMap;
  std::vector<std::unique_ptr<BaseFont>> mList;
  std::string mPendingFolder;
  mutable std::once_flag mFolderRead;
};
