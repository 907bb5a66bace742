#include "pdfcore/PDFObject.h"

#include <windows.h>

#include "pdfcore/PDFMemoryStream.h"
#include "runtime/Assert.h"

std::string PDFTypeText(uint32_t inType) {
  std::string theText(4, ' ');
  for (int i = 0; i < 4; ++i) theText[i] = static_cast<char>((inType >> (24 - 8 * i)) & 0xFF);
  return theText;
}

PDFObject::PDFObject(uint32_t inID, uint32_t inType, uint32_t inGeneration)
    : mID(inID), mType(inType), mGeneration(inGeneration) {}

PDFAtom* PDFObject::GetValue(std::string_view) const { return nullptr; }
void PDFObject::RemoveKey(std::string_view) {}
std::string PDFObject::GetNameValue(std::string_view) const { return {}; }
std::string PDFObject::GetStringValue(std::string_view) const { return {}; }
uint32_t PDFObject::GetRefValue(std::string_view) const { return 0; }
int32_t PDFObject::GetIntegerValue(std::string_view) const { return 0; }
void PDFObject::SetStringValue(std::string_view, std::string_view) {}
void PDFObject::SetRefValue(std::string_view, uint32_t) {}
void PDFObject::SetIntegerValue(std::string_view, int32_t) {}

void PDFObject::Mark(std::vector<uint32_t>&) { mMark = 1; }

std::string PDFObject::Describe() const {
  // IDs are written as signed 32-bit numbers, as scripts see them: the trailer is -1.
  return "Item " + std::to_string(static_cast<int32_t>(mID)) + " Type '" + PDFTypeText(mType) + "'";
}

void PDFObject::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  if (inName == "id")
    ioStream.WriteInteger(static_cast<int32_t>(mID));
  else if (inName == "active")
    ioStream.WriteInteger(mActive);
  else if (inName == "type")
    ioStream.WriteText(PDFTypeText(mType));
}

void PDFObject::SetProperty(std::string_view, std::string_view) {}

uint32_t PDFObject::Delete() {
  QX_ASSERT(mCanDelete);
  if (!mCanDelete || !mActive) return 0;
  mActive = 0;
  ++mGeneration;
  return mGeneration;
}

void PDFObject::Write(PDFStream& ioStream) {
  mOffset = ioStream.GetPosition();
  if (mActive) WriteBody(ioStream);
}

void PDFObject::WriteXrefEntry(PDFStream& ioStream) {
  QX_ASSERT(mOffset > 0);
  // "%010ld %05ld n\r\n" for objects in use, "%010ld %05ld f\r\n" with the next free ID for
  // free ones: always 20 bytes.
  const uint32_t theGeneration =
      mGeneration > kMaxWrittenGeneration ? kMaxWrittenGeneration : mGeneration;
  char theEntry[20];
  uint32_t theFirst = mActive ? mOffset : mNextFree;
  for (int i = 9; i >= 0; --i) {
    theEntry[i] = static_cast<char>('0' + theFirst % 10);
    theFirst /= 10;
  }
  theEntry[10] = ' ';
  uint32_t theSecond = theGeneration;
  for (int i = 15; i >= 11; --i) {
    theEntry[i] = static_cast<char>('0' + theSecond % 10);
    theSecond /= 10;
  }
  theEntry[16] = ' ';
  theEntry[17] = mActive ? 'n' : 'f';
  theEntry[18] = '\r';
  theEntry[19] = '\n';
  ioStream.Write(theEntry, sizeof(theEntry));
}

void PDFObject::TakeOver(const PDFObject& inOther) {
  if (inOther.mMinVersion > mMinVersion) mMinVersion = inOther.mMinVersion;
  mOffset = inOther.mOffset;
  mCanDelete = inOther.mCanDelete;
  mNextFree = inOther.mNextFree;
}

std::string PDFObject::DebugText() {
  PDFMemoryStream theStream;
  const uint32_t theOffset = mOffset;
  Write(theStream);
  mOffset = theOffset;  // a debug dump does not move the object in the file
  return std::string(theStream.GetView());
}
