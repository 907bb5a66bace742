#include "pdfcore/PDFFreeEntry.h"

#include <windows.h>

#include "runtime/Assert.h"

PDFFreeEntry::PDFFreeEntry(uint32_t inID)
    : PDFObject(inID, kTypeEmpty, inID == 0 ? kHeadGeneration : 1) {
  mActive = 0;
  mCanDelete = 0;
  mMark = 1;
  mNextFree = 0;
}

void PDFFreeEntry::WriteXrefEntry(PDFStream& ioStream) {
  QX_ASSERT(mActive == FALSE);
  QX_ASSERT((mID > 0) || (mGeneration == 65535));
  PDFObject::WriteXrefEntry(ioStream);
}

void PDFFreeEntry::WriteBody(PDFStream&) {}
