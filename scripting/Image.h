// The Automation class Image: a picture loaded from a file or bytes through the image codec, a
// frame chosen from it and a selection in pixels, which Doc.AddImage turns into an image object.
#pragma once

#include <dispimpl.h>

#include <memory>

#include "images/PDFImage.h"
#include "runtime/ComBoundary.h"
#include "scripting/Quorix2.h"

inline constexpr ComClassInfo kImageClass{&CLSID_Image, &IID_IImage};

// A private interface by which the library recognises its own Image objects among the objects a
// script passes in; it is never registered and scripts cannot reach it.
inline constexpr IID IID_IQxImageLoader = {0x5b0e1c3a, 0x7d2f, 0x4e61, {0x9a, 0x8c, 0x31, 0x44, 0x0d, 0xe7, 0x52, 0x9b}};

struct IQxImageLoader : public IUnknown {
  // The loader inside the object; valid while the caller holds its reference.
  virtual PDFImage* STDMETHODCALLTYPE Loader() = 0;

 protected:
  ~IQxImageLoader() = default;
};

class Image final : public QxDispatchObject<Image, IImage, IID_IImage>, public IQxImageLoader {
 public:
  static const QxInterface& Describe();
  static HRESULT CreateInstance(REFIID inIID, void** outObject);

  // Both bases share one identity and one reference count.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return QxDispatchObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return QxDispatchObject::Release(); }

  PDFImage* STDMETHODCALLTYPE Loader() override { return mImage.get(); }

  HRESULT STDMETHODCALLTYPE SetFile(BSTR inFilePath) override;
  HRESULT STDMETHODCALLTYPE SetData(VARIANT inByteArray) override;
  HRESULT STDMETHODCALLTYPE get_Type(BSTR* outType) override;
  HRESULT STDMETHODCALLTYPE get_FrameCount(LONG* outCount) override;
  HRESULT STDMETHODCALLTYPE get_Frame(LONG* outFrame) override;
  HRESULT STDMETHODCALLTYPE put_Frame(LONG inFrame) override;
  HRESULT STDMETHODCALLTYPE get_Width(LONG* outWidth) override;
  HRESULT STDMETHODCALLTYPE get_Height(LONG* outHeight) override;
  HRESULT STDMETHODCALLTYPE get_HRes(double* outResolution) override;
  HRESULT STDMETHODCALLTYPE get_VRes(double* outResolution) override;
  HRESULT STDMETHODCALLTYPE get_Selection(IXRect** outRect) override;
  HRESULT STDMETHODCALLTYPE get_PDFImage(LONG* outImage) override;

 private:
  Image();
  ~Image() override;

  // Ends a load: the loader's error text, when it has one, becomes the caller's error.
  HRESULT FinishLoad();

  std::unique_ptr<PDFImage> mImage;
  IXRect* mRect = nullptr;  // bound to the loader's selection; one reference held
};
