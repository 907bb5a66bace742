#include "scripting/AutomationText.h"

#include <oleauto.h>
#include <stringapiset.h>

#include <new>

#include "runtime/ComError.h"

std::string AutomationText::ToAnsi(BSTR inText) {
  if (inText == nullptr) return {};
  const std::u16string_view theWide(inText, SysStringLen(inText));
  const std::u16string_view theLine = theWide.substr(0, theWide.find(u'\0'));
  if (theLine.empty()) return {};
  try {
    const int theSize = WideCharToMultiByte(CP_ACP, 0, theLine.data(), static_cast<int>(theLine.size()), nullptr, 0,
                                            nullptr, nullptr);
    if (theSize <= 0) return {};
    std::string theText(static_cast<size_t>(theSize), '\0');
    const int theWritten = WideCharToMultiByte(CP_ACP, 0, theLine.data(), static_cast<int>(theLine.size()),
                                               theText.data(), theSize, nullptr, nullptr);
    theText.resize(theWritten > 0 ? static_cast<size_t>(theWritten) : 0);
    return theText;
  } catch (const std::bad_alloc&) {
    throw ComError(E_OUTOFMEMORY);
  }
}

BSTR AutomationText::ToBstr(std::string_view inText) {
  try {
    const std::u16string theWide(inText.begin(), inText.end());
    BSTR theBstr = SysAllocStringLen(theWide.data(), static_cast<UINT>(theWide.size()));
    ThrowIfNull(theBstr);
    return theBstr;
  } catch (const std::bad_alloc&) {
    throw ComError(E_OUTOFMEMORY);
  }
}
