// The common boundary of every Automation method: machine faults are translated, a null result
// pointer gives E_POINTER, and every exception becomes an HRESULT with COM error information.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

#include "runtime/ComError.h"
#include "runtime/ErrorReport.h"
#include "runtime/SException.h"

// Who a method belongs to, for the error information it leaves.
struct ComClassInfo {
  const CLSID* clsid;
  const IID* iid;
};

// Catch-clause handlers (ComBoundary.cpp); each returns the method's result.
HRESULT HandleComError(const ComClassInfo& inClass, const ComError& inError);
HRESULT HandleSystemException(SException& inError, const char* inFile, long inLine);
HRESULT HandleUnknownException(const ComClassInfo& inClass);
// Ends a method that collected its failures in inReport.
HRESULT FinishWithReport(const ComClassInfo& inClass, ErrorReport& inReport);

// Runs inBody (which returns an HRESULT) inside the boundary. inFile and inLine identify the
// method for the text of a machine fault.
template <class Body>
HRESULT ComMethod(const ComClassInfo& inClass, const char* inFile, long inLine, Body&& inBody) {
  _set_se_translator(TranslateSystemException);
  try {
    return QxGuardFaults(std::forward<Body>(inBody));
  } catch (const ComError& theError) {
    return HandleComError(inClass, theError);
  } catch (SException& theError) {
    return HandleSystemException(theError, inFile, inLine);
  } catch (...) {
    return HandleUnknownException(inClass);
  }
}

// The same for a method with a result pointer: a null one gives E_POINTER at once.
template <class Out, class Body>
HRESULT ComMethodOut(const ComClassInfo& inClass, const char* inFile, long inLine, Out* inResult, Body&& inBody) {
  if (inResult == nullptr) return E_POINTER;
  return ComMethod(inClass, inFile, inLine, std::forward<Body>(inBody));
}

// A fault text names the catching method by its source file as __FILE__ gives it: the path inside
// the source tree (scripting/XRect.cpp), as the build maps the tree's own folder away
// (-fmacro-prefix-map in the top-level CMakeLists.txt).
#define QX_COM_METHOD(inClassInfo, inBody) ComMethod(inClassInfo, __FILE__, __LINE__, inBody)
#define QX_COM_METHOD_OUT(inClassInfo, inResult, inBody) \
  ComMethodOut(inClassInfo, __FILE__, __LINE__, inResult, inBody)
