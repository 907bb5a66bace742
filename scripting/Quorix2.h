// The identities and dual interfaces of the Quorix2 library's classes. Each interface's members
// follow the dispatch-ID order, a property's get before its put.
#pragma once

#include <oaidl.h>

inline constexpr GUID LIBID_Quorix2 = {0x74636A1B, 0x826E, 0x455B, {0x83, 0xBC, 0x08, 0x56, 0xAB, 0x35, 0xA0, 0x2E}};

inline constexpr CLSID CLSID_Doc = {0x1367491B, 0xAEFF, 0x4600, {0xA7, 0xEE, 0x67, 0x7B, 0x8E, 0x63, 0x2E, 0x84}};
inline constexpr IID IID_IDoc = {0x804436D6, 0x0285, 0x4614, {0x90, 0x89, 0x3B, 0x2E, 0x99, 0x70, 0xBB, 0xE7}};
inline constexpr CLSID CLSID_XRect = {0xAFFAA018, 0xF21E, 0x4EDC, {0xA0, 0x1B, 0x1D, 0x4E, 0xEC, 0x34, 0x6B, 0xD0}};
inline constexpr IID IID_IXRect = {0x9CDCA22A, 0x869C, 0x4FA0, {0x9A, 0x12, 0x79, 0xBE, 0xAC, 0xC1, 0xF9, 0x61}};
inline constexpr CLSID CLSID_XPoint = {0xD27581AF, 0xFB08, 0x41DE, {0x86, 0x37, 0x19, 0x6C, 0x1B, 0x23, 0x22, 0x28}};
inline constexpr IID IID_IXPoint = {0xE6A87377, 0x641B, 0x4205, {0xAF, 0xCC, 0x75, 0xAB, 0x66, 0xD8, 0x68, 0x32}};
inline constexpr CLSID CLSID_XColor = {0xBD45B4D5, 0x475B, 0x4EA1, {0x94, 0x69, 0x39, 0x0F, 0x30, 0x00, 0x93, 0x6E}};
inline constexpr IID IID_IXColor = {0x3A8F878F, 0xCA21, 0x4D9F, {0x95, 0x4C, 0x46, 0x5E, 0x6A, 0xEE, 0xD2, 0xC9}};
inline constexpr CLSID CLSID_XTextStyle = {0xE0784FB0, 0xD961, 0x47FD, {0x86, 0xAF, 0x45, 0x53, 0x53, 0x56, 0xF4, 0x2E}};
inline constexpr IID IID_IXTextStyle = {0xFB129435, 0x0B23, 0x4E3C, {0x98, 0xAA, 0xFF, 0xB1, 0x57, 0x39, 0x6B, 0x30}};
inline constexpr CLSID CLSID_XTransform = {0xA8538BD0, 0xEAFB, 0x471B, {0xB0, 0xD5, 0xF7, 0x53, 0x92, 0xD2, 0x06, 0x1C}};
inline constexpr IID IID_IXTransform = {0xF6626411, 0x6192, 0x446C, {0xAC, 0x30, 0x4A, 0x02, 0x83, 0x00, 0xAE, 0x52}};
inline constexpr CLSID CLSID_Image = {0xC2CED082, 0xD749, 0x4494, {0x93, 0x4B, 0x88, 0xF6, 0xBF, 0x1B, 0x29, 0x27}};
inline constexpr IID IID_IImage = {0x64B7FF1B, 0xD20C, 0x4633, {0xA2, 0xEE, 0x72, 0xF9, 0x04, 0xDB, 0xD1, 0xFA}};

struct IXRect : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_String(BSTR inText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Top(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Top(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Bottom(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Bottom(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Left(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Left(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Right(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Right(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Width(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Height(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Height(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE Move(LONG inX, LONG inY) = 0;
  virtual HRESULT STDMETHODCALLTYPE Magnify(double inX, double inY) = 0;
  virtual HRESULT STDMETHODCALLTYPE Position(LONG inX, LONG inY) = 0;
  virtual HRESULT STDMETHODCALLTYPE Inset(LONG inX, LONG inY) = 0;

 protected:
  ~IXRect() = default;
};

struct IXPoint : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_String(BSTR inText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_X(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_X(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Y(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Y(LONG inValue) = 0;

 protected:
  ~IXPoint() = default;
};

struct IXColor : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_String(BSTR inText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Red(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Red(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Green(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Green(LONG inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Blue(LONG* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Blue(LONG inValue) = 0;

 protected:
  ~IXColor() = default;
};

struct IXTransform : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_String(BSTR inText) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Invert() = 0;
  virtual HRESULT STDMETHODCALLTYPE Translate(double inX, double inY) = 0;
  virtual HRESULT STDMETHODCALLTYPE Rotate(double inDegrees, double inAnchorX, double inAnchorY) = 0;
  virtual HRESULT STDMETHODCALLTYPE Magnify(double inScaleX, double inScaleY, double inAnchorX, double inAnchorY) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skew(double inSkewX, double inSkewY, double inAnchorX, double inAnchorY) = 0;

 protected:
  ~IXTransform() = default;
};

struct IXTextStyle : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_String(BSTR inText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Size(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Size(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Indent(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Indent(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CharSpacing(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CharSpacing(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_WordSpacing(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_WordSpacing(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LineSpacing(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_LineSpacing(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ParaSpacing(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ParaSpacing(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Justification(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Justification(double inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Underline(VARIANT_BOOL* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Underline(VARIANT_BOOL inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Strike(VARIANT_BOOL* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Strike(VARIANT_BOOL inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Strike2(VARIANT_BOOL* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Strike2(VARIANT_BOOL inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Outline(double* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Outline(double inValue) = 0;

 protected:
  ~IXTextStyle() = default;
};

// The document class's interface. Dispatch ID 13 has no member.
struct IDoc : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Page(LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Page(LONG inID) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Font(LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Font(LONG inID) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FontSize(LONG* outSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FontSize(LONG inSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* outWidth) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Width(LONG inWidth) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HPos(double* outFactor) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_HPos(double inFactor) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VPos(double* outFactor) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_VPos(double inFactor) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Color(IXColor** outCol) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Pos(IXPoint** outPos) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Rect(IXRect** outRect) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MediaBox(IXRect** outRect) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TextStyle(IXTextStyle** outTextStyle) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Transform(IXTransform** outTransform) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Root(LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Layer(LONG* outLayer) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Layer(LONG inLayer) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LayerCount(LONG* outCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddPage(VARIANT inPage, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddFont(BSTR inFontName, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddText(BSTR inText, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddLine(LONG inStartX, LONG inStartY, LONG inEndX, LONG inEndY, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddImage(VARIANT inImage, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetInfo(LONG inID, BSTR inType, BSTR* outInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE FrameRect(LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE FillRect(LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(LONG inID) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(BSTR inFilePath) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetData(VARIANT* outData) = 0;
  virtual HRESULT STDMETHODCALLTYPE Read(VARIANT inPathOrData) = 0;
  virtual HRESULT STDMETHODCALLTYPE EmbedFont(BSTR inFontName, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInfo(LONG inID, BSTR inType, BSTR inInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddBookmark(BSTR inPath, VARIANT_BOOL inExpanded, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddObject(BSTR inObject, LONG* outID) = 0;
  virtual HRESULT STDMETHODCALLTYPE Flatten(LONG* outID) = 0;

 protected:
  ~IDoc() = default;
};

struct IImage : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE SetFile(BSTR inFilePath) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetData(VARIANT inByteArray) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(BSTR* outType) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FrameCount(LONG* outCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Frame(LONG* outFrame) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Frame(LONG inFrame) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* outWidth) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Height(LONG* outHeight) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HRes(double* outResolution) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VRes(double* outResolution) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Selection(IXRect** outRect) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_PDFImage(LONG* outImage) = 0;

 protected:
  ~IImage() = default;
};
