// The Automation class XTransform: a transform matrix as a script builds it, over a
// TransformMatrix that is either the object's own or an owner's (the document's current transform).
#pragma once

#include <dispimpl.h>

#include <memory>

#include "runtime/ComBoundary.h"
#include "scripting/Quorix2.h"
#include "scripting/TransformMatrix.h"

inline constexpr ComClassInfo kXTransformClass{&CLSID_XTransform, &IID_IXTransform};

class XTransform final : public QxDispatchObject<XTransform, IXTransform, IID_IXTransform> {
 public:
  static const QxInterface& Describe();
  // A new object with its own storage, the identity.
  static HRESULT CreateInstance(REFIID inIID, void** outObject);
  // A new object on an owner's matrix; a null matrix means the object's own storage.
  static HRESULT Create(std::shared_ptr<TransformMatrix> inMatrix, IXTransform** outObject);

  HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) override;
  HRESULT STDMETHODCALLTYPE put_String(BSTR inText) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Invert() override;
  HRESULT STDMETHODCALLTYPE Translate(double inX, double inY) override;
  HRESULT STDMETHODCALLTYPE Rotate(double inDegrees, double inAnchorX, double inAnchorY) override;
  HRESULT STDMETHODCALLTYPE Magnify(double inScaleX, double inScaleY, double inAnchorX, double inAnchorY) override;
  HRESULT STDMETHODCALLTYPE Skew(double inSkewX, double inSkewY, double inAnchorX, double inAnchorY) override;

 private:
  explicit XTransform(std::shared_ptr<TransformMatrix> inMatrix);
  ~XTransform() override = default;

  std::shared_ptr<TransformMatrix> mMatrix;
};
