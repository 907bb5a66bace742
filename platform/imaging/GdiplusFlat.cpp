// The flat functions of the image codec module. A bitmap object owns its picture's source, the
// decoded pixels of the current frame (decoded at the first lock of that frame, dropped when another
// frame is selected) and the buffer of the rectangle locked at the moment.
//
// Status choices where the calls leave room:
// - a path that does not exist (or whose folder does not) gives FileNotFound, a path the process
//   may not read gives AccessDenied, a folder gives AccessDenied (as opening a folder as a file
//   does on Windows), a path with an unpaired surrogate gives InvalidParameter, any other failure
//   to open or read gives GenericError; a file or stream beyond kMaxPictureBytes gives
//   OutOfMemory;
// - a frame dimension other than the picture's own gives InvalidParameter;
// - a lock asks for reading: writing back and caller-supplied buffers give NotImplemented, as do
//   pixel formats other than 24bppRGB and 32bppARGB;
// - locking a locked bitmap, unlocking an unlocked one and selecting a frame while locked give
//   WrongState;
// - one object used from two threads at once gives ObjectBusy to the later call.
// Exceptions never leave a flat function: running out of memory gives OutOfMemory.
#include <gdiplus.h>

#include "ImageSource.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define QX_EXPORT extern "C" __attribute__((visibility("default")))

using namespace Gdiplus;
using QxImaging::DecodedFrame;
using QxImaging::ImageBytes;
using QxImaging::ImageSource;

namespace {

// The largest picture file or stream read: beyond it creation gives OutOfMemory.
constexpr uint64_t kMaxPictureBytes = uint64_t{1} << 30;
// The longest path accepted, in UTF-16 units, as on Windows.
constexpr size_t kMaxPathUnits = 32767;

}  // namespace

namespace Gdiplus {

// Every image the module makes is a bitmap; the two names are the same object, so that callers may
// pass a bitmap where an image is asked for.
struct GpImage {
  std::unique_ptr<ImageSource> mSource;
  uint32_t mCurrentFrame = 0;
  // The decoded current frame, present once a lock needed it.
  std::optional<DecodedFrame> mDecoded;
  // The locked rectangle's rows while a lock is held.
  QxImaging::PixelBytes mLockBuffer;
  bool mLocked = false;
  // Held by each call on the object; a second thread's call meanwhile gives ObjectBusy.
  std::mutex mBusy;
};

struct GpBitmap final : GpImage {};

}  // namespace Gdiplus

namespace {

// The UTF-8 form of a null-terminated UTF-16 path; nothing for an unpaired surrogate or a path
// longer than kMaxPathUnits.
std::optional<std::string> PathToUtf8(const WCHAR* inPath) {
  std::string theText;
  for (size_t i = 0;; ++i) {
    if (i > kMaxPathUnits) return std::nullopt;
    char32_t theCode = inPath[i];
    if (theCode == 0) break;
    if (theCode >= 0xD800 && theCode <= 0xDBFF) {
      const char32_t theLow = inPath[i + 1];
      if (theLow < 0xDC00 || theLow > 0xDFFF) return std::nullopt;
      theCode = 0x10000 + ((theCode - 0xD800) << 10) + (theLow - 0xDC00);
      ++i;
    } else if (theCode >= 0xDC00 && theCode <= 0xDFFF) {
      return std::nullopt;
    }
    if (theCode < 0x80) {
      theText.push_back(static_cast<char>(theCode));
    } else if (theCode < 0x800) {
      theText.push_back(static_cast<char>(0xC0 | (theCode >> 6)));
      theText.push_back(static_cast<char>(0x80 | (theCode & 0x3F)));
    } else if (theCode < 0x10000) {
      theText.push_back(static_cast<char>(0xE0 | (theCode >> 12)));
      theText.push_back(static_cast<char>(0x80 | ((theCode >> 6) & 0x3F)));
      theText.push_back(static_cast<char>(0x80 | (theCode & 0x3F)));
    } else {
      theText.push_back(static_cast<char>(0xF0 | (theCode >> 18)));
      theText.push_back(static_cast<char>(0x80 | ((theCode >> 12) & 0x3F)));
      theText.push_back(static_cast<char>(0x80 | ((theCode >> 6) & 0x3F)));
      theText.push_back(static_cast<char>(0x80 | (theCode & 0x3F)));
    }
  }
  return theText;
}

Status StatusOfErrno(int inError) {
  switch (inError) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return FileNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return AccessDenied;
    case ENOMEM: return OutOfMemory;
    default: return GenericError;
  }
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int inDescriptor) : mDescriptor(inDescriptor) {}
  ~FileDescriptor() {
    if (mDescriptor >= 0) close(mDescriptor);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return mDescriptor; }

 private:
  int mDescriptor;
};

// The whole content of the regular file at inPath.
Status ReadWholeFile(const std::string& inPath, QxImaging::PixelBytes& outBytes) {
  // O_NONBLOCK keeps a FIFO from stalling the open; such files are refused below.
  const FileDescriptor theFile(open(inPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (theFile.Get() < 0) return StatusOfErrno(errno);
  struct stat theInfo {};
  if (fstat(theFile.Get(), &theInfo) != 0) return StatusOfErrno(errno);
  if (S_ISDIR(theInfo.st_mode)) return AccessDenied;
  if (!S_ISREG(theInfo.st_mode)) return GenericError;
  if (theInfo.st_size < 0 || static_cast<uint64_t>(theInfo.st_size) > kMaxPictureBytes) return OutOfMemory;
  outBytes.resize(static_cast<size_t>(theInfo.st_size));
  size_t theDone = 0;
  while (theDone < outBytes.size()) {
    const ssize_t theRead = read(theFile.Get(), outBytes.data() + theDone, outBytes.size() - theDone);
    if (theRead < 0) {
      if (errno == EINTR) continue;
      return GenericError;
    }
    if (theRead == 0) break;  // the file shrank meanwhile: keep what is there
    theDone += static_cast<size_t>(theRead);
  }
  outBytes.resize(theDone);
  return Ok;
}

// The whole content of inStream from its start.
Status ReadWholeStream(IStream* inStream, QxImaging::PixelBytes& outBytes) {
  uint64_t theHint = 0;
  STATSTG theStat{};
  if (SUCCEEDED(inStream->Stat(&theStat, STATFLAG_NONAME))) {
    if (theStat.cbSize.QuadPart > kMaxPictureBytes) return OutOfMemory;
    theHint = theStat.cbSize.QuadPart;
  }
  LARGE_INTEGER theStart{};
  theStart.QuadPart = 0;
  if (FAILED(inStream->Seek(theStart, STREAM_SEEK_SET, nullptr))) return GenericError;
  // The size Stat gave is only a hint: ask for it and a byte more to see the end, then read by
  // megabytes until the stream has no more.
  constexpr uint64_t kChunk = uint64_t{1} << 20;
  for (;;) {
    const size_t theDone = outBytes.size();
    if (theDone > kMaxPictureBytes) return OutOfMemory;
    const ULONG theAsk = static_cast<ULONG>(theHint >= theDone ? theHint - theDone + 1 : kChunk);
    outBytes.resize(theDone + theAsk);
    ULONG theRead = 0;
    const HRESULT theResult = inStream->Read(outBytes.data() + theDone, theAsk, &theRead);
    if (FAILED(theResult)) return GenericError;
    outBytes.resize(theDone + std::min(theRead, theAsk));
    if (theRead == 0 || theRead < theAsk) break;
  }
  if (outBytes.size() > kMaxPictureBytes) return OutOfMemory;
  return Ok;
}

Status MakeBitmap(QxImaging::PixelBytes&& inBytes, GpBitmap** outBitmap) {
  ImageBytes theBytes = std::make_shared<const QxImaging::PixelBytes>(std::move(inBytes));
  std::unique_ptr<ImageSource> theSource;
  const Status theStatus = QxImaging::OpenImageSource(std::move(theBytes), theSource);
  if (theStatus != Ok) return theStatus;
  if (theSource == nullptr) return GenericError;
  auto theBitmap = std::make_unique<GpBitmap>();
  theBitmap->mSource = std::move(theSource);
  *outBitmap = theBitmap.release();
  return Ok;
}

// Runs inCall with the object held against other threads; exceptions become statuses.
template <class Call>
Status WithImage(GpImage* inImage, Call&& inCall) {
  if (inImage == nullptr) return InvalidParameter;
  std::unique_lock theHold(inImage->mBusy, std::try_to_lock);
  if (!theHold.owns_lock()) return ObjectBusy;
  try {
    return inCall(*inImage);
  } catch (const std::bad_alloc&) {
    return OutOfMemory;
  } catch (...) {
    return GenericError;
  }
}

template <class Call>
Status Guarded(Call&& inCall) {
  try {
    return inCall();
  } catch (const std::bad_alloc&) {
    return OutOfMemory;
  } catch (...) {
    return GenericError;
  }
}

Status CheckDimension(const GpImage& inImage, const GUID* inDimension) {
  if (inDimension == nullptr || !IsEqualGUID(*inDimension, inImage.mSource->FrameDimension())) return InvalidParameter;
  return Ok;
}

// The composite of colour inColour with opacity inAlpha over white, rounded to nearest.
inline uint8_t OverWhite(uint32_t inColour, uint32_t inAlpha) {
  return static_cast<uint8_t>((inColour * inAlpha + 255 * (255 - inAlpha) + 127) / 255);
}

// The bytes of one row of a lock of inWidth pixels in inFormat (without padding); false when
// they do not fit the stride type.
bool LockRowBytes(INT inWidth, PixelFormat inFormat, uint64_t& outBytes) {
  const uint32_t theBytesPerPixel = inFormat == PixelFormat24bppRGB ? 3 : 4;
  return !__builtin_mul_overflow(static_cast<uint64_t>(inWidth), theBytesPerPixel, &outBytes) &&
         outBytes <= static_cast<uint64_t>(std::numeric_limits<INT>::max());
}

// Copies the rectangle inRect of inFrame to rows that start inStride bytes apart at ioTarget, in
// format inFormat; only the pixels of each row are written.
void CopyRectangle(const DecodedFrame& inFrame, const Rect& inRect, PixelFormat inFormat, uint8_t* ioTarget,
                   int64_t inStride) {
  const size_t theFrameRow = size_t{inFrame.width} * 4;
  for (INT y = 0; y < inRect.Height; ++y) {
    const uint8_t* theSource =
        inFrame.bgra.data() + static_cast<size_t>(inRect.Y + y) * theFrameRow + static_cast<size_t>(inRect.X) * 4;
    uint8_t* theTarget = ioTarget + y * inStride;
    if (inFormat != PixelFormat24bppRGB) {
      std::memcpy(theTarget, theSource, static_cast<size_t>(inRect.Width) * 4);
      continue;
    }
    for (INT x = 0; x < inRect.Width; ++x, theSource += 4, theTarget += 3) {
      const uint32_t theAlpha = theSource[3];
      // Most pixels are opaque: they are copied as they are.
      if (theAlpha == 255) {
        theTarget[0] = theSource[0];
        theTarget[1] = theSource[1];
        theTarget[2] = theSource[2];
        continue;
      }
      theTarget[0] = OverWhite(theSource[0], theAlpha);
      theTarget[1] = OverWhite(theSource[1], theAlpha);
      theTarget[2] = OverWhite(theSource[2], theAlpha);
    }
  }
}

// Copies the rectangle into outBuffer, rows padded with zeros to four bytes; outStride is the
// distance between rows.
Status CopyRectangle(const DecodedFrame& inFrame, const Rect& inRect, PixelFormat inFormat,
                     QxImaging::PixelBytes& outBuffer, INT& outStride) {
  uint64_t thePixelBytes = 0;
  uint64_t theTotal = 0;
  if (!LockRowBytes(inRect.Width, inFormat, thePixelBytes)) return OutOfMemory;
  const uint64_t theRowBytes = (thePixelBytes + 3) & ~uint64_t{3};
  if (theRowBytes > static_cast<uint64_t>(std::numeric_limits<INT>::max())) return OutOfMemory;
  if (__builtin_mul_overflow(theRowBytes, static_cast<uint64_t>(inRect.Height), &theTotal) ||
      theTotal > std::numeric_limits<size_t>::max())
    return OutOfMemory;
  // Every byte is written: the pixels, and the padding of each row with zeros.
  outBuffer.clear();
  outBuffer.resize(static_cast<size_t>(theTotal));
  if (theRowBytes != thePixelBytes)
    for (INT y = 0; y < inRect.Height; ++y)
      std::memset(outBuffer.data() + static_cast<size_t>(y) * theRowBytes + thePixelBytes, 0,
                  static_cast<size_t>(theRowBytes - thePixelBytes));
  CopyRectangle(inFrame, inRect, inFormat, outBuffer.data(), static_cast<int64_t>(theRowBytes));
  outStride = static_cast<INT>(theRowBytes);
  return Ok;
}

Status WINAPI HookBackground(ULONG_PTR* outToken) {
  if (outToken == nullptr) return InvalidParameter;
  *outToken = 1;
  return Ok;
}

void WINAPI UnhookBackground(ULONG_PTR) {}

}  // namespace

QX_EXPORT Status WINAPI GdiplusStartup(ULONG_PTR* outToken, const GdiplusStartupInput* inInput,
                                       GdiplusStartupOutput* outOutput) {
  if (outToken == nullptr || inInput == nullptr) return InvalidParameter;
  if (inInput->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
  // A caller that runs no background thread must receive the hooks that stand in for it.
  if (inInput->SuppressBackgroundThread) {
    if (outOutput == nullptr) return InvalidParameter;
    outOutput->NotificationHook = HookBackground;
    outOutput->NotificationUnhook = UnhookBackground;
  }
  // Tokens only tell start-ups apart; nothing is kept per start-up.
  static std::atomic<ULONG_PTR> sNextToken{1};
  ULONG_PTR theToken = sNextToken.fetch_add(1, std::memory_order_relaxed);
  if (theToken == 0) theToken = sNextToken.fetch_add(1, std::memory_order_relaxed);
  *outToken = theToken;
  return Ok;
}

QX_EXPORT void WINAPI GdiplusShutdown(ULONG_PTR) {}

QX_EXPORT GpStatus WINGDIPAPI GdipCreateBitmapFromFileICM(GDIPCONST WCHAR* inPath, GpBitmap** outBitmap) {
  if (outBitmap == nullptr) return InvalidParameter;
  *outBitmap = nullptr;
  if (inPath == nullptr) return InvalidParameter;
  return Guarded([&] {
    const std::optional<std::string> thePath = PathToUtf8(inPath);
    if (!thePath) return InvalidParameter;
    QxImaging::PixelBytes theBytes;
    const Status theStatus = ReadWholeFile(*thePath, theBytes);
    if (theStatus != Ok) return theStatus;
    return MakeBitmap(std::move(theBytes), outBitmap);
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipCreateBitmapFromStreamICM(IStream* inStream, GpBitmap** outBitmap) {
  if (outBitmap == nullptr) return InvalidParameter;
  *outBitmap = nullptr;
  if (inStream == nullptr) return InvalidParameter;
  return Guarded([&] {
    QxImaging::PixelBytes theBytes;
    const Status theStatus = ReadWholeStream(inStream, theBytes);
    if (theStatus != Ok) return theStatus;
    return MakeBitmap(std::move(theBytes), outBitmap);
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipDisposeImage(GpImage* inImage) {
  if (inImage == nullptr) return InvalidParameter;
  delete static_cast<GpBitmap*>(inImage);
  return Ok;
}

QX_EXPORT GpStatus WINGDIPAPI GdipGetImageRawFormat(GpImage* inImage, GUID* outFormat) {
  if (outFormat == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    *outFormat = inSelf.mSource->RawFormat();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipImageGetFrameDimensionsCount(GpImage* inImage, UINT* outCount) {
  if (outCount == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage&) {
    *outCount = 1;
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipImageGetFrameDimensionsList(GpImage* inImage, GUID* outDimensions, UINT inCount) {
  if (outDimensions == nullptr || inCount != 1) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    outDimensions[0] = inSelf.mSource->FrameDimension();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipImageGetFrameCount(GpImage* inImage, GDIPCONST GUID* inDimension, UINT* outCount) {
  if (outCount == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    const Status theStatus = CheckDimension(inSelf, inDimension);
    if (theStatus != Ok) return theStatus;
    *outCount = inSelf.mSource->FrameCount();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipImageSelectActiveFrame(GpImage* inImage, GDIPCONST GUID* inDimension,
                                                         UINT inIndex) {
  return WithImage(inImage, [&](GpImage& inSelf) {
    Status theStatus = CheckDimension(inSelf, inDimension);
    if (theStatus != Ok) return theStatus;
    if (inSelf.mLocked) return WrongState;
    if (inIndex >= inSelf.mSource->FrameCount()) return InvalidParameter;
    if (inIndex == inSelf.mCurrentFrame) return Ok;
    theStatus = inSelf.mSource->SelectFrame(inIndex);
    if (theStatus != Ok) return theStatus;
    inSelf.mCurrentFrame = inIndex;
    inSelf.mDecoded.reset();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipGetImageWidth(GpImage* inImage, UINT* outWidth) {
  if (outWidth == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    *outWidth = inSelf.mSource->Width();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipGetImageHeight(GpImage* inImage, UINT* outHeight) {
  if (outHeight == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    *outHeight = inSelf.mSource->Height();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipGetImageHorizontalResolution(GpImage* inImage, REAL* outDpi) {
  if (outDpi == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    *outDpi = inSelf.mSource->HorizontalDpi();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipGetImageVerticalResolution(GpImage* inImage, REAL* outDpi) {
  if (outDpi == nullptr) return InvalidParameter;
  return WithImage(inImage, [&](GpImage& inSelf) {
    *outDpi = inSelf.mSource->VerticalDpi();
    return Ok;
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipBitmapLockBits(GpBitmap* inBitmap, GDIPCONST GpRect* inRect, UINT inFlags,
                                                 PixelFormat inFormat, BitmapData* outData) {
  if (outData == nullptr) return InvalidParameter;
  return WithImage(inBitmap, [&](GpImage& inSelf) {
    if (inSelf.mLocked) return WrongState;
    if ((inFlags & ImageLockModeRead) == 0 ||
        (inFlags & ~UINT{ImageLockModeRead | ImageLockModeWrite | ImageLockModeUserInputBuf}) != 0)
      return InvalidParameter;
    if ((inFlags & ImageLockModeWrite) != 0) return NotImplemented;
    // With a buffer of the caller's, its first row and the distance between rows come in the
    // lock data; the pixels are written there and nothing else of it is touched.
    const bool theCallersBuffer = (inFlags & ImageLockModeUserInputBuf) != 0;
    if (inFormat != PixelFormat24bppRGB && inFormat != PixelFormat32bppARGB) return NotImplemented;
    const uint64_t theWidth = inSelf.mSource->Width();
    const uint64_t theHeight = inSelf.mSource->Height();
    Rect theRect;
    if (inRect == nullptr) {
      if (theWidth > static_cast<uint64_t>(std::numeric_limits<INT>::max()) ||
          theHeight > static_cast<uint64_t>(std::numeric_limits<INT>::max()))
        return OutOfMemory;
      theRect = Rect(0, 0, static_cast<INT>(theWidth), static_cast<INT>(theHeight));
    } else {
      theRect = *inRect;
    }
    if (theRect.X < 0 || theRect.Y < 0 || theRect.Width <= 0 || theRect.Height <= 0 ||
        static_cast<uint64_t>(theRect.X) + static_cast<uint64_t>(theRect.Width) > theWidth ||
        static_cast<uint64_t>(theRect.Y) + static_cast<uint64_t>(theRect.Height) > theHeight)
      return InvalidParameter;
    // A caller's buffer must have a first row and room for a row between starts; it is judged
    // before anything is decoded.
    if (theCallersBuffer) {
      uint64_t theRowBytes = 0;
      if (outData->Scan0 == nullptr || !LockRowBytes(theRect.Width, inFormat, theRowBytes) ||
          static_cast<uint64_t>(std::abs(int64_t{outData->Stride})) < theRowBytes)
        return InvalidParameter;
    }
    // Fills in the rest of the lock data once the pixels are in place.
    const auto theLocked = [&] {
      outData->Width = static_cast<UINT>(theRect.Width);
      outData->Height = static_cast<UINT>(theRect.Height);
      outData->PixelFormat = inFormat;
      outData->Reserved = 0;
      inSelf.mLocked = true;
      return Ok;
    };
    // A whole frame not decoded yet, asked for as 24-bit rows into the caller's buffer, goes there
    // straight from the source when it can: the picture then never exists twice. (The frame is
    // not kept; a later lock decodes again.)
    if (!inSelf.mDecoded && theCallersBuffer && inFormat == PixelFormat24bppRGB && theRect.X == 0 && theRect.Y == 0 &&
        static_cast<uint64_t>(theRect.Width) == theWidth && static_cast<uint64_t>(theRect.Height) == theHeight) {
      const Status theStatus = inSelf.mSource->DecodeOpaqueBgr(static_cast<uint8_t*>(outData->Scan0), outData->Stride);
      if (theStatus != NotImplemented) {
        if (theStatus != Ok) return theStatus;
        inSelf.mLockBuffer.clear();
        return theLocked();
      }
    }
    if (!inSelf.mDecoded) {
      DecodedFrame theFrame;
      const Status theStatus = inSelf.mSource->Decode(theFrame);
      if (theStatus != Ok) return theStatus;
      // A decoder must give the size it reported, in full; anything else is its fault.
      uint64_t thePixels = 0;
      if (theFrame.width != theWidth || theFrame.height != theHeight ||
          __builtin_mul_overflow(theWidth, theHeight, &thePixels) || thePixels > UINT64_MAX / 4 ||
          theFrame.bgra.size() != thePixels * 4)
        return GenericError;
      inSelf.mDecoded = std::move(theFrame);
    }
    if (theCallersBuffer) {
      CopyRectangle(*inSelf.mDecoded, theRect, inFormat, static_cast<uint8_t*>(outData->Scan0), outData->Stride);
      inSelf.mLockBuffer.clear();
    } else {
      INT theStride = 0;
      const Status theStatus = CopyRectangle(*inSelf.mDecoded, theRect, inFormat, inSelf.mLockBuffer, theStride);
      if (theStatus != Ok) return theStatus;
      outData->Stride = theStride;
      outData->Scan0 = inSelf.mLockBuffer.data();
    }
    return theLocked();
  });
}

QX_EXPORT GpStatus WINGDIPAPI GdipBitmapUnlockBits(GpBitmap* inBitmap, BitmapData* inData) {
  if (inData == nullptr) return InvalidParameter;
  return WithImage(inBitmap, [&](GpImage& inSelf) {
    if (!inSelf.mLocked) return WrongState;
    inSelf.mLocked = false;
    QxImaging::PixelBytes().swap(inSelf.mLockBuffer);
    return Ok;
  });
}
