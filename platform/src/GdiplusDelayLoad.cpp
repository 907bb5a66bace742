// Delayed loading of the image codec module: each flat function is bound on its first call. The
// module is found by name, so a copy of it already loaded by path (a private copy beside the
// library) is used; otherwise the ordinary library search finds it. A module or function that
// cannot be found raises the delay-load exception on the calling thread and is looked for again
// on the next call.
#include <gdiplus.h>
#include <errhandlingapi.h>
#include <winerror.h>

#include <dlfcn.h>

#include <atomic>
#include <string>

namespace {

constexpr const char* kCodecModule = "libqxgdiplus.so";

// The codec module is installed beside the platform library. The library search may not look
// there (a sanitizer's interception of dlopen, for one, makes the search use another module's
// paths), so that folder is tried by path when the search finds nothing.
void* FindCodecModule() {
  void* theModule = dlopen(kCodecModule, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (theModule == nullptr) theModule = dlopen(kCodecModule, RTLD_NOW | RTLD_LOCAL);
  Dl_info theInfo{};
  if (theModule == nullptr && dladdr(reinterpret_cast<void*>(&FindCodecModule), &theInfo) != 0 &&
      theInfo.dli_fname != nullptr) {
    std::string thePath(theInfo.dli_fname);
    const size_t theSlash = thePath.find_last_of('/');
    thePath.erase(theSlash == std::string::npos ? 0 : theSlash + 1);
    theModule = dlopen((thePath + kCodecModule).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  return theModule;
}

void* BindCodecFunction(const char* inName) {
  void* theModule = FindCodecModule();
  if (theModule == nullptr) {
    const ULONG_PTR theArguments[1] = {ERROR_MOD_NOT_FOUND};
    RaiseException(QX_DELAYLOAD_MODULE_NOT_FOUND, 0, 1, theArguments);
  }
  void* theFunction = dlsym(theModule, inName);
  // The module stays loaded for the life of the process: bound functions keep pointing into it.
  if (theFunction == nullptr) {
    dlclose(theModule);
    const ULONG_PTR theArguments[1] = {ERROR_PROC_NOT_FOUND};
    RaiseException(QX_DELAYLOAD_PROC_NOT_FOUND, 0, 1, theArguments);
  }
  return theFunction;
}

template <class Function>
Function Bound(std::atomic<Function>& inSlot, const char* inName) {
  Function theFunction = inSlot.load(std::memory_order_acquire);
  if (theFunction == nullptr) {
    theFunction = reinterpret_cast<Function>(BindCodecFunction(inName));
    inSlot.store(theFunction, std::memory_order_release);
  }
  return theFunction;
}

}  // namespace

#define QX_DELAYED(Result, Name, Parameters, Arguments)                      \
  Result WINAPI Name Parameters {                                            \
    using Function = Result(WINAPI*) Parameters;                             \
    static std::atomic<Function> sFunction{nullptr};                         \
    return Bound(sFunction, #Name) Arguments;                                \
  }

using namespace Gdiplus;

extern "C" {
QX_DELAYED(Status, GdiplusStartup,
           (ULONG_PTR * outToken, const GdiplusStartupInput* inInput, GdiplusStartupOutput* outOutput),
           (outToken, inInput, outOutput))
QX_DELAYED(void, GdiplusShutdown, (ULONG_PTR inToken), (inToken))
QX_DELAYED(GpStatus, GdipCreateBitmapFromFileICM, (const WCHAR* inPath, GpBitmap** outBitmap), (inPath, outBitmap))
QX_DELAYED(GpStatus, GdipCreateBitmapFromStreamICM, (IStream * inStream, GpBitmap** outBitmap),
           (inStream, outBitmap))
QX_DELAYED(GpStatus, GdipDisposeImage, (GpImage * inImage), (inImage))
QX_DELAYED(GpStatus, GdipGetImageRawFormat, (GpImage * inImage, GUID* outFormat), (inImage, outFormat))
QX_DELAYED(GpStatus, GdipImageGetFrameDimensionsCount, (GpImage * inImage, UINT* outCount), (inImage, outCount))
QX_DELAYED(GpStatus, GdipImageGetFrameDimensionsList, (GpImage * inImage, GUID* outDimensions, UINT inCount),
           (inImage, outDimensions, inCount))
QX_DELAYED(GpStatus, GdipImageGetFrameCount, (GpImage * inImage, const GUID* inDimension, UINT* outCount),
           (inImage, inDimension, outCount))
QX_DELAYED(GpStatus, GdipImageSelectActiveFrame, (GpImage * inImage, const GUID* inDimension, UINT inIndex),
           (inImage, inDimension, inIndex))
QX_DELAYED(GpStatus, GdipGetImageWidth, (GpImage * inImage, UINT* outWidth), (inImage, outWidth))
QX_DELAYED(GpStatus, GdipGetImageHeight, (GpImage * inImage, UINT* outHeight), (inImage, outHeight))
QX_DELAYED(GpStatus, GdipGetImageHorizontalResolution, (GpImage * inImage, REAL* outDpi), (inImage, outDpi))
QX_DELAYED(GpStatus, GdipGetImageVerticalResolution, (GpImage * inImage, REAL* outDpi), (inImage, outDpi))
QX_DELAYED(GpStatus, GdipBitmapLockBits,
           (GpBitmap * inBitmap, const GpRect* inRect, UINT inFlags, PixelFormat inFormat, BitmapData* outData),
           (inBitmap, inRect, inFlags, inFormat, outData))
QX_DELAYED(GpStatus, GdipBitmapUnlockBits, (GpBitmap * inBitmap, BitmapData* inData), (inBitmap, inData))
}  // extern "C"
