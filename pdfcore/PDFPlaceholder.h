// An indirect object of a read file (or given as text) that is not parsed yet ('plac'). It knows
// where its bytes start; Materialize parses them and makes the typed object that its /Type names,
// and an object never asked for is written back by copying its source bytes as they are.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pdfcore/PDFContentObject.h"

class PDFMemoryStream;

class PDFPlaceholder : public PDFContentObject {
 public:
  // From a cross-reference entry: the object starts at inOffset of the table's loader (an offset
  // of 0 is an assertion failure). Its minimum version is the file's header version.
  PDFPlaceholder(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration, uint32_t inOffset, uint32_t inVersion);
  // From the text of an object's value, read as "<id> <generation> obj <text> endobj".
  PDFPlaceholder(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration, std::string_view inText);
  ~PDFPlaceholder() override;

  uint32_t GetReadOffset() const { return mReadOffset; }
  // Where the raw copy's search for "endobj" stops: the next object's (or cross-reference
  // section's) offset, so that no copy runs into what follows. The end of the data by default.
  void SetEndLimit(uint32_t inLimit) { mEndLimit = inLimit; }
  uint32_t GetEndLimit() const { return mEndLimit; }

  // Parses the object (once) and returns the typed object its content describes; none when
  // already parsed or when no class fits (this object then keeps the content and may be deleted).
  std::unique_ptr<PDFObject> Materialize() override;
  // Parses "<id> <generation> obj <value>" at the read offset of inStream into the content; an
  // object that cannot be read becomes null. inResolveLengths lets the table resolve an indirect
  // stream Length (only while the table loads this object, which guards against loading it again).
  void ReadAtom(PDFStream& inStream, bool inResolveLengths = true);
  // The typed object for the parsed content, as the table's factory chooses it.
  std::unique_ptr<PDFObject> MakeTypedObject();

 protected:
  // The parsed content in the usual form; unparsed, the source bytes copied as they are.
  void WriteBody(PDFStream& ioStream) override;

 private:
  // Copies the source bytes from the object's start through its "endobj"; false (nothing
  // written) when they do not start with the expected header or no end is found before the limit.
  bool CopyRawBytes(PDFStream& ioStream);

  uint32_t mReadOffset = 0;
  uint32_t mEndLimit = UINT32_MAX;
  std::unique_ptr<PDFMemoryStream> mText;
};
