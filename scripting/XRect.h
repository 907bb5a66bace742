// The Automation class XRect: a rectangle as a script sees it, over a RectRecord that is either
// the object's own or an owner's (the document's drawing rectangle or media box, an image's
// selection). After every member it sets its linked point to the rectangle's top-left corner.
#pragma once

#include <dispimpl.h>

#include <memory>

#include "runtime/ComBoundary.h"
#include "scripting/PointRecord.h"
#include "scripting/Quorix2.h"
#include "scripting/RectRecord.h"

inline constexpr ComClassInfo kXRectClass{&CLSID_XRect, &IID_IXRect};

class XRect final : public QxDispatchObject<XRect, IXRect, IID_IXRect> {
 public:
  static const QxInterface& Describe();
  // A new object with its own storage (rectangle 0 0 0 0, linked point (0, 0)), as a script
  // creating it by ProgID gets it.
  static HRESULT CreateInstance(REFIID inIID, void** outObject);
  // A new object on an owner's records; a null record means the object's own storage. Owners hand
  // in pointers that share ownership of their state, so the records outlive every view on them.
  static HRESULT Create(std::shared_ptr<RectRecord> inRect, std::shared_ptr<PointRecord> inLinkedPoint,
                        IXRect** outObject);

  HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) override;
  HRESULT STDMETHODCALLTYPE put_String(BSTR inText) override;
  HRESULT STDMETHODCALLTYPE get_Top(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Top(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Bottom(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Bottom(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Left(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Left(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Right(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Right(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Width(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Width(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Height(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Height(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE Move(LONG inX, LONG inY) override;
  HRESULT STDMETHODCALLTYPE Magnify(double inX, double inY) override;
  HRESULT STDMETHODCALLTYPE Position(LONG inX, LONG inY) override;
  HRESULT STDMETHODCALLTYPE Inset(LONG inX, LONG inY) override;

 private:
  XRect(std::shared_ptr<RectRecord> inRect, std::shared_ptr<PointRecord> inLinkedPoint);
  ~XRect() override = default;

  // The coordinate that holds the maximum (top, right) or the minimum (bottom, left) at this
  // moment; where both are equal, the second one (y2, x2).
  int32_t& TopCoordinate() { return mRect->y1 > mRect->y2 ? mRect->y1 : mRect->y2; }
  int32_t& BottomCoordinate() { return mRect->y1 < mRect->y2 ? mRect->y1 : mRect->y2; }
  int32_t& RightCoordinate() { return mRect->x1 > mRect->x2 ? mRect->x1 : mRect->x2; }
  int32_t& LeftCoordinate() { return mRect->x1 < mRect->x2 ? mRect->x1 : mRect->x2; }

  // Sets the linked point to the top-left corner; every member ends with it.
  void RefreshLinkedPoint();
  // Reads a value and refreshes the linked point, inside the boundary.
  template <class Reader>
  HRESULT Get(LONG* outValue, Reader&& inReader);
  // Changes the rectangle and refreshes the linked point, inside the boundary.
  template <class Changer>
  HRESULT Change(Changer&& inChanger);

  std::shared_ptr<RectRecord> mRect;
  std::shared_ptr<PointRecord> mLinkedPoint;
};
