// The byte stream that all PDF text is written into and parsed from. Positions and lengths are
// unsigned 32-bit byte counts; reads and writes happen at the current position and move it.
#pragma once

#include <cstdint>
#include <string_view>

class PDFStream {
 public:
  // One formatted write produces at most this many bytes, its terminating zero included.
  static constexpr uint32_t kFormatLimit = 1024;
  // A format at least this long is written as it is, without formatting.
  static constexpr uint32_t kUnformattedLength = 256;

  PDFStream() = default;
  PDFStream(const PDFStream&) = delete;
  PDFStream& operator=(const PDFStream&) = delete;
  virtual ~PDFStream() = default;

  // Formatted write of integers, characters and strings in printf style (no floating point:
  // callers format reals themselves, see PDFFormat.h). The format must be the caller's own
  // constant; text that comes from anywhere else goes through WriteText, never through here.
  void Format(const char* inFormat, ...) __attribute__((format(printf, 2, 3)));

  // The byte at the position as 0 to 255, or -1 at the end, without moving.
  virtual int Peek();
  // The byte at the position as 0 to 255, or -1 at the end; moves one forward.
  virtual int Get();
  virtual bool Put(uint8_t inByte);
  // The stream's bytes, for the kinds that hold them; null for the others.
  virtual const uint8_t* GetData();
  virtual uint32_t GetPosition() = 0;
  virtual void SetPosition(uint32_t inPosition) = 0;
  virtual void Skip(int32_t inCount);
  virtual uint32_t GetLength() = 0;
  // Copies up to inCount bytes from the position; returns how many were copied.
  virtual uint32_t Read(void* outBuffer, uint32_t inCount);
  virtual bool Write(const void* inBuffer, uint32_t inCount) = 0;

  // Token writers of the PDF text form; none of them formats through printf.
  bool WriteText(std::string_view inText);
  // "%ld" and "%lu".
  bool WriteInteger(int64_t inValue);
  bool WriteUnsigned(uint64_t inValue);
  // "%0<width>lu" for widths up to 20 (cross-reference entries).
  bool WritePadded(uint64_t inValue, unsigned inWidth);
  // "%lf": always six decimals.
  bool WriteReal(double inValue);
};
