// A PDF document: its object table and the writer that serialises it whole — header, body of
// indirect objects, one cross-reference section, trailer and "startxref". Every save is a full
// rewrite; a document may be written any number of times.
#pragma once

#include <cstdint>
#include <memory>
#include <random>

#include "pdfcore/PDFSoup.h"

class PDFStream;

class PDFDoc {
 public:
  // Clean-up passes over the table stop after this many, or after one that removed nothing.
  static constexpr int kMaxTidyPasses = 20;
  // Bytes of the fresh second "ID" string written on each save.
  static constexpr int kIDLength = 16;

  // An empty document: the free entry 0 and a trailer /Root 0 0 R.
  PDFDoc();
  virtual ~PDFDoc();

  uint32_t NewID() { return mSoup->NewID(); }
  PDFSoup& GetSoup() { return *mSoup; }
  // Takes a table read from a file, with a new free entry 0; clears both flags.
  void AdoptSoup(std::unique_ptr<PDFSoup> inSoup);

  // Serialises the whole document into ioStream.
  void Write(PDFStream& ioStream);

  // The steps of Write, in their order.
  // Repeats the tidy-references walk over all objects until a pass removes nothing (at most
  // kMaxTidyPasses); returns the number of passes run.
  int TidyPasses();
  // Deletes every active object that the trailer no longer reaches.
  void Sweep();
  void FillFreeEntries();
  void LinkFreeList();
  void WriteHeader(PDFStream& ioStream);
  void WriteBody(PDFStream& ioStream);
  void WriteXref(PDFStream& ioStream);
  void WriteTrailer(PDFStream& ioStream);
  void WriteStartXref(PDFStream& ioStream);

  // Deletes an active, deletable object with its dependants; on the first deletion every object
  // of a read document is loaded. Returns whether an object was deleted.
  bool DeleteObject(uint32_t inID);
  // The object with that ID (asserting that it exists and is active).
  PDFObject* GetObject(uint32_t inID);
  uint32_t GetRootID() const { return mSoup->GetRootID(); }

  uint32_t GetOffsetXREF() const { return mOffsetXREF; }
  bool GetLoadedAll() const { return mLoadedAll != 0; }
  bool GetDeleted() const { return mDeleted != 0; }

 private:
  PDFTrailer& EnsureTrailer();
  // Loads every object when a save asked for it.
  void ParsePending();

  std::unique_ptr<PDFSoup> mSoup;
  uint32_t mOffsetXREF = 0;
  int32_t mLoadedAll = 1;
  // A save has passed the point from which the document counts as fully parsed; the parse runs
  // before the next write or deletion (ParsePending).
  bool mParsePending = false;
  int32_t mDeleted = 0;
  // Source of the trailer ID bytes; seeded once per document, so nothing is shared between
  // documents or threads.
  std::minstd_rand mRandom;
};
