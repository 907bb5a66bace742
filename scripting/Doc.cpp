#include "scripting/Doc.h"

#include <new>
#include <string>
#include <type_traits>

#include "document/PDFDrawingDoc.h"
#include "runtime/Assert.h"
#include "runtime/EventLog.h"
#include "runtime/Preferences.h"
#include "scripting/QuorixModule.h"
#include "scripting/XColor.h"
#include "scripting/XPoint.h"
#include "scripting/XRect.h"
#include "scripting/XTextStyle.h"
#include "scripting/XTransform.h"

#include "scripting/DispatchResults.h"

Doc::Doc(std::shared_ptr<PDFDrawingDoc> inDoc) : QxDispatchObject(&ModuleCount()), mDoc(std::move(inDoc)) {}

Doc::~Doc() = default;

HRESULT Doc::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  std::shared_ptr<PDFDrawingDoc> theDocument;
  try {
    theDocument = std::make_shared<PDFDrawingDoc>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The object deletes itself when its last reference is released.
  Doc* theDoc = new (std::nothrow) Doc(std::move(theDocument));
  if (theDoc == nullptr) return E_OUTOFMEMORY;
  if (!theDoc->BindValueObjects()) {
    theDoc->Release();
    return E_OUTOFMEMORY;
  }
  const HRESULT theResult = theDoc->QueryInterface(inIID, outObject);
  theDoc->Release();
  return theResult;
}

bool Doc::BindValueObjects() {
  DrawingState& theState = mDoc->State();
  // Each record is viewed through a pointer that shares ownership of the whole document.
  auto theShare = [this](auto& inRecord) {
    using Record = std::remove_reference_t<decltype(inRecord)>;
    return std::shared_ptr<Record>(mDoc, &inRecord);
  };
  IXColor* theColor = nullptr;
  XColor::Create(theShare(theState.mColor), &theColor);
  mColor.reset(theColor);
  QX_ASSERT(mColor);
  IXPoint* thePoint = nullptr;
  XPoint::Create(theShare(theState.mPosition), &thePoint);
  mPoint.reset(thePoint);
  QX_ASSERT(mPoint);
  // Binding the drawing rectangle puts the position at its top-left corner.
  IXRect* theRect = nullptr;
  XRect::Create(theShare(theState.mRect), theShare(theState.mPosition), &theRect);
  mRect.reset(theRect);
  QX_ASSERT(mRect);
  theState.mPosition = PointRecord{theState.mRect.Left(), theState.mRect.Top()};
  IXRect* theMediaBox = nullptr;
  XRect::Create(theShare(theState.mMediaBox), nullptr, &theMediaBox);
  mMediaBox.reset(theMediaBox);
  QX_ASSERT(mMediaBox);
  IXTextStyle* theTextStyle = nullptr;
  XTextStyle::Create(theShare(theState.mTextStyle), &theTextStyle);
  mTextStyle.reset(theTextStyle);
  QX_ASSERT(mTextStyle);
  IXTransform* theTransform = nullptr;
  XTransform::Create(theShare(theState.mTransform), &theTransform);
  mTransform.reset(theTransform);
  QX_ASSERT(mTransform);
  return mColor && mPoint && mRect && mMediaBox && mTextStyle && mTransform;
}

template <class T>
HRESULT Doc::GetValueObject(const Held<T>& inHeld, const IID& inIID, T** outObject, const char* inAssertion) {
  return QX_COM_METHOD_OUT(kDocClass, outObject, [&] {
    *outObject = nullptr;
    HRESULT hr = inHeld ? inHeld->QueryInterface(inIID, reinterpret_cast<void**>(outObject)) : E_NOINTERFACE;
    QX_ASSERT(SUCCEEDED(hr));
    if (*outObject == nullptr) ReportAssertion(__FILE__, __LINE__, inAssertion);
    return S_OK;
  });
}

HRESULT Doc::get_Color(IXColor** outCol) { return GetValueObject(mColor, IID_IXColor, outCol, "*outCol"); }
HRESULT Doc::get_Pos(IXPoint** outPos) { return GetValueObject(mPoint, IID_IXPoint, outPos, "*outPos"); }
HRESULT Doc::get_Rect(IXRect** outRect) { return GetValueObject(mRect, IID_IXRect, outRect, "*outRect"); }
HRESULT Doc::get_MediaBox(IXRect** outRect) { return GetValueObject(mMediaBox, IID_IXRect, outRect, "*outRect"); }
HRESULT Doc::get_TextStyle(IXTextStyle** outTextStyle) {
  return GetValueObject(mTextStyle, IID_IXTextStyle, outTextStyle, "*outTextStyle");
}
HRESULT Doc::get_Transform(IXTransform** outTransform) {
  return GetValueObject(mTransform, IID_IXTransform, outTransform, "*outTransform");
}

const QxInterface& Doc::Describe() {
  static const QxInterface sInterface{
      u"IDoc",
      IID_IDoc,
      u"IDoc Interface",
      {
          QxPropGet<&IDoc::get_Page>(1, u"Page", u"The ID of the current page"),
          QxPropPut<&IDoc::put_Page>(1, u"Page", u"The ID of the current page"),
          QxPropGet<&IDoc::get_Font>(2, u"Font", u"The ID of the current font"),
          QxPropPut<&IDoc::put_Font>(2, u"Font", u"The ID of the current font"),
          QxPropGet<&IDoc::get_FontSize>(3, u"FontSize", u"The current text size (points)"),
          QxPropPut<&IDoc::put_FontSize>(3, u"FontSize", u"The current text size (points)"),
          QxPropGet<&IDoc::get_Width>(4, u"Width", u"The current line width (points)"),
          QxPropPut<&IDoc::put_Width>(4, u"Width", u"The current line width (points)"),
          QxPropGet<&IDoc::get_HPos>(5, u"HPos", u"The horizontal positioning factor (0 to 1)"),
          QxPropPut<&IDoc::put_HPos>(5, u"HPos", u"The horizontal positioning factor (0 to 1)"),
          QxPropGet<&IDoc::get_VPos>(6, u"VPos", u"The vertical positioning factor (0 to 1)"),
          QxPropPut<&IDoc::put_VPos>(6, u"VPos", u"The vertical positioning factor (0 to 1)"),
          QxPropGet<&IDoc::get_Color>(7, u"Color", u"The current drawing color"),
          QxPropGet<&IDoc::get_Pos>(8, u"Pos", u"The current drawing position"),
          QxPropGet<&IDoc::get_Rect>(9, u"Rect", u"The current drawing rectangle"),
          QxPropGet<&IDoc::get_MediaBox>(10, u"MediaBox", u"The page size"),
          QxPropGet<&IDoc::get_TextStyle>(11, u"TextStyle", u"The current text style"),
          QxPropGet<&IDoc::get_Transform>(12, u"Transform", u"The current default transformation"),
          QxPropGet<&IDoc::get_Root>(14, u"Root", u"The ID of the root catalog"),
          QxPropGet<&IDoc::get_Layer>(15, u"Layer", u"The content insertion position (one is top)"),
          QxPropPut<&IDoc::put_Layer>(15, u"Layer", u"The content insertion position (one is top)"),
          QxPropGet<&IDoc::get_LayerCount>(16, u"LayerCount", u"The number of layers in the current page"),
          QxMethod<&IDoc::AddPage>(17, u"AddPage", u"Add a page - return the page ID", {QxOptional(u"Page")}),
          QxMethod<&IDoc::AddFont>(18, u"AddFont", u"Add a font resource - return the font ID", {u"FontName"}),
          QxMethod<&IDoc::AddText>(19, u"AddText", u"Add a block of text - return the text ID", {u"Text"}),
          QxMethod<&IDoc::AddLine>(20, u"AddLine", u"Add a line - return the line ID",
                                   {u"StartX", u"StartY", u"EndX", u"EndY"}),
          QxMethod<&IDoc::AddImage>(21, u"AddImage", u"Add an image - return the image ID", {u"inImage"}),
          QxMethod<&IDoc::GetInfo>(22, u"GetInfo", u"Get a particular type of information about an object",
                                   {u"ID", u"Type"}),
          QxMethod<&IDoc::FrameRect>(23, u"FrameRect", u"Add a framed rectangle - return the rectangle ID"),
          QxMethod<&IDoc::FillRect>(24, u"FillRect", u"Add a filled rectangle - return the rectangle ID"),
          QxMethod<&IDoc::Delete>(25, u"Delete", u"Delete a specified object", {u"ID"}),
          QxMethod<&IDoc::Save>(26, u"Save", u"Save the PDF to a specified location", {u"FilePath"}),
          QxMethod<&IDoc::GetData>(27, u"GetData", u"Get the PDF as raw data"),
          QxMethod<&IDoc::Read>(28, u"Read", u"Read an existing PDF", {u"PathOrData"}),
          QxMethod<&IDoc::EmbedFont>(29, u"EmbedFont", u"Embed a font resource - return the font ID", {u"FontName"}),
          QxMethod<&IDoc::SetInfo>(30, u"SetInfo", u"Alters an aspect of an existing object",
                                   {u"ID", u"Type", u"Info"}),
          QxMethod<&IDoc::AddBookmark>(31, u"AddBookmark", u"Adds a bookmark for the current page",
                                       {u"Path", u"Expanded"}),
          QxMethod<&IDoc::AddObject>(32, u"AddObject", u"Adds a native PDF object to the document", {u"Object"}),
          QxMethod<&IDoc::Flatten>(33, u"Flatten", u"Flattens and compresses the current page"),
      }};
  return sInterface;
}
