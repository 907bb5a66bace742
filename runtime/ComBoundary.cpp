#include "runtime/ComBoundary.h"

#include <formatmessage.h>

#include <cstdio>
#include <string>

#include "runtime/EventLog.h"
#include "runtime/Preferences.h"

namespace {

// The text of a COM error that carries none of its own.
std::string ComErrorText(HRESULT inResult) {
  char theBuffer[1024];
  const DWORD theLength =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(inResult),
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), theBuffer, sizeof(theBuffer), nullptr);
  if (theLength > 0) {
    std::string theText(theBuffer, theLength);
    if (theText.size() >= 2 && theText.compare(theText.size() - 2, 2, "\r\n") == 0)
      theText.resize(theText.size() - 2);
    else if (!theText.empty() && theText.back() == '\n')
      theText.pop_back();
    return theText;
  }
  const uint32_t theCode = static_cast<uint32_t>(inResult);
  char theText[64];
  if (theCode >= 0x80040200u && theCode <= 0x8004FFFFu && ((theCode - 0x200) & 0xFFFF) != 0)
    std::snprintf(theText, sizeof(theText), "IDispatch error #%d", static_cast<int>((theCode - 0x200) & 0xFFFF));
  else
    std::snprintf(theText, sizeof(theText), "Unknown error 0x%0lX", static_cast<unsigned long>(theCode));
  return theText;
}

void WarnWhenLogging(const char* inText) {
  if (GetPrefLong("LogErrors", 0) != 0) LogText(inText, kEventWarning);
}

}  // namespace

HRESULT HandleComError(const ComClassInfo& inClass, const ComError& inError) {
  const std::string theText = inError.Message().empty() ? ComErrorText(inError.Result()) : inError.Message();
  WarnWhenLogging(theText.c_str());
  return ReportComError(*inClass.clsid, theText.c_str(), *inClass.iid, E_FAIL);
}

HRESULT HandleSystemException(SException& inError, const char* inFile, long inLine) {
  return ReportSystemError(inError.Describe(inFile, inLine), kEventError);
}

HRESULT HandleUnknownException(const ComClassInfo& inClass) {
  const char* theText = "Unknown exception thrown.";
  WarnWhenLogging(theText);
  return ReportComError(*inClass.clsid, theText, *inClass.iid, E_FAIL);
}

HRESULT FinishWithReport(const ComClassInfo& inClass, ErrorReport& inReport) {
  if (!inReport.HasError()) return S_OK;
  const char* theText = inReport.GetText();
  WarnWhenLogging(theText);
  return ReportComError(*inClass.clsid, theText, *inClass.iid, E_FAIL);
}
