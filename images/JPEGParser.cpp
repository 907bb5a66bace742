#include "images/JPEGParser.h"

#include <debugapi.h>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

const char* kTooShort = "JPEG file too short";
const char* kBadLength = "Bad JPEG marker length";

const char* ProcessName(uint8_t inMarker) {
  switch (inMarker) {
    case 0xC0: return "JPEG Process: Baseline";
    case 0xC1: return "JPEG Process: Extended sequential";
    case 0xC2: return "JPEG Process: Progressive";
    case 0xC3: return "JPEG Process: Lossless";
    case 0xC5: return "JPEG Process: Differential sequential";
    case 0xC6: return "JPEG Process: Differential progressive";
    case 0xC7: return "JPEG Process: Differential lossless";
    case 0xC9: return "JPEG Process: Extended sequential, arithmetic coding";
    case 0xCA: return "JPEG Process: Progressive, arithmetic coding";
    case 0xCB: return "JPEG Process: Lossless, arithmetic coding";
    case 0xCD: return "JPEG Process: Differential sequential, arithmetic coding";
    case 0xCE: return "JPEG Process: Differential progressive, arithmetic coding";
    case 0xCF: return "JPEG Process: Differential lossless, arithmetic coding";
    default: return "JPEG Process: Unknown";
  }
}

}  // namespace

bool JPEGParser::Parse() {
  // The stream must open with a start-of-image marker; nothing else is read otherwise.
  if (mSource.ReadByte() != 0xFF || mSource.ReadByte() != 0xD8) {
    std::snprintf(mMessage, sizeof(mMessage), "%s", "JPEG header missing");
    return false;
  }
  try {
    bool theInScan = false;
    for (;;) {
      const uint8_t theMarker = ReadMarker(theInScan);
      theInScan = false;
      if (!HandleMarker(theMarker, theInScan)) return true;
    }
  } catch (const Failure&) {
    return false;
  }
}

void JPEGParser::Fail(const char* inMessage) {
  std::snprintf(mMessage, sizeof(mMessage), "%s", inMessage);
  throw Failure{};
}

void JPEGParser::Require(uint32_t inCount) {
  if (inCount > mSource.GetLength() - mSource.Tell()) Fail(kTooShort);
}

uint8_t JPEGParser::ReadByte() {
  const int theByte = mSource.ReadByte();
  if (theByte < 0) Fail(kTooShort);
  return static_cast<uint8_t>(theByte);
}

uint16_t JPEGParser::ReadU16() {
  const uint8_t theHigh = ReadByte();
  const uint8_t theLow = ReadByte();
  return static_cast<uint16_t>((theHigh << 8) | theLow);
}

void JPEGParser::ReadBytes(uint32_t inCount, uint8_t* outBytes) {
  Require(inCount);
  if (inCount > 0) std::memcpy(outBytes, mSource.GetStart() + mSource.Tell(), inCount);
  mSource.Seek(mSource.Tell() + inCount);
}

void JPEGParser::SkipUntil(uint8_t inValue, uint32_t& outCount) {
  outCount = 0;
  for (;;) {
    const uint8_t theByte = ReadByte();
    ++outCount;
    if (theByte == inValue) return;
  }
}

void JPEGParser::Skip(int64_t inCount) {
  if (inCount <= 0) return;
  const int64_t theTarget = int64_t{mSource.Tell()} + inCount;
  mSource.Seek(theTarget < int64_t{mSource.GetLength()} ? static_cast<uint32_t>(theTarget) : mSource.GetLength());
}

void JPEGParser::Trace(const char* inText) {
  if (!mTraceOn) return;
  DebugOutput(inText);
  DebugOutput("\n");
}

void JPEGParser::DebugOutput(const char* inText) {
  OutputDebugStringA(inText);
}

uint8_t JPEGParser::ReadMarker(bool inScan) {
  for (;;) {
    uint32_t theCount = 0;
    SkipUntil(0xFF, theCount);
    uint8_t theByte = ReadByte();
    while (theByte == 0xFF) theByte = ReadByte();
    if (theByte == 0 && inScan) continue;  // a stuffed 0xFF data byte
    return theByte;
  }
}

bool JPEGParser::HandleMarker(uint8_t inMarker, bool& outInScan) {
  switch (inMarker) {
    case 0x01:
      Trace("Warning - Temporary Reserved Marker Used");
      return true;
    case 0xC0: case 0xC1: case 0xC2: case 0xC3:
    case 0xC5: case 0xC6: case 0xC7:
    case 0xC9: case 0xCA: case 0xCB:
    case 0xCD: case 0xCE: case 0xCF:
      StartOfFrame(inMarker);
      return true;
    case 0xC4:
      SkipSegment("DHT");
      return true;
    case 0xD0: case 0xD1: case 0xD2: case 0xD3:
    case 0xD4: case 0xD5: case 0xD6: case 0xD7:
      Trace("Restart");
      outInScan = true;
      return true;
    case 0xD8:
      mSawStartOfImage = true;
      SkipSegment("Start of Image");
      return true;
    case 0xD9:
      Trace("End of Image");
      return false;
    case 0xDA:
      StartOfScan();
      outInScan = true;
      return true;
    case 0xDB:
      SkipSegment("DQT");
      return true;
    case 0xE0:
      ReadJFIF();
      return true;
    case 0xE2:
      ReadICC();
      return true;
    case 0xEC:
      TextSegment("Application 12");
      return true;
    case 0xED:
      ReadPhotoshop();
      return true;
    case 0xEE:
      ReadAdobe();
      return true;
    case 0xFE:
      TextSegment("Comment");
      return true;
    default:
      SkipSegment("Unknown");
      return true;
  }
}

uint16_t JPEGParser::ReadSegmentLength() {
  const uint16_t theLength = ReadU16();
  if (theLength < 2) Fail(kBadLength);
  return theLength;
}

void JPEGParser::SkipSegment(const char* inName) {
  const uint16_t theLength = ReadSegmentLength();
  Trace(inName);
  char theLine[64];
  std::snprintf(theLine, sizeof(theLine), "Length = %ld", static_cast<long>(theLength));
  Trace(theLine);
  Skip(theLength - 2);
}

void JPEGParser::TextSegment(const char* inName) {
  const uint16_t theLength = ReadSegmentLength();
  // The whole body must be present; only its first 255 bytes are kept as text.
  const uint32_t theBody = theLength - 2u;
  Require(theBody);
  char theText[256] = {};
  const uint32_t theKept = theBody < 255 ? theBody : 255;
  ReadBytes(theKept, reinterpret_cast<uint8_t*>(theText));
  Skip(theBody - theKept);
  Trace(inName);
  Trace(theText);
}

void JPEGParser::StartOfFrame(uint8_t inMarker) {
  const uint16_t theLength = ReadU16();
  const uint8_t thePrecision = ReadByte();
  mHeight = ReadU16();
  mWidth = ReadU16();
  mComponents = ReadByte();
  Trace("Start of Frame");
  char theLine[128];
  std::snprintf(theLine, sizeof(theLine), "JPEG image: %ld by %ld, %ld components, %ld bits per sample",
                static_cast<long>(mWidth), static_cast<long>(mHeight), static_cast<long>(mComponents),
                static_cast<long>(thePrecision));
  Trace(theLine);
  Trace(ProcessName(inMarker));
  if (theLength != mComponents * 3 + 8) Fail("Bad SOF marker length");
  // Per component: identifier, sampling factors, quantisation table; none is needed here.
  for (int32_t i = 0; i < mComponents; ++i) {
    uint8_t theComponent[3];
    ReadBytes(3, theComponent);
  }
}

void JPEGParser::StartOfScan() {
  const uint16_t theLength = ReadU16();
  const uint8_t theCount = ReadByte();
  Trace("Start of Scan");
  if (theLength != theCount * 2 + 6) Fail("Bad SOS marker length");
  char theLine[64];
  std::snprintf(theLine, sizeof(theLine), "Length = %ld, Components = %ld", static_cast<long>(theLength),
                static_cast<long>(theCount));
  Trace(theLine);
  Skip(theLength - 3);
}

// An application segment that starts with a 5-byte signature and carries 7 bytes of facts after
// it: inReadFacts reads them when the signature matches; the rest of the segment is skipped.
void JPEGParser::ReadSignedSegment(std::string_view inSignature, void (JPEGParser::*inReadFacts)()) {
  const uint16_t theLength = ReadU16();
  if (theLength < 14) {
    Skip(theLength - 2);
    return;
  }
  uint8_t theIdentifier[5];
  ReadBytes(5, theIdentifier);
  if (std::memcmp(theIdentifier, inSignature.data(), 5) == 0)
    (this->*inReadFacts)();
  else
    Skip(7);
  Skip(theLength - 14);
}

// APP0: "JFIF\0", version, density units and densities, then an optional thumbnail (skipped).
void JPEGParser::ReadJFIF() { ReadSignedSegment(std::string_view("JFIF\0", 5), &JPEGParser::ReadJFIFFacts); }

void JPEGParser::ReadJFIFFacts() {
  mJFIF = true;
  mJFIFMajor = ReadByte();
  mJFIFMinor = ReadByte();
  mJFIFUnits = ReadByte();
  mJFIFXDensity = ReadU16();
  mJFIFYDensity = ReadU16();
  Trace("JFIF APP0 Header");
}

// APP2: one chunk of an ICC profile, "ICC_PROFILE\0" with its sequence number and chunk count.
void JPEGParser::ReadICC() {
  const uint16_t theLength = ReadU16();
  if (theLength < 16) {
    Skip(theLength - 2);
    return;
  }
  uint8_t theIdentifier[12];
  ReadBytes(12, theIdentifier);
  const uint8_t theSequence = ReadByte();
  const uint8_t theCount = ReadByte();
  char theLine[64];
  std::snprintf(theLine, sizeof(theLine), "ICC Chunk %ld of %ld", static_cast<long>(theSequence),
                static_cast<long>(theCount));
  Trace(theLine);
  // Nothing here uses the profile, so its chunks are not collected.
  Skip(theLength - 16);
}

// APP13: Photoshop resources; only where they lie is recorded.
void JPEGParser::ReadPhotoshop() {
  const uint16_t theLength = ReadU16();
  Trace("Adobe APP13 Macintosh Resource");
  if (theLength < 2) Fail(kBadLength);
  mPhotoshopOffset = mSource.Tell();
  mPhotoshopLength = theLength - 2u;
  Skip(theLength - 2);
}

// APP14: "Adobe", version, two flag words and the colour transform code.
void JPEGParser::ReadAdobe() { ReadSignedSegment("Adobe", &JPEGParser::ReadAdobeFacts); }

void JPEGParser::ReadAdobeFacts() {
  mAdobe = true;
  (void)ReadU16();  // version
  (void)ReadU16();  // flags 0
  (void)ReadU16();  // flags 1
  mAdobeTransform = ReadByte();
  Trace("Adobe APP14 Header");
}
