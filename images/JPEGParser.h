// A marker-by-marker reader of a JPEG stream. It records what the frame header says (size,
// components, precision), the facts of the JFIF, Adobe and Photoshop application segments, and
// checks that the stream runs complete from its start-of-image to its end-of-image marker.
// Nothing is decoded and nothing is copied: segment bodies and entropy-coded data are skipped by
// moving the cursor over the caller's buffer, which must outlive the parser.
//
// Every read is checked against the bytes present. A failure stores its message and throws
// JPEGParser::Failure; Parse catches it and reports false, so a hostile or truncated stream ends
// the run after at most one pass over the data.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/ByteSource.h"

class JPEGParser {
 public:
  // Thrown by the reading primitives and the segment handlers once the message is stored.
  struct Failure {};

  JPEGParser(const uint8_t* inData, uint32_t inLen) : mSource(inData, inLen) {}
  virtual ~JPEGParser() = default;
  JPEGParser(const JPEGParser&) = delete;
  JPEGParser& operator=(const JPEGParser&) = delete;

  // Walks the whole stream: true when it starts with a start-of-image marker and reaches its
  // end-of-image marker; otherwise false with GetMessage telling why.
  bool Parse();

  // Trace lines go to the debugger output; off unless switched on.
  void SetTrace(bool inOn) { mTraceOn = inOn; }
  bool GetTrace() const { return mTraceOn; }
  const char* GetMessage() const { return mMessage; }

  // From the frame header, as read (also when the stream fails later).
  int32_t GetWidth() const { return mWidth; }
  int32_t GetHeight() const { return mHeight; }
  int32_t GetComponents() const { return mComponents; }
  // Whether the marker walk met a start-of-image marker after the one that opens the stream.
  bool SawStartOfImage() const { return mSawStartOfImage; }

  bool HasJFIF() const { return mJFIF; }
  uint8_t GetJFIFMajorVersion() const { return mJFIFMajor; }
  uint8_t GetJFIFMinorVersion() const { return mJFIFMinor; }
  uint8_t GetJFIFDensityUnits() const { return mJFIFUnits; }
  uint16_t GetJFIFXDensity() const { return mJFIFXDensity; }
  uint16_t GetJFIFYDensity() const { return mJFIFYDensity; }

  bool HasAdobe() const { return mAdobe; }
  uint8_t GetAdobeTransform() const { return mAdobeTransform; }

  // The Photoshop resource block of an APP13 segment: offset from the start of the data and
  // length in bytes; 0, 0 when there is none.
  uint32_t GetPhotoshopOffset() const { return mPhotoshopOffset; }
  uint32_t GetPhotoshopLength() const { return mPhotoshopLength; }

  // Reading primitives: each fails with "JPEG file too short" when the bytes run out.
  uint8_t ReadByte();
  uint16_t ReadU16();  // big-endian
  void ReadBytes(uint32_t inCount, uint8_t* outBytes);
  // Reads up to and including the first byte equal to inValue; outCount is how many were read.
  void SkipUntil(uint8_t inValue, uint32_t& outCount);
  // Moves the cursor forward by inCount, stopping at the end; never fails. A count below 1 (from
  // a segment length below 2) moves nothing, so the cursor never goes back.
  void Skip(int64_t inCount);

  // Writes inText and a line end to the debugger output when trace is on.
  void Trace(const char* inText);

  // The next marker code. Fill bytes (0xFF runs) are passed over; inside entropy-coded data
  // (inScan) a 0xFF followed by 0 is a stuffed data byte, not a marker.
  uint8_t ReadMarker(bool inScan);
  // Acts on one marker; false at the end-of-image marker. outInScan tells whether entropy-coded
  // data follows (after a start of scan or a restart marker).
  bool HandleMarker(uint8_t inMarker, bool& outInScan);

  // Segment handlers; the cursor stands after the marker, on the segment's length field.
  void SkipSegment(const char* inName);
  void TextSegment(const char* inName);
  void StartOfFrame(uint8_t inMarker);
  void StartOfScan();
  void ReadJFIF();
  void ReadICC();
  void ReadPhotoshop();
  void ReadAdobe();

 protected:
  // Where trace text goes: the debugger output.
  virtual void DebugOutput(const char* inText);

 private:
  void ReadSignedSegment(std::string_view inSignature, void (JPEGParser::*inReadFacts)());
  void ReadJFIFFacts();
  void ReadAdobeFacts();
  [[noreturn]] void Fail(const char* inMessage);
  // Fails unless inCount bytes remain after the cursor.
  void Require(uint32_t inCount);
  // A segment's length field, which counts itself: fails with "Bad JPEG marker length" below 2.
  uint16_t ReadSegmentLength();

  ByteSource mSource;
  bool mTraceOn = false;
  char mMessage[256] = {};
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  int32_t mComponents = 0;
  bool mSawStartOfImage = false;
  bool mJFIF = false;
  uint8_t mJFIFMajor = 1;
  uint8_t mJFIFMinor = 1;
  uint8_t mJFIFUnits = 0;
  uint16_t mJFIFXDensity = 1;
  uint16_t mJFIFYDensity = 1;
  bool mAdobe = false;
  uint8_t mAdobeTransform = 0;
  uint32_t mPhotoshopOffset = 0;
  uint32_t mPhotoshopLength = 0;
};
