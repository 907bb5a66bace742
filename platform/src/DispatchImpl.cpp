// The table-driven halves of IDispatch: name lookup and Invoke.
#include <dispimpl.h>

#include <memory>
#include <vector>

#include "QxText.h"

namespace {

// Arguments converted for one call; clears what it holds.
class ArgumentList {
 public:
  explicit ArgumentList(size_t inCount) : mArgs(inCount) {
    for (VARIANT& theArg : mArgs) VariantInit(&theArg);
  }
  ~ArgumentList() {
    for (size_t i = 0; i < mArgs.size(); ++i)
      if (mOwned.size() > i && mOwned[i]) VariantClear(&mArgs[i]);
  }
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;

  VARIANT* Data() { return mArgs.data(); }
  VARIANT& At(size_t inIndex) { return mArgs[inIndex]; }
  void SetOwned(size_t inIndex, bool inOwned) {
    if (mOwned.size() < mArgs.size()) mOwned.resize(mArgs.size(), false);
    mOwned[inIndex] = inOwned;
  }

 private:
  std::vector<VARIANT> mArgs;
  std::vector<bool> mOwned;
};

const QxMember* FindMember(const QxInterface& inInterface, DISPID inID, WORD inFlags) {
  const QxMember* theGet = nullptr;
  const QxMember* theMethod = nullptr;
  const QxMember* thePut = nullptr;
  for (const QxMember& theMember : inInterface.members) {
    if (theMember.id != inID) continue;
    if (theMember.kind == INVOKE_FUNC) theMethod = &theMember;
    if (theMember.kind == INVOKE_PROPERTYGET) theGet = &theMember;
    if (theMember.kind == INVOKE_PROPERTYPUT || theMember.kind == INVOKE_PROPERTYPUTREF) thePut = &theMember;
  }
  if (inFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return thePut;
  // Script engines send DISPATCH_METHOD | DISPATCH_PROPERTYGET together: either kind answers.
  if ((inFlags & DISPATCH_METHOD) && theMethod != nullptr) return theMethod;
  if ((inFlags & DISPATCH_PROPERTYGET) && theGet != nullptr) return theGet;
  if ((inFlags & DISPATCH_PROPERTYGET) && theMethod != nullptr) return theMethod;
  if ((inFlags & DISPATCH_METHOD) && theGet != nullptr) return theGet;
  return nullptr;
}

bool IsMissing(const VARIANT& inArg) {
  return V_VT(&inArg) == VT_ERROR && V_ERROR(&inArg) == DISP_E_PARAMNOTFOUND;
}

// Fills EXCEPINFO from the thread's error information after a member failed with inResult.
void FillException(EXCEPINFO* outExcep, HRESULT inResult) {
  *outExcep = EXCEPINFO{};
  outExcep->scode = inResult;
  IErrorInfo* theInfo = nullptr;
  if (GetErrorInfo(0, &theInfo) == S_OK && theInfo != nullptr) {
    theInfo->GetSource(&outExcep->bstrSource);
    theInfo->GetDescription(&outExcep->bstrDescription);
    theInfo->GetHelpFile(&outExcep->bstrHelpFile);
    theInfo->GetHelpContext(&outExcep->dwHelpContext);
    theInfo->Release();
  }
}

}  // namespace

HRESULT QxDispGetIDsOfNames(const QxInterface& inInterface, LPOLESTR* inNames, UINT inCount, DISPID* outIDs) {
  if (inNames == nullptr || outIDs == nullptr) return E_POINTER;
  if (inCount == 0) return S_OK;
  for (UINT i = 0; i < inCount; ++i) outIDs[i] = DISPID_UNKNOWN;
  const QxMember* theFound = nullptr;
  const std::u16string_view theName = qx::View(inNames[0]);
  for (const QxMember& theMember : inInterface.members) {
    if (qx::EqualsNoCase(theMember.name, theName)) {
      theFound = &theMember;
      // Parameter names belong to the method or the property get, not to the put.
      if (theMember.kind == INVOKE_FUNC || theMember.kind == INVOKE_PROPERTYGET) break;
    }
  }
  if (theFound == nullptr) return DISP_E_UNKNOWNNAME;
  outIDs[0] = theFound->id;
  HRESULT theResult = S_OK;
  for (UINT i = 1; i < inCount; ++i) {
    const std::u16string_view theParam = qx::View(inNames[i]);
    for (size_t k = 0; k < theFound->params.size(); ++k)
      if (qx::EqualsNoCase(theFound->params[k].name, theParam)) outIDs[i] = static_cast<DISPID>(k);
    if (outIDs[i] == DISPID_UNKNOWN) theResult = DISP_E_UNKNOWNNAME;
  }
  return theResult;
}

HRESULT QxDispInvoke(const QxInterface& inInterface, void* inSelf, DISPID inID, WORD inFlags, DISPPARAMS* inParams,
                     VARIANT* outResult, EXCEPINFO* outExcep, UINT* outArgErr) {
  if (inParams == nullptr) return E_INVALIDARG;
  if (inParams->cArgs > 0 && inParams->rgvarg == nullptr) return E_INVALIDARG;
  if (inParams->cNamedArgs > inParams->cArgs) return E_INVALIDARG;
  if (inParams->cNamedArgs > 0 && inParams->rgdispidNamedArgs == nullptr) return E_INVALIDARG;
  const QxMember* theMember = FindMember(inInterface, inID, inFlags);
  if (theMember == nullptr) return DISP_E_MEMBERNOTFOUND;

  // Named arguments: only the value of a property put, as DISPID_PROPERTYPUT.
  const bool theIsPut = theMember->kind == INVOKE_PROPERTYPUT || theMember->kind == INVOKE_PROPERTYPUTREF;
  if (theIsPut) {
    if (inParams->cNamedArgs != 1 || inParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
  } else if (inParams->cNamedArgs > 0) {
    return DISP_E_NONAMEDARGS;
  }

  const UINT theArgCount = inParams->cArgs;
  const size_t theParamCount = theMember->params.size();
  size_t theRequired = theParamCount;
  while (theRequired > 0 && (theMember->params[theRequired - 1].flags & PARAMFLAG_FOPT)) --theRequired;
  if (theArgCount > theParamCount || theArgCount < theRequired) return DISP_E_BADPARAMCOUNT;

  // Arguments arrive last first; the value of a put is rgvarg[0], its last parameter.
  ArgumentList theArgs(theParamCount);
  for (size_t i = 0; i < theParamCount; ++i) {
    VARIANT& theTarget = theArgs.At(i);
    if (i >= theArgCount) {
      V_VT(&theTarget) = VT_ERROR;
      V_ERROR(&theTarget) = DISP_E_PARAMNOTFOUND;
      continue;
    }
    const UINT theIndex = theIsPut ? (i + 1 == theParamCount ? 0 : theArgCount - 1 - static_cast<UINT>(i))
                                   : theArgCount - 1 - static_cast<UINT>(i);
    const VARIANT& theSource = inParams->rgvarg[theIndex];
    const QxParam& theParam = theMember->params[i];
    if (theParam.type == VT_VARIANT) {
      // VARIANT parameters receive the caller's value as it is (borrowed), with a reference to a
      // VARIANT followed one level.
      if (V_VT(&theSource) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&theSource) != nullptr)
        theTarget = *V_VARIANTREF(&theSource);
      else
        theTarget = theSource;
      continue;
    }
    if (IsMissing(theSource) && (theParam.flags & PARAMFLAG_FOPT)) {
      theTarget = theSource;
      continue;
    }
    const HRESULT theResult = VariantChangeType(&theTarget, &theSource, 0, theParam.type);
    if (FAILED(theResult)) {
      if (outArgErr != nullptr) *outArgErr = theIndex;
      return theResult == E_OUTOFMEMORY ? theResult
             : theResult == DISP_E_OVERFLOW ? DISP_E_OVERFLOW
                                            : DISP_E_TYPEMISMATCH;
    }
    theArgs.SetOwned(i, true);
  }

  VARIANT theValue;
  VariantInit(&theValue);
  SetErrorInfo(0, nullptr);
  const HRESULT theResult = theMember->call(inSelf, theArgs.Data(), &theValue);
  if (FAILED(theResult)) {
    VariantClear(&theValue);
    if (outExcep == nullptr) return theResult;
    FillException(outExcep, theResult);
    return DISP_E_EXCEPTION;
  }
  if (outResult != nullptr) {
    VariantClear(outResult);
    *outResult = theValue;
  } else {
    VariantClear(&theValue);
  }
  return S_OK;
}
