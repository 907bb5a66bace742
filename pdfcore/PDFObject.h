// The base of every indirect object of a document: identity, generation, liveness, the offset
// of its last write and its cross-reference entry. Typed objects derive from it; the object
// with content (PDFContentObject) adds the value it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PDFAtom;
class PDFStream;

// A four-character type tag as a 32-bit integer, its first character in the highest byte.
constexpr uint32_t PDFTypeTag(const char (&inText)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(inText[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(inText[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(inText[2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(inText[3]));
}

inline constexpr uint32_t kTypePlaceholder = PDFTypeTag("plac");
inline constexpr uint32_t kTypeEmpty = PDFTypeTag("empt");
inline constexpr uint32_t kTypeTrailer = PDFTypeTag("trlr");
inline constexpr uint32_t kTypeCatalog = PDFTypeTag("cata");
inline constexpr uint32_t kTypePages = PDFTypeTag("pags");
inline constexpr uint32_t kTypePage = PDFTypeTag("page");
inline constexpr uint32_t kTypeOutlines = PDFTypeTag("outl");
inline constexpr uint32_t kTypeBookmark = PDFTypeTag("book");
inline constexpr uint32_t kTypeFont = PDFTypeTag("font");
inline constexpr uint32_t kTypeFontDescriptor = PDFTypeTag("fnds");
inline constexpr uint32_t kTypeFontEmbedded = PDFTypeTag("fnem");
inline constexpr uint32_t kTypeImagePlacement = PDFTypeTag("imag");
inline constexpr uint32_t kTypeImage = PDFTypeTag("jpeg");
inline constexpr uint32_t kTypeStream = PDFTypeTag("strm");
inline constexpr uint32_t kTypeLine = PDFTypeTag("line");
inline constexpr uint32_t kTypeRect = PDFTypeTag("rect");
inline constexpr uint32_t kTypeText = PDFTypeTag("text");

// The four characters of a tag, first character first.
std::string PDFTypeText(uint32_t inType);

class PDFObject {
 public:
  // The ID the trailer carries.
  static constexpr uint32_t kTrailerID = 0xFFFFFFFF;
  // Generations are written with five digits.
  static constexpr uint32_t kMaxWrittenGeneration = 99999;

  PDFObject(uint32_t inID, uint32_t inType, uint32_t inGeneration = 0);
  PDFObject(const PDFObject&) = delete;
  PDFObject& operator=(const PDFObject&) = delete;
  virtual ~PDFObject() = default;

  uint32_t GetID() const { return mID; }
  uint32_t GetType() const { return mType; }
  uint32_t GetMinVersion() const { return mMinVersion; }
  void SetMinVersion(uint32_t inVersion) { mMinVersion = inVersion; }
  uint32_t GetGeneration() const { return mGeneration; }
  bool GetCanDelete() const { return mCanDelete != 0; }
  void SetCanDelete(bool inCanDelete) { mCanDelete = inCanDelete ? 1 : 0; }
  bool GetActive() const { return mActive != 0; }
  uint32_t GetOffset() const { return mOffset; }
  uint32_t GetNextFree() const { return mNextFree; }
  void SetNextFree(uint32_t inID) { mNextFree = inID; }

  // Content hooks; an object without content has no values (0, empty, nothing done).
  virtual PDFAtom* GetAtom() const { return nullptr; }
  virtual PDFAtom* GetValue(std::string_view inKey) const;
  virtual void RemoveKey(std::string_view inKey);
  virtual std::string GetNameValue(std::string_view inKey) const;
  virtual std::string GetStringValue(std::string_view inKey) const;
  virtual uint32_t GetRefValue(std::string_view inKey) const;
  virtual int32_t GetIntegerValue(std::string_view inKey) const;
  virtual void SetStringValue(std::string_view inKey, std::string_view inText);
  virtual void SetRefValue(std::string_view inKey, uint32_t inID);
  virtual void SetIntegerValue(std::string_view inKey, int32_t inValue);

  // Sets the mark. An object with content, when not yet marked, also appends to ioPending the
  // IDs its content references, so that the table can mark everything reachable without
  // recursion (PDFSoup::MarkFrom).
  virtual void Mark(std::vector<uint32_t>& ioPending);
  bool GetMark() const { return mMark != 0; }
  void SetMark(bool inMark) { mMark = inMark ? 1 : 0; }

  // "Item <id> Type '<tag>'".
  std::string Describe() const;
  // "id", "active" and "type" write the ID, the active flag and the tag; other names nothing.
  virtual void GetProperty(std::string_view inName, PDFStream& ioStream) const;
  virtual void SetProperty(std::string_view inName, std::string_view inValue);

  // Marks the object deleted: inactive, generation raised by one; returns the new generation.
  // An inactive or undeletable object is left alone and 0 returned.
  virtual uint32_t Delete();
  // Deletes this object and the objects that belong only to it.
  virtual uint32_t DeleteWithDependants() { return Delete(); }

  // Records the stream position as the offset and, when active, writes the body.
  virtual void Write(PDFStream& ioStream);
  // The 20-byte cross-reference entry.
  virtual void WriteXrefEntry(PDFStream& ioStream);
  // A replacement for this object (a parsed typed object for a placeholder), or none.
  virtual std::unique_ptr<PDFObject> Materialize() { return nullptr; }
  // Removes references to objects that no longer exist; returns how many were removed.
  virtual uint32_t TidyReferences() { return 0; }
  // The table's tidy epoch at this object's last tidy (0: never tidied). Content that gains a
  // reference to an ID that may name nothing live calls ForgetTidied, so the next Load tidies it.
  uint64_t GetTidiedAt() const { return mTidiedAt; }
  void SetTidiedAt(uint64_t inEpoch) { mTidiedAt = inEpoch; }
  void ForgetTidied() { mTidiedAt = 0; }
  // Takes the larger minimum version, and the offset, deletability and next free ID of inOther.
  void TakeOver(const PDFObject& inOther);
  // The object's text as written into a file (debug aid).
  std::string DebugText();

 protected:
  virtual void WriteBody(PDFStream& ioStream) = 0;

  uint32_t mID;
  uint32_t mType;
  uint32_t mMinVersion = 1;
  uint32_t mOffset = 0;
  uint32_t mGeneration;
  int32_t mCanDelete = 1;
  int32_t mActive = 1;
  int32_t mMark = 0;
  uint32_t mNextFree = 0;
  uint64_t mTidiedAt = 0;
};
