#include "scripting/Image.h"

#include <cstdint>
#include <new>

#include "runtime/Assert.h"
#include "runtime/EventLog.h"
#include "runtime/FileUtilities.h"
#include "runtime/Preferences.h"
#include "scripting/DispatchResults.h"
#include "scripting/QuorixModule.h"
#include "scripting/XRect.h"

namespace {

HRESULT FailWithText(const char* inText, HRESULT inResult) {
  if (GetPrefLong("LogErrors", 0) != 0) LogText(inText, kEventWarning);
  return ReportComError(CLSID_Image, inText, IID_IImage, inResult);
}

}  // namespace

Image::Image() : QxDispatchObject(&ModuleCount()), mImage(std::make_unique<PDFImage>()) {
  // The selection seen by scripts is the loader's own rectangle; its linked point is private.
  const HRESULT theResult = XRect::Create(mImage->SharedSelection(), nullptr, &mRect);
  (void)theResult;
  QX_ASSERT(mRect);
}

Image::~Image() {
  if (mRect != nullptr) mRect->Release();
}

HRESULT Image::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  Image* theObject = nullptr;
  try {
    theObject = new Image();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  const HRESULT theQuery = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theQuery;
}

HRESULT Image::QueryInterface(REFIID inIID, void** outObject) {
  if (outObject != nullptr && IsEqualIID(inIID, IID_IQxImageLoader)) {
    *outObject = static_cast<IQxImageLoader*>(this);
    AddRef();
    return S_OK;
  }
  return QxDispatchObject::QueryInterface(inIID, outObject);
}

const QxInterface& Image::Describe() {
  static const QxInterface sInterface{
      u"IImage",
      IID_IImage,
      u"IImage Interface",
      {
          QxMethod<&IImage::SetFile>(1, u"SetFile", u"Load the image from a file", {u"FilePath"}),
          QxMethod<&IImage::SetData>(2, u"SetData", u"Load the image from an array of bytes", {u"ByteArray"}),
          QxPropGet<&IImage::get_Type>(3, u"Type", u"The image format"),
          QxPropGet<&IImage::get_FrameCount>(4, u"FrameCount", u"The number of frames in the image"),
          QxPropGet<&IImage::get_Frame>(5, u"Frame", u"The current frame (one is the first)"),
          QxPropPut<&IImage::put_Frame>(5, u"Frame", u"The current frame (one is the first)"),
          QxPropGet<&IImage::get_Width>(6, u"Width", u"The width of the current frame in pixels"),
          QxPropGet<&IImage::get_Height>(7, u"Height", u"The height of the current frame in pixels"),
          QxPropGet<&IImage::get_HRes>(8, u"HRes", u"The horizontal resolution in dots per inch"),
          QxPropGet<&IImage::get_VRes>(9, u"VRes", u"The vertical resolution in dots per inch"),
          QxPropGet<&IImage::get_Selection>(10, u"Selection", u"The part of the frame to add, in pixels"),
          QxHidden(QxPropGet<&IImage::get_PDFImage>(11, u"PDFImage", u"The internal image object")),
      }};
  return sInterface;
}

HRESULT Image::FinishLoad() {
  const char* theText = mImage->GetErrorText();
  return theText != nullptr ? FailWithText(theText, E_FAIL) : S_OK;
}

HRESULT Image::SetFile(BSTR inFilePath) {
  return QX_COM_METHOD(kImageClass, [&] {
    static const WCHAR kEmpty[] = {0};
    mImage->SetFile(inFilePath != nullptr ? inFilePath : kEmpty);
    return FinishLoad();
  });
}

HRESULT Image::SetData(VARIANT inByteArray) {
  return QX_COM_METHOD(kImageClass, [&] {
    const BYTE* theData = nullptr;
    LONG theLength = 0;
    const HRESULT theAccess = AccessBytes(&inByteArray, &theData, &theLength);
    if (FAILED(theAccess)) return FailWithText("Unable to access data.", theAccess);
    struct Release {
      VARIANT* value;
      ~Release() { ReleaseBytes(value); }
    } theRelease{&inByteArray};
    mImage->SetData(theData, theLength);
    return FinishLoad();
  });
}

HRESULT Image::get_Type(BSTR* outType) {
  return QX_COM_METHOD_OUT(kImageClass, outType, [&] {
    WCHAR theName[PDFImage::kTypeNameSize] = {};
    mImage->GetTypeName(theName);
    *outType = SysAllocString(theName);
    ThrowIfNull(*outType);
    return S_OK;
  });
}

HRESULT Image::get_FrameCount(LONG* outCount) {
  return QX_COM_METHOD_OUT(kImageClass, outCount, [&] {
    *outCount = mImage->GetFrameCount();
    return S_OK;
  });
}

HRESULT Image::get_Frame(LONG* outFrame) {
  return QX_COM_METHOD_OUT(kImageClass, outFrame, [&] {
    *outFrame = mImage->GetFrame() + 1;
    return S_OK;
  });
}

HRESULT Image::put_Frame(LONG inFrame) {
  return QX_COM_METHOD(kImageClass, [&] {
    mImage->SetFrame(static_cast<LONG>(static_cast<uint32_t>(inFrame) - 1u));
    return S_OK;
  });
}

HRESULT Image::get_Width(LONG* outWidth) {
  return QX_COM_METHOD_OUT(kImageClass, outWidth, [&] {
    *outWidth = mImage->GetWidth();
    return S_OK;
  });
}

HRESULT Image::get_Height(LONG* outHeight) {
  return QX_COM_METHOD_OUT(kImageClass, outHeight, [&] {
    *outHeight = mImage->GetHeight();
    return S_OK;
  });
}

HRESULT Image::get_HRes(double* outResolution) {
  return QX_COM_METHOD_OUT(kImageClass, outResolution, [&] {
    *outResolution = mImage->GetHRes();
    return S_OK;
  });
}

HRESULT Image::get_VRes(double* outResolution) {
  return QX_COM_METHOD_OUT(kImageClass, outResolution, [&] {
    *outResolution = mImage->GetVRes();
    return S_OK;
  });
}

HRESULT Image::get_Selection(IXRect** outRect) {
  return QX_COM_METHOD_OUT(kImageClass, outRect, [&] {
    *outRect = nullptr;
    if (mRect != nullptr) return mRect->QueryInterface(IID_IXRect, reinterpret_cast<void**>(outRect));
    return E_POINTER;
  });
}

HRESULT Image::get_PDFImage(LONG* outImage) {
  return QX_COM_METHOD_OUT(kImageClass, outImage, [&] {
    // Only meaningful inside this process; the library itself finds its images another way.
    *outImage = static_cast<LONG>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mImage.get())));
    return S_OK;
  });
}
