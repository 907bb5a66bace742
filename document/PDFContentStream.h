// The plain content stream object ('strm'), the base of every content object (lines, rectangles,
// text, image placements). A content kind writes its bytes from its own template the first time
// the object is written or asked for information; from then on it is a plain stream whose
// dictionary holds only Length.
#pragma once

#include <string_view>

#include "document/PDFTypedObject.h"

class PDFStreamAtom;
class TransformMatrix;
struct ColorRecord;

class PDFContentStream : public PDFTypedObject {
 public:
  // Without a stream atom an empty stream (empty dictionary, no data) is made and the content is
  // still to be generated; with one (read from a file) it counts as generated.
  PDFContentStream(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr,
                   uint32_t inGeneration = 0, uint32_t inType = kTypeStream);

  // Generates the content once: the template's bytes become the stream's data and its Length.
  void ForceGeneration();
  bool GetGenerated() const { return mGenerated != 0; }
  // The stream atom; null when the content is something else.
  PDFStreamAtom* GetStream() const;

  // Generation first. Then the common keys, then an entry of the stream's dictionary (a key
  // without "/" gives a reference as its object ID alone), then "stream": the data bytes.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;

 protected:
  // Generation first, then the common writing.
  void WriteBody(PDFStream& ioStream) override;
  // Writes the content bytes; a plain stream writes nothing.
  virtual void GenerateContent(PDFStream& ioStream);
  // Runs after the bytes are stored; nothing for a plain stream.
  virtual void AfterGeneration();

  // Template helpers: a real as "%s" of FormatReal, a colour intensity (0 to 255) as its
  // fraction of 255, and a matrix as the operand of "cm" (six numbers with four decimals).
  static void WriteReal(PDFStream& ioStream, double inValue);
  static void WriteIntensity(PDFStream& ioStream, uint8_t inValue);
  static void WriteMatrix(PDFStream& ioStream, const TransformMatrix& inMatrix);
  // "r g b" of a colour, each component a fraction of 255, followed by inOperator.
  static void WriteColor(PDFStream& ioStream, const ColorRecord& inColor, const char* inOperator);
  // The opening of the line and rectangle templates:
  // "  BX\r\n  q\r\n  <matrix> cm\r\n  <width> w\r\n  <stroke colour> RG\r\n".
  static void WriteGraphicsStart(PDFStream& ioStream, const TransformMatrix& inMatrix, double inWidth,
                                 const ColorRecord& inStrokeColor);

 private:
  int32_t mGenerated = 0;
};
