#include "images/PDFImage.h"

#include <objbase.h>

#include <cstring>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "runtime/Preferences.h"
#include "runtime/SException.h"

namespace {

// The codec is started once per process and never shut down: loaders of every thread share it.
struct CodecStart {
  std::mutex mutex;
  bool started = false;
  ULONG_PTR token = 0;
};

CodecStart& Codec() {
  static CodecStart sCodec;
  return sCodec;
}

// Starts the codec; a missing module arrives as a structured exception through the translator
// and leaves it not started.
void TryStartCodec(CodecStart& ioCodec) {
  const _se_translator_function thePrevious = _set_se_translator(TranslateSystemException);
  try {
    Gdiplus::GdiplusStartupInput theInput;
    ULONG_PTR theToken = 0;
    if (Gdiplus::GdiplusStartup(&theToken, &theInput, nullptr) == Gdiplus::Ok) {
      ioCodec.started = true;
      ioCodec.token = theToken;
    }
  } catch (...) {
  }
  _set_se_translator(thePrevious);
}

// The name under which the codec's private copy is installed beside the library.
constexpr const char* kPrivateCodec = "quorix2/libqxgdiplus.so";

void StartCodec() {
  CodecStart& theCodec = Codec();
  const std::lock_guard theLock(theCodec.mutex);
  if (theCodec.started) return;
  TryStartCodec(theCodec);
  if (theCodec.started) return;
  // A private copy beside the library: once a module of the codec's name is loaded, the delayed
  // binding finds it.
  char thePath[MAX_PATH + 1] = {};
  if (ReadModulePath(nullptr, thePath, MAX_PATH) == ERROR_SUCCESS) {
    thePath[MAX_PATH] = 0;
    std::string theFolder(thePath);
    const size_t theSlash = theFolder.find_last_of('/');
    theFolder.erase(theSlash == std::string::npos ? 0 : theSlash + 1);
    LoadLibraryA((theFolder + kPrivateCodec).c_str());
  }
  SetLastError(0);
  TryStartCodec(theCodec);
}

bool CodecStarted() {
  CodecStart& theCodec = Codec();
  const std::lock_guard theLock(theCodec.mutex);
  return theCodec.started;
}

const char* StatusText(Gdiplus::Status inStatus) {
  static const char* const kTexts[] = {
      "Ok", "Generic Error", "Invalid Parameter", "Out Of Memory", "Object Busy", "Insufficient Buffer",
      "Not Implemented", "Win32 Error", "Wrong State", "Aborted", "File Not Found", "Value Overflow",
      "Access Denied", "Unknown Image Format", "Font Family Not Found", "Font Style Not Found",
      "Not TrueType Font", "Unsupported Gdiplus Version", "Gdiplus Not Initialized", "Property Not Found",
      "Property Not Supported"};
  const auto theIndex = static_cast<unsigned>(inStatus);
  return theIndex < sizeof(kTexts) / sizeof(kTexts[0]) ? kTexts[theIndex] : "Unknown Error";
}

struct FormatName {
  const GUID* format;
  PDFImage::RawFormat index;
  const char16_t* name;
};

constexpr FormatName kFormats[] = {
    {&ImageFormatBMP, PDFImage::kBMP, u"BMP"},       {&ImageFormatEMF, PDFImage::kEMF, u"EMF"},
    {&ImageFormatEXIF, PDFImage::kEXIF, u"EXIF"},    {&ImageFormatGIF, PDFImage::kGIF, u"GIF"},
    {&ImageFormatIcon, PDFImage::kIcon, u"Icon"},    {&ImageFormatJPEG, PDFImage::kJPEG, u"JPEG"},
    {&ImageFormatMemoryBMP, PDFImage::kMemoryBMP, u"MemoryBMP"}, {&ImageFormatPNG, PDFImage::kPNG, u"PNG"},
    {&ImageFormatTIFF, PDFImage::kTIFF, u"TIFF"},    {&ImageFormatWMF, PDFImage::kWMF, u"WMF"},
};

}  // namespace

PDFImage::PDFImage() : mSelection(std::make_shared<RectRecord>()) {
  if (!CodecStarted()) StartCodec();
}

PDFImage::~PDFImage() = default;

bool PDFImage::Clear() {
  mReport.Reset();
  mBitmap.reset();
  *mSelection = RectRecord{};
  mFrame = 0;
  if (!CodecStarted()) mReport.AddMessage("Unable to load GDI+.");
  return mReport.HasError();
}

bool PDFImage::SetFile(const WCHAR* inPath) {
  if (Clear()) return true;
  static const WCHAR kEmpty[] = {0};
  mBitmap.reset(Gdiplus::Bitmap::FromFile(inPath != nullptr ? inPath : kEmpty, TRUE));
  CheckStatus("Unable to draw file.");
  DropFailedBitmap();
  ResetSelection();
  return mReport.HasError();
}

bool PDFImage::SetData(const BYTE* inData, LONG inLength) {
  if (Clear()) return true;
  IStream* theStream = nullptr;
  if (inData != nullptr && inLength != 0) {
    theStream = CreateStream(inData, inLength);
    if (theStream != nullptr) {
      mBitmap.reset(Gdiplus::Bitmap::FromStream(theStream, TRUE));
      theStream->Release();
      CheckStatus("Unable to draw file.");
      DropFailedBitmap();
      ResetSelection();
      return mReport.HasError();
    }
  } else {
    mReport.AddMessage("No data provided.");
  }
  mReport.AddMessage("Unable to create stream.");
  const DWORD theError = GetLastError();
  if (theError != 0) mReport.mWinError1 = theError;
  return mReport.HasError();
}

IStream* PDFImage::CreateStream(const BYTE* inData, LONG inLength) {
  if (inData == nullptr || inLength <= 0) return nullptr;
  HGLOBAL theBlock = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(inLength));
  if (theBlock == nullptr) return nullptr;
  void* theMemory = GlobalLock(theBlock);
  if (theMemory == nullptr) {
    GlobalFree(theBlock);
    return nullptr;
  }
  std::memcpy(theMemory, inData, static_cast<size_t>(inLength));
  GlobalUnlock(theBlock);
  IStream* theStream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(theBlock, TRUE, &theStream)) || theStream == nullptr) {
    GlobalFree(theBlock);
    return nullptr;
  }
  ULARGE_INTEGER theSize;
  theSize.QuadPart = static_cast<ULONGLONG>(inLength);
  theStream->SetSize(theSize);
  return theStream;
}

void PDFImage::CheckStatus(const char* inMessage) {
  if (mBitmap == nullptr) {
    mReport.AddMessage("Unable to create image.");
    return;
  }
  const Gdiplus::Status theStatus = mBitmap->GetLastStatus();
  if (theStatus == Gdiplus::Ok) return;
  if (inMessage != nullptr) mReport.AddMessage(inMessage);
  mReport.AddMessage(StatusText(theStatus));
  // The codec's Win32 Error carries no code of its own: its number stands for it.
  if (theStatus == Gdiplus::Win32Error) mReport.mWinError1 = Gdiplus::Win32Error;
}

void PDFImage::DropFailedBitmap() {
  // A picture that did not load leaves the object empty: no type, no frames, no size.
  if (mReport.HasError()) mBitmap.reset();
}

void PDFImage::ResetSelection() {
  *mSelection = RectRecord{0, 0, GetWidth(), GetHeight()};
}

void PDFImage::ClipSelection() {
  const LONG theWidth = GetWidth();
  const LONG theHeight = GetHeight();
  auto theClip = [](int32_t& ioA, int32_t& ioB, LONG inLimit) {
    int32_t& theSmaller = ioA <= ioB ? ioA : ioB;
    int32_t& theLarger = ioA <= ioB ? ioB : ioA;
    if (theSmaller < 0) theSmaller = 0;
    if (theSmaller > inLimit) theSmaller = inLimit;
    if (theLarger > inLimit) theLarger = inLimit;
  };
  theClip(mSelection->x1, mSelection->x2, theWidth);
  theClip(mSelection->y1, mSelection->y2, theHeight);
}

bool PDFImage::HasFrameDimension(const GUID& inDimension) {
  const UINT theCount = mBitmap->GetFrameDimensionsCount();
  if (theCount == 0 || theCount > 16) return false;
  GUID theDimensions[16];
  if (mBitmap->GetFrameDimensionsList(theDimensions, theCount) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < theCount; ++i)
    if (IsEqualGUID(theDimensions[i], inDimension)) return true;
  return false;
}

LONG PDFImage::GetFrameCount() {
  if (mBitmap == nullptr) return 0;
  const LONG theFormat = GetRawFormat();
  if (theFormat == kTIFF && HasFrameDimension(FrameDimensionPage))
    return static_cast<LONG>(mBitmap->GetFrameCount(&FrameDimensionPage));
  if (theFormat == kGIF && HasFrameDimension(FrameDimensionTime))
    return static_cast<LONG>(mBitmap->GetFrameCount(&FrameDimensionTime));
  return 1;
}

void PDFImage::SetFrame(LONG inIndex) {
  if (mBitmap == nullptr) return;
  const LONG theFormat = GetRawFormat();
  const GUID* theDimension = theFormat == kTIFF ? &FrameDimensionPage
                             : theFormat == kGIF ? &FrameDimensionTime
                                                 : nullptr;
  if (theDimension == nullptr) return;
  // A negative index reaches the codec as a huge one, which it refuses.
  if (mBitmap->SelectActiveFrame(theDimension, static_cast<UINT>(inIndex)) == Gdiplus::Ok) mFrame = inIndex;
  ResetSelection();
}

LONG PDFImage::GetFrame() { return mFrame; }

LONG PDFImage::GetWidth() {
  if (mBitmap == nullptr) return 0;
  const UINT theWidth = mBitmap->GetWidth();
  return theWidth > static_cast<UINT>(std::numeric_limits<LONG>::max()) ? 0 : static_cast<LONG>(theWidth);
}

LONG PDFImage::GetHeight() {
  if (mBitmap == nullptr) return 0;
  const UINT theHeight = mBitmap->GetHeight();
  return theHeight > static_cast<UINT>(std::numeric_limits<LONG>::max()) ? 0 : static_cast<LONG>(theHeight);
}

double PDFImage::GetHRes() { return mBitmap == nullptr ? 0.0 : mBitmap->GetHorizontalResolution(); }

double PDFImage::GetVRes() { return mBitmap == nullptr ? 0.0 : mBitmap->GetVerticalResolution(); }

RectRecord* PDFImage::GetSelection() { return mSelection.get(); }

LONG PDFImage::GetRawFormat() {
  if (mBitmap == nullptr) return kUndefined;
  GUID theFormat{};
  if (mBitmap->GetRawFormat(&theFormat) != Gdiplus::Ok) return kUndefined;
  for (const FormatName& theEntry : kFormats)
    if (IsEqualGUID(theFormat, *theEntry.format)) return theEntry.index;
  return kUndefined;
}

void PDFImage::GetTypeName(WCHAR* outName) {
  if (outName == nullptr) return;
  outName[0] = 0;
  const LONG theFormat = GetRawFormat();
  for (const FormatName& theEntry : kFormats) {
    if (theEntry.index != theFormat) continue;
    const size_t theLength = std::char_traits<char16_t>::length(theEntry.name);
    std::memcpy(outName, theEntry.name, (theLength + 1) * sizeof(WCHAR));
  }
}

void PDFImage::GetPixels(BYTE** outData, LONG* outLength) {
  if (outData == nullptr || outLength == nullptr) return;
  *outData = nullptr;
  *outLength = 0;
  if (mBitmap == nullptr) return;
  const int64_t theFrameWidth = GetWidth();
  const int64_t theFrameHeight = GetHeight();
  const RectRecord& theSel = *mSelection;
  const int64_t theMinX = std::min(theSel.x1, theSel.x2);
  const int64_t theMinY = std::min(theSel.y1, theSel.y2);
  const int64_t theLeft = std::max<int64_t>(theMinX, 0);
  const int64_t theTop = std::max<int64_t>(theMinY, 0);
  const int64_t theWidth =
      std::min<int64_t>(theMinX + std::abs(int64_t{theSel.x2} - theSel.x1), theFrameWidth) - theLeft;
  const int64_t theHeight =
      std::min<int64_t>(theMinY + std::abs(int64_t{theSel.y2} - theSel.y1), theFrameHeight) - theTop;
  // The codec refuses an empty or outside rectangle; its status stays in the bitmap.
  const Gdiplus::Rect theRect(static_cast<INT>(std::clamp<int64_t>(theLeft, INT32_MIN, INT32_MAX)),
                              static_cast<INT>(std::clamp<int64_t>(theTop, INT32_MIN, INT32_MAX)),
                              static_cast<INT>(std::clamp<int64_t>(theWidth, INT32_MIN, INT32_MAX)),
                              static_cast<INT>(std::clamp<int64_t>(theHeight, INT32_MIN, INT32_MAX)));
  // The codec writes the rectangle's rows (blue, green, red) straight into the buffer handed back,
  // which is then turned into red, green, blue in place: no copy of the picture in between.
  const uint64_t theRowBytes = theWidth > 0 ? static_cast<uint64_t>(theWidth) * 3 : 0;
  const uint64_t theSize = theHeight > 0 ? theRowBytes * static_cast<uint64_t>(theHeight) : 0;
  if (theSize == 0 || theSize > static_cast<uint64_t>(std::numeric_limits<LONG>::max())) {
    // Nothing to copy: the codec still judges the rectangle, so its status says why.
    Gdiplus::BitmapData theLocked{};
    if (mBitmap->LockBits(&theRect, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &theLocked) == Gdiplus::Ok)
      mBitmap->UnlockBits(&theLocked);
    return;
  }
  auto* thePixels = static_cast<BYTE*>(CoTaskMemAlloc(static_cast<SIZE_T>(theSize)));
  if (thePixels == nullptr) return;
  Gdiplus::BitmapData theLocked{};
  theLocked.Scan0 = thePixels;
  theLocked.Stride = static_cast<INT>(theRowBytes);
  if (mBitmap->LockBits(&theRect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                        PixelFormat24bppRGB, &theLocked) != Gdiplus::Ok) {
    CoTaskMemFree(thePixels);
    return;
  }
  mBitmap->UnlockBits(&theLocked);
  for (BYTE *thePixel = thePixels, *theEnd = thePixels + theSize; thePixel != theEnd; thePixel += 3)
    std::swap(thePixel[0], thePixel[2]);
  *outData = thePixels;
  *outLength = static_cast<LONG>(theSize);
}

const char* PDFImage::GetErrorText() { return mReport.HasError() ? mReport.GetText() : nullptr; }
