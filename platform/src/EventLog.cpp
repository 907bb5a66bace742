// The event log entry points: RegisterEventSource, ReportEvent, DeregisterEventSource, and the
// reader the listing command uses. The log itself is EventLogStore.
#include <eventlog.h>
#include <stringapiset.h>

#include "EventLogStore.h"
#include "StoreText.h"

#include <errhandlingapi.h>
#include <winerror.h>

#include <cstring>
#include <new>

using qxstore::EventLogStore;

namespace {

// Windows' limits: an insertion string holds at most 31839 characters; a source name is a
// registry key name of at most 255 characters.
constexpr size_t kMaxStringChars = 31839;
constexpr size_t kMaxSourceChars = 255;
// The raw data one entry keeps.
constexpr DWORD kMaxRawDataBytes = 0xF000;

// Length of a terminated string, looking no further than inLimit + 1 characters.
template <typename Char>
size_t BoundedLength(const Char* inText, size_t inLimit) {
  size_t theLength = 0;
  while (theLength <= inLimit && inText[theLength] != Char()) {
    ++theLength;
  }
  return theLength;
}

// The 8-bit form's text is in the system code page (CP_ACP), as on Windows.
std::string ToUtf8(std::string_view inText) {
  if (inText.empty()) return {};
  const int theSize = MultiByteToWideChar(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), nullptr, 0);
  std::u16string theWide(theSize > 0 ? static_cast<size_t>(theSize) : 0, u'\0');
  if (theSize > 0)
    MultiByteToWideChar(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), theWide.data(), theSize);
  return qxstore::Utf16ToUtf8(theWide);
}
std::string ToUtf8(std::u16string_view inText) { return qxstore::Utf16ToUtf8(inText); }

template <typename Char>
HANDLE Register(const Char* inServerName, const Char* inSourceName) {
  try {
    if (inServerName != nullptr && inServerName[0] != Char()) {
      SetLastError(ERROR_BAD_NETPATH);  // only the local machine's log is offered
      return nullptr;
    }
    if (inSourceName == nullptr || inSourceName[0] == Char()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    const size_t theLength = BoundedLength(inSourceName, kMaxSourceChars);
    if (theLength > kMaxSourceChars) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    HANDLE theHandle = nullptr;
    const DWORD theResult = EventLogStore::Instance().Register(
        ToUtf8(std::basic_string_view<Char>(inSourceName, theLength)), theHandle);
    SetLastError(theResult);
    return theResult == ERROR_SUCCESS ? theHandle : nullptr;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    SetLastError(ERROR_GEN_FAILURE);
  }
  return nullptr;
}

DWORD CheckType(WORD inType) {
  switch (inType) {
    case EVENTLOG_SUCCESS:
    case EVENTLOG_ERROR_TYPE:
    case EVENTLOG_WARNING_TYPE:
    case EVENTLOG_INFORMATION_TYPE:
    case EVENTLOG_AUDIT_SUCCESS:
    case EVENTLOG_AUDIT_FAILURE: return ERROR_SUCCESS;
    default: return ERROR_INVALID_PARAMETER;
  }
}

template <typename Char>
BOOL Report(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventID, WORD inNumStrings, DWORD inDataSize,
            const Char* const* inStrings, LPCVOID inRawData) {
  DWORD theResult = ERROR_SUCCESS;
  try {
    if (CheckType(inType) != ERROR_SUCCESS || (inNumStrings != 0 && inStrings == nullptr) ||
        (inDataSize != 0 && inRawData == nullptr) || inDataSize > kMaxRawDataBytes) {
      theResult = ERROR_INVALID_PARAMETER;
    } else {
      std::vector<std::string> theStrings;
      theStrings.reserve(inNumStrings);
      for (WORD theIndex = 0; theIndex < inNumStrings && theResult == ERROR_SUCCESS; ++theIndex) {
        const Char* theText = inStrings[theIndex];
        const size_t theLength = theText == nullptr ? kMaxStringChars + 1 : BoundedLength(theText, kMaxStringChars);
        if (theLength > kMaxStringChars) {
          theResult = ERROR_INVALID_PARAMETER;
        } else {
          theStrings.push_back(ToUtf8(std::basic_string_view<Char>(theText, theLength)));
        }
      }
      if (theResult == ERROR_SUCCESS) {
        const auto* theData = static_cast<const uint8_t*>(inRawData);
        theResult = EventLogStore::Instance().Report(inEventLog, inType, inCategory, inEventID, theStrings,
                                                     std::span<const uint8_t>(theData, inDataSize));
      }
    }
  } catch (const std::bad_alloc&) {
    theResult = ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    theResult = ERROR_GEN_FAILURE;
  }
  SetLastError(theResult);
  return theResult == ERROR_SUCCESS ? TRUE : FALSE;
}

}  // namespace

extern "C" {

HANDLE WINAPI RegisterEventSourceA(LPCSTR inServerName, LPCSTR inSourceName) {
  return Register(inServerName, inSourceName);
}

HANDLE WINAPI RegisterEventSourceW(LPCWSTR inServerName, LPCWSTR inSourceName) {
  return Register(inServerName, inSourceName);
}

BOOL WINAPI ReportEventA(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventID, PSID, WORD inNumStrings,
                         DWORD inDataSize, LPCSTR* inStrings, LPVOID inRawData) {
  return Report(inEventLog, inType, inCategory, inEventID, inNumStrings, inDataSize, inStrings, inRawData);
}

BOOL WINAPI ReportEventW(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventID, PSID, WORD inNumStrings,
                         DWORD inDataSize, LPCWSTR* inStrings, LPVOID inRawData) {
  return Report(inEventLog, inType, inCategory, inEventID, inNumStrings, inDataSize, inStrings, inRawData);
}

BOOL WINAPI DeregisterEventSource(HANDLE inEventLog) {
  const DWORD theResult = EventLogStore::Instance().Deregister(inEventLog);
  SetLastError(theResult);
  return theResult == ERROR_SUCCESS ? TRUE : FALSE;
}

}  // extern "C"

std::vector<QxEventEntry> QxReadEventLog(std::string_view inSource) {
  std::vector<QxEventEntry> theEntries;
  DWORD theResult = ERROR_SUCCESS;
  try {
    theResult = EventLogStore::Instance().Read(inSource, theEntries);
  } catch (const std::bad_alloc&) {
    theResult = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (theResult != ERROR_SUCCESS) {
    theEntries.clear();
  }
  SetLastError(theResult);
  return theEntries;
}

std::string QxEventTypeName(WORD inType) {
  switch (inType) {
    case EVENTLOG_SUCCESS: return "Success";
    case EVENTLOG_ERROR_TYPE: return "Error";
    case EVENTLOG_WARNING_TYPE: return "Warning";
    case EVENTLOG_INFORMATION_TYPE: return "Information";
    case EVENTLOG_AUDIT_SUCCESS: return "AuditSuccess";
    case EVENTLOG_AUDIT_FAILURE: return "AuditFailure";
    default: return "Type" + std::to_string(inType);
  }
}
