// The Automation class Doc: one PDF document with its drawing state. Every member is a thin
// wrapper that converts its arguments, calls one operation of the document and converts the
// result, inside the common boundary that turns failures into COM errors.
//
// The document lives in shared ownership: the six value objects handed out (Color, Pos, Rect,
// MediaBox, TextStyle, Transform) view records of its drawing state through pointers that share
// that ownership, so a script that keeps one after releasing the Doc keeps the document alive and
// can go on using the object safely.
#pragma once

#include <dispimpl.h>

#include <memory>
#include <string>

#include "runtime/ComBoundary.h"
#include "scripting/Quorix2.h"

class PDFDrawingDoc;

inline constexpr ComClassInfo kDocClass{&CLSID_Doc, &IID_IDoc};

class Doc final : public QxDispatchObject<Doc, IDoc, IID_IDoc> {
 public:
  static const QxInterface& Describe();
  // A new Doc with an empty document and the default drawing state.
  static HRESULT CreateInstance(REFIID inIID, void** outObject);

  HRESULT STDMETHODCALLTYPE get_Page(LONG* outID) override;
  HRESULT STDMETHODCALLTYPE put_Page(LONG inID) override;
  HRESULT STDMETHODCALLTYPE get_Font(LONG* outID) override;
  HRESULT STDMETHODCALLTYPE put_Font(LONG inID) override;
  HRESULT STDMETHODCALLTYPE get_FontSize(LONG* outSize) override;
  HRESULT STDMETHODCALLTYPE put_FontSize(LONG inSize) override;
  HRESULT STDMETHODCALLTYPE get_Width(LONG* outWidth) override;
  HRESULT STDMETHODCALLTYPE put_Width(LONG inWidth) override;
  HRESULT STDMETHODCALLTYPE get_HPos(double* outFactor) override;
  HRESULT STDMETHODCALLTYPE put_HPos(double inFactor) override;
  HRESULT STDMETHODCALLTYPE get_VPos(double* outFactor) override;
  HRESULT STDMETHODCALLTYPE put_VPos(double inFactor) override;
  HRESULT STDMETHODCALLTYPE get_Color(IXColor** outCol) override;
  HRESULT STDMETHODCALLTYPE get_Pos(IXPoint** outPos) override;
  HRESULT STDMETHODCALLTYPE get_Rect(IXRect** outRect) override;
  HRESULT STDMETHODCALLTYPE get_MediaBox(IXRect** outRect) override;
  HRESULT STDMETHODCALLTYPE get_TextStyle(IXTextStyle** outTextStyle) override;
  HRESULT STDMETHODCALLTYPE get_Transform(IXTransform** outTransform) override;
  HRESULT STDMETHODCALLTYPE get_Root(LONG* outID) override;
  HRESULT STDMETHODCALLTYPE get_Layer(LONG* outLayer) override;
  HRESULT STDMETHODCALLTYPE put_Layer(LONG inLayer) override;
  HRESULT STDMETHODCALLTYPE get_LayerCount(LONG* outCount) override;
  HRESULT STDMETHODCALLTYPE AddPage(VARIANT inPage, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE AddFont(BSTR inFontName, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE AddText(BSTR inText, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE AddLine(LONG inStartX, LONG inStartY, LONG inEndX, LONG inEndY, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE AddImage(VARIANT inImage, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE GetInfo(LONG inID, BSTR inType, BSTR* outInfo) override;
  HRESULT STDMETHODCALLTYPE FrameRect(LONG* outID) override;
  HRESULT STDMETHODCALLTYPE FillRect(LONG* outID) override;
  HRESULT STDMETHODCALLTYPE Delete(LONG inID) override;
  HRESULT STDMETHODCALLTYPE Save(BSTR inFilePath) override;
  HRESULT STDMETHODCALLTYPE GetData(VARIANT* outData) override;
  HRESULT STDMETHODCALLTYPE Read(VARIANT inPathOrData) override;
  HRESULT STDMETHODCALLTYPE EmbedFont(BSTR inFontName, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE SetInfo(LONG inID, BSTR inType, BSTR inInfo) override;
  HRESULT STDMETHODCALLTYPE AddBookmark(BSTR inPath, VARIANT_BOOL inExpanded, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE AddObject(BSTR inObject, LONG* outID) override;
  HRESULT STDMETHODCALLTYPE Flatten(LONG* outID) override;

 private:
  // Releases a held interface pointer.
  struct Releaser {
    void operator()(IUnknown* inObject) const {
      if (inObject != nullptr) inObject->Release();
    }
  };
  template <class T>
  using Held = std::unique_ptr<T, Releaser>;

  explicit Doc(std::shared_ptr<PDFDrawingDoc> inDoc);
  ~Doc() override;

  // Creates and binds the six value objects, in the order Color, Pos, Rect, MediaBox, TextStyle,
  // Transform; false when one of them cannot be made.
  bool BindValueObjects();
  // Hands out a further reference to a held value object.
  template <class T>
  HRESULT GetValueObject(const Held<T>& inHeld, const IID& inIID, T** outObject, const char* inAssertion);

  std::shared_ptr<PDFDrawingDoc> mDoc;
  // The path of the file the document was read from, which stays mapped while the document reads
  // from it; empty when it was not read from a file.
  std::basic_string<WCHAR> mReadPath;
  Held<IXColor> mColor;
  Held<IXPoint> mPoint;
  Held<IXRect> mRect;
  Held<IXRect> mMediaBox;
  Held<IXTextStyle> mTextStyle;
  Held<IXTransform> mTransform;
};
