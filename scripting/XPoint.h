// The Automation class XPoint: a point as a script sees it, over a PointRecord that is either the
// object's own or an owner's (the document's current position).
#pragma once

#include <dispimpl.h>

#include <memory>

#include "runtime/ComBoundary.h"
#include "scripting/PointRecord.h"
#include "scripting/Quorix2.h"

inline constexpr ComClassInfo kXPointClass{&CLSID_XPoint, &IID_IXPoint};

class XPoint final : public QxDispatchObject<XPoint, IXPoint, IID_IXPoint> {
 public:
  static const QxInterface& Describe();
  // A new object with its own storage, the point (0, 0).
  static HRESULT CreateInstance(REFIID inIID, void** outObject);
  // A new object on an owner's record; a null record means the object's own storage.
  static HRESULT Create(std::shared_ptr<PointRecord> inPoint, IXPoint** outObject);

  HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) override;
  HRESULT STDMETHODCALLTYPE put_String(BSTR inText) override;
  HRESULT STDMETHODCALLTYPE get_X(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_X(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Y(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Y(LONG inValue) override;

 private:
  explicit XPoint(std::shared_ptr<PointRecord> inPoint);
  ~XPoint() override = default;

  std::shared_ptr<PointRecord> mPoint;
};
