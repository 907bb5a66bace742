// The image codec calls the image loader makes: start-up, bitmaps from a file or a stream, raw
// format, frame dimensions and counts, frame selection, size, resolution, and locking a rectangle
// of pixels, with the codec's status numbers.
//
// The flat functions live in the codec module "gdiplus.dll" (libqxgdiplus.so on this platform),
// bound by delayed loading: the first call of any of them loads the module and finds the
// function; when the module or the function cannot be found, the call raises the structured
// exception 0xC06D007E (module) or 0xC06D007F (function) to the calling thread's translator.
// The classes below are the codec's C++ wrappers over the flat functions.
#pragma once

#include <new>

#include "guiddef.h"
#include "objidl.h"
#include "windef.h"

#define WINGDIPAPI WINAPI
#define GDIPCONST const

// Delayed-loading failures, as the linker's delay-load helper raises them.
#define QX_DELAYLOAD_MODULE_NOT_FOUND 0xC06D007Eu
#define QX_DELAYLOAD_PROC_NOT_FOUND 0xC06D007Fu

namespace Gdiplus {

typedef float REAL;
typedef INT PixelFormat;

enum Status {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  Win32Error = 7,
  WrongState = 8,
  Aborted = 9,
  FileNotFound = 10,
  ValueOverflow = 11,
  AccessDenied = 12,
  UnknownImageFormat = 13,
  FontFamilyNotFound = 14,
  FontStyleNotFound = 15,
  NotTrueTypeFont = 16,
  UnsupportedGdiplusVersion = 17,
  GdiplusNotInitialized = 18,
  PropertyNotFound = 19,
  PropertyNotSupported = 20,
};
typedef Status GpStatus;

// Pixel formats: index | bits per pixel << 8 | flags.
inline constexpr PixelFormat PixelFormatGDI = 0x00020000;
inline constexpr PixelFormat PixelFormatAlpha = 0x00040000;
inline constexpr PixelFormat PixelFormatCanonical = 0x00200000;
inline constexpr PixelFormat PixelFormat24bppRGB = 8 | (24 << 8) | PixelFormatGDI;
inline constexpr PixelFormat PixelFormat32bppARGB = 10 | (32 << 8) | PixelFormatAlpha | PixelFormatGDI | PixelFormatCanonical;

enum ImageLockMode { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

struct Rect {
  INT X = 0;
  INT Y = 0;
  INT Width = 0;
  INT Height = 0;
  Rect() = default;
  Rect(INT inX, INT inY, INT inWidth, INT inHeight) : X(inX), Y(inY), Width(inWidth), Height(inHeight) {}
};
typedef Rect GpRect;

// A locked rectangle: Scan0 is its first row (top), rows are Stride bytes apart. In 24bppRGB each
// pixel is blue, green, red.
struct BitmapData {
  UINT Width;
  UINT Height;
  INT Stride;
  INT PixelFormat;  // a PixelFormat value
  void* Scan0;
  UINT_PTR Reserved;
};

typedef void(WINAPI* DebugEventProc)(INT inLevel, CHAR* inMessage);

struct GdiplusStartupInput {
  UINT32 GdiplusVersion;
  DebugEventProc DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
  GdiplusStartupInput(DebugEventProc inCallback = nullptr, BOOL inSuppressBackgroundThread = FALSE,
                      BOOL inSuppressExternalCodecs = FALSE)
      : GdiplusVersion(1),
        DebugEventCallback(inCallback),
        SuppressBackgroundThread(inSuppressBackgroundThread),
        SuppressExternalCodecs(inSuppressExternalCodecs) {}
};

typedef Status(WINAPI* NotificationHookProc)(ULONG_PTR* outToken);
typedef void(WINAPI* NotificationUnhookProc)(ULONG_PTR inToken);

struct GdiplusStartupOutput {
  NotificationHookProc NotificationHook;
  NotificationUnhookProc NotificationUnhook;
};

// The codec's own objects; callers hold them only by address.
struct GpImage;
struct GpBitmap;

}  // namespace Gdiplus

// The pixel formats are global names, as the codec's own headers make them.
using Gdiplus::PixelFormat24bppRGB;
using Gdiplus::PixelFormat32bppARGB;

// Raw formats (GetRawFormat) and frame dimensions (GetFrameDimensionsList).
inline constexpr GUID ImageFormatUndefined = {0xb96b3ca9, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatMemoryBMP = {0xb96b3caa, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatBMP = {0xb96b3cab, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatEMF = {0xb96b3cac, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatWMF = {0xb96b3cad, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatJPEG = {0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatPNG = {0xb96b3caf, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatGIF = {0xb96b3cb0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatTIFF = {0xb96b3cb1, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatEXIF = {0xb96b3cb2, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID ImageFormatIcon = {0xb96b3cb5, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
inline constexpr GUID FrameDimensionTime = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
inline constexpr GUID FrameDimensionResolution = {0x84236f7b, 0x3bd3, 0x428f, {0x8d, 0xab, 0x4e, 0xa1, 0x43, 0x9c, 0xa3, 0x15}};
inline constexpr GUID FrameDimensionPage = {0x7462dc86, 0x6180, 0x4c7e, {0x8e, 0x3f, 0xee, 0x73, 0x33, 0xa7, 0xa4, 0x83}};

// ---- the flat functions of the codec module ----
extern "C" {
Gdiplus::Status WINAPI GdiplusStartup(ULONG_PTR* outToken, const Gdiplus::GdiplusStartupInput* inInput,
                                      Gdiplus::GdiplusStartupOutput* outOutput);
void WINAPI GdiplusShutdown(ULONG_PTR inToken);

// A bitmap from a file (UTF-16 path) or from a stream's whole content (read from its start; the
// stream may be released afterwards). Only the header is read here; pixels are decoded when a
// rectangle is locked.
Gdiplus::GpStatus WINGDIPAPI GdipCreateBitmapFromFileICM(GDIPCONST WCHAR* inPath, Gdiplus::GpBitmap** outBitmap);
Gdiplus::GpStatus WINGDIPAPI GdipCreateBitmapFromStreamICM(IStream* inStream, Gdiplus::GpBitmap** outBitmap);
Gdiplus::GpStatus WINGDIPAPI GdipDisposeImage(Gdiplus::GpImage* inImage);
Gdiplus::GpStatus WINGDIPAPI GdipGetImageRawFormat(Gdiplus::GpImage* inImage, GUID* outFormat);
Gdiplus::GpStatus WINGDIPAPI GdipImageGetFrameDimensionsCount(Gdiplus::GpImage* inImage, UINT* outCount);
Gdiplus::GpStatus WINGDIPAPI GdipImageGetFrameDimensionsList(Gdiplus::GpImage* inImage, GUID* outDimensions,
                                                             UINT inCount);
Gdiplus::GpStatus WINGDIPAPI GdipImageGetFrameCount(Gdiplus::GpImage* inImage, GDIPCONST GUID* inDimension,
                                                    UINT* outCount);
Gdiplus::GpStatus WINGDIPAPI GdipImageSelectActiveFrame(Gdiplus::GpImage* inImage, GDIPCONST GUID* inDimension,
                                                        UINT inIndex);
Gdiplus::GpStatus WINGDIPAPI GdipGetImageWidth(Gdiplus::GpImage* inImage, UINT* outWidth);
Gdiplus::GpStatus WINGDIPAPI GdipGetImageHeight(Gdiplus::GpImage* inImage, UINT* outHeight);
Gdiplus::GpStatus WINGDIPAPI GdipGetImageHorizontalResolution(Gdiplus::GpImage* inImage, Gdiplus::REAL* outDpi);
Gdiplus::GpStatus WINGDIPAPI GdipGetImageVerticalResolution(Gdiplus::GpImage* inImage, Gdiplus::REAL* outDpi);
Gdiplus::GpStatus WINGDIPAPI GdipBitmapLockBits(Gdiplus::GpBitmap* inBitmap, GDIPCONST Gdiplus::GpRect* inRect,
                                                UINT inFlags, Gdiplus::PixelFormat inFormat,
                                                Gdiplus::BitmapData* outData);
Gdiplus::GpStatus WINGDIPAPI GdipBitmapUnlockBits(Gdiplus::GpBitmap* inBitmap, Gdiplus::BitmapData* inData);
}  // extern "C"

namespace Gdiplus {

inline Status GdiplusStartup(ULONG_PTR* outToken, const GdiplusStartupInput* inInput,
                             GdiplusStartupOutput* outOutput) {
  return ::GdiplusStartup(outToken, inInput, outOutput);
}
inline void GdiplusShutdown(ULONG_PTR inToken) { ::GdiplusShutdown(inToken); }

// An image held by the codec. Every call made through the object keeps its status as the last
// status until GetLastStatus reads and clears it; a call that fails leaves its status there.
class Image {
 public:
  virtual ~Image() {
    if (mNative != nullptr) GdipDisposeImage(mNative);
  }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  Status GetLastStatus() {
    const Status theStatus = mLastResult;
    mLastResult = Ok;
    return theStatus;
  }
  Status GetRawFormat(GUID* outFormat) { return Keep(GdipGetImageRawFormat(mNative, outFormat)); }
  UINT GetFrameDimensionsCount() {
    UINT theCount = 0;
    Keep(GdipImageGetFrameDimensionsCount(mNative, &theCount));
    return theCount;
  }
  Status GetFrameDimensionsList(GUID* outDimensions, UINT inCount) {
    return Keep(GdipImageGetFrameDimensionsList(mNative, outDimensions, inCount));
  }
  UINT GetFrameCount(const GUID* inDimension) {
    UINT theCount = 0;
    Keep(GdipImageGetFrameCount(mNative, inDimension, &theCount));
    return theCount;
  }
  Status SelectActiveFrame(const GUID* inDimension, UINT inIndex) {
    return Keep(GdipImageSelectActiveFrame(mNative, inDimension, inIndex));
  }
  UINT GetWidth() {
    UINT theWidth = 0;
    Keep(GdipGetImageWidth(mNative, &theWidth));
    return theWidth;
  }
  UINT GetHeight() {
    UINT theHeight = 0;
    Keep(GdipGetImageHeight(mNative, &theHeight));
    return theHeight;
  }
  REAL GetHorizontalResolution() {
    REAL theDpi = 0;
    Keep(GdipGetImageHorizontalResolution(mNative, &theDpi));
    return theDpi;
  }
  REAL GetVerticalResolution() {
    REAL theDpi = 0;
    Keep(GdipGetImageVerticalResolution(mNative, &theDpi));
    return theDpi;
  }

 protected:
  Image() = default;
  Status Keep(Status inStatus) {
    if (inStatus != Ok) mLastResult = inStatus;
    return inStatus;
  }

  GpImage* mNative = nullptr;
  Status mLastResult = Ok;
};

class Bitmap : public Image {
 public:
  Bitmap(const WCHAR* inPath, BOOL inUseIcm) {
    GpBitmap* theBitmap = nullptr;
    mLastResult = inUseIcm ? GdipCreateBitmapFromFileICM(inPath, &theBitmap)
                           : GdipCreateBitmapFromFileICM(inPath, &theBitmap);
    mNative = reinterpret_cast<GpImage*>(theBitmap);
  }
  Bitmap(IStream* inStream, BOOL inUseIcm) {
    GpBitmap* theBitmap = nullptr;
    mLastResult = inUseIcm ? GdipCreateBitmapFromStreamICM(inStream, &theBitmap)
                           : GdipCreateBitmapFromStreamICM(inStream, &theBitmap);
    mNative = reinterpret_cast<GpImage*>(theBitmap);
  }
  // New objects, null only when the wrapper itself cannot be allocated; a failed load gives an
  // object whose last status says why.
  static Bitmap* FromFile(const WCHAR* inPath, BOOL inUseIcm = FALSE) {
    return new (std::nothrow) Bitmap(inPath, inUseIcm);
  }
  static Bitmap* FromStream(IStream* inStream, BOOL inUseIcm = FALSE) {
    return new (std::nothrow) Bitmap(inStream, inUseIcm);
  }

  Status LockBits(const Rect* inRect, UINT inFlags, PixelFormat inFormat, BitmapData* outData) {
    return Keep(GdipBitmapLockBits(Native(), inRect, inFlags, inFormat, outData));
  }
  Status UnlockBits(BitmapData* inData) { return Keep(GdipBitmapUnlockBits(Native(), inData)); }

 private:
  GpBitmap* Native() { return reinterpret_cast<GpBitmap*>(mNative); }
};

}  // namespace Gdiplus
