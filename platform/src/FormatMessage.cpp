// FormatMessageA/W over the system message table, and LocalAlloc/LocalFree.
#include <errhandlingapi.h>
#include <formatmessage.h>
#include <winerror.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct SystemMessage {
  DWORD mId;
  std::string_view mText;
};

// The system message table: Win32 error codes, then HRESULTs (as unsigned numbers), sorted by
// number. The texts are Windows' English texts, line break included.
constexpr SystemMessage kSystemMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {7, "The storage control blocks were destroyed.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {9, "The storage control block address is invalid.\r\n"},
    {10, "The environment is incorrect.\r\n"},
    {11, "An attempt was made to load a program with an incorrect format.\r\n"},
    {12, "The access code is invalid.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {16, "The directory cannot be removed.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {20, "The system cannot find the device specified.\r\n"},
    {21, "The device is not ready.\r\n"},
    {22, "The device does not recognize the command.\r\n"},
    {23, "Data error (cyclic redundancy check).\r\n"},
    {24, "The program issued a command but the command length is incorrect.\r\n"},
    {25, "The drive cannot locate a specific area or track on the disk.\r\n"},
    {26, "The specified disk or diskette cannot be accessed.\r\n"},
    {27, "The drive cannot find the sector requested.\r\n"},
    {28, "The printer is out of paper.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33, "The process cannot access the file because another process has locked a portion of the "
         "file.\r\n"},
    {34, "The wrong diskette is in the drive. Insert %2 (Volume Serial Number: %3) into drive "
         "%1.\r\n"},
    {36, "Too many files opened for sharing.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {51, "Windows cannot find the network path. Verify that the network path is correct and the "
         "destination computer is not busy or turned off. If Windows still cannot find the network "
         "path, contact your network administrator.\r\n"},
    {52, "You were not connected because a duplicate name exists on the network. If joining a "
         "domain, go to System in Control Panel to change the computer name and try again. If "
         "joining a workgroup, choose another workgroup name.\r\n"},
    {53, "The network path was not found.\r\n"},
    {54, "The network is busy.\r\n"},
    {55, "The specified network resource or device is no longer available.\r\n"},
    {56, "The network BIOS command limit has been reached.\r\n"},
    {57, "A network adapter hardware error occurred.\r\n"},
    {58, "The specified server cannot perform the requested operation.\r\n"},
    {59, "An unexpected network error occurred.\r\n"},
    {60, "The remote adapter is not compatible.\r\n"},
    {61, "The printer queue is full.\r\n"},
    {62, "Space to store the file waiting to be printed is not available on the server.\r\n"},
    {63, "Your file waiting to be printed was deleted.\r\n"},
    {64, "The specified network name is no longer available.\r\n"},
    {65, "Network access is denied.\r\n"},
    {66, "The network resource type is not correct.\r\n"},
    {67, "The network name cannot be found.\r\n"},
    {68, "The name limit for the local computer network adapter card was exceeded.\r\n"},
    {69, "The network BIOS session limit was exceeded.\r\n"},
    {70, "The remote server has been paused or is in the process of being started.\r\n"},
    {71, "No more connections can be made to this remote computer at this time because there are "
         "already as many connections as the computer can accept.\r\n"},
    {72, "The specified printer or disk device has been paused.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {83, "Fail on INT 24.\r\n"},
    {84, "Storage to process this request is not available.\r\n"},
    {85, "The local device name is already in use.\r\n"},
    {86, "The specified network password is not correct.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {88, "A write fault occurred on the network.\r\n"},
    {89, "The system cannot start another process at this time.\r\n"},
    {100, "Cannot create another system semaphore.\r\n"},
    {101, "The exclusive semaphore is owned by another process.\r\n"},
    {102, "The semaphore is set and cannot be closed.\r\n"},
    {103, "The semaphore cannot be set again.\r\n"},
    {104, "Cannot request exclusive semaphores at interrupt time.\r\n"},
    {105, "The previous ownership of this semaphore has ended.\r\n"},
    {106, "Insert the diskette for drive %1.\r\n"},
    {107, "The program stopped because an alternate diskette was not inserted.\r\n"},
    {108, "The disk is in use or locked by another process.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {113, "No more internal file identifiers available.\r\n"},
    {114, "The target internal file identifier is incorrect.\r\n"},
    {117, "The IOCTL call made by the application program is not correct.\r\n"},
    {118, "The verify-on-write switch parameter value is not correct.\r\n"},
    {119, "The system does not support the command requested.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {121, "The semaphore timeout period has expired.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {124, "The system call level is not correct.\r\n"},
    {125, "The disk has no volume label.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {128, "There are no child processes to wait for.\r\n"},
    {129, "The %1 application cannot be run in Win32 mode.\r\n"},
    {130, "Attempt to use a file handle to an open disk partition for an operation other than raw "
          "disk I/O.\r\n"},
    {131, "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {132, "The file pointer cannot be set on the specified device or file.\r\n"},
    {133, "A JOIN or SUBST command cannot be used for a drive that contains previously joined "
          "drives.\r\n"},
    {134, "An attempt was made to use a JOIN or SUBST command on a drive that has already been "
          "joined.\r\n"},
    {135, "An attempt was made to use a JOIN or SUBST command on a drive that has already been "
          "substituted.\r\n"},
    {136, "The system tried to delete the JOIN of a drive that is not joined.\r\n"},
    {137, "The system tried to delete the substitution of a drive that is not substituted.\r\n"},
    {138, "The system tried to join a drive to a directory on a joined drive.\r\n"},
    {139, "The system tried to substitute a drive to a directory on a substituted drive.\r\n"},
    {140, "The system tried to join a drive to a directory on a substituted drive.\r\n"},
    {141, "The system tried to SUBST a drive to a directory on a joined drive.\r\n"},
    {142, "The system cannot perform a JOIN or SUBST at this time.\r\n"},
    {143, "The system cannot join or substitute a drive to or for a directory on the same drive.\r\n"},
    {144, "The directory is not a subdirectory of the root directory.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {146, "The path specified is being used in a substitute.\r\n"},
    {147, "Not enough resources are available to process this command.\r\n"},
    {148, "The path specified cannot be used at this time.\r\n"},
    {149, "An attempt was made to join or substitute a drive for which a directory on the drive is "
          "the target of a previous substitute.\r\n"},
    {150, "System trace information was not specified in your CONFIG.SYS file, or tracing is "
          "disallowed.\r\n"},
    {151, "The number of specified semaphore events for DosMuxSemWait is not correct.\r\n"},
    {152, "DosMuxSemWait did not execute; too many semaphores are already set.\r\n"},
    {153, "The DosMuxSemWait list is not correct.\r\n"},
    {154, "The volume label you entered exceeds the label character limit of the target file "
          "system.\r\n"},
    {155, "Cannot create another thread.\r\n"},
    {156, "The recipient process has refused the signal.\r\n"},
    {157, "The segment is already discarded and cannot be locked.\r\n"},
    {158, "The segment is already unlocked.\r\n"},
    {159, "The address for the thread ID is not correct.\r\n"},
    {160, "One or more arguments are not correct.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {162, "A signal is already pending.\r\n"},
    {164, "No more threads can be created in the system.\r\n"},
    {167, "Unable to lock a region of a file.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {171, "Device's command support detection is in progress.\r\n"},
    {173, "A lock request was not outstanding for the supplied cancel region.\r\n"},
    {174, "The file system does not support atomic changes to the lock type.\r\n"},
    {180, "The system detected a segment number that was not correct.\r\n"},
    {182, "The operating system cannot run %1.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {186, "The flag passed is not correct.\r\n"},
    {187, "The specified system semaphore name was not found.\r\n"},
    {188, "The operating system cannot run %1.\r\n"},
    {189, "The operating system cannot run %1.\r\n"},
    {190, "The operating system cannot run %1.\r\n"},
    {191, "Cannot run %1 in Win32 mode.\r\n"},
    {192, "The operating system cannot run %1.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {194, "The operating system cannot run %1.\r\n"},
    {195, "The operating system cannot run %1.\r\n"},
    {196, "The operating system cannot run this application program.\r\n"},
    {197, "The operating system is not presently configured to run this application.\r\n"},
    {198, "The operating system cannot run %1.\r\n"},
    {199, "The operating system cannot run this application program.\r\n"},
    {200, "The code segment cannot be greater than or equal to 64K.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {223, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for "
          "%2.\r\n"},
    {487, "Attempt to access invalid address.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1004, "Invalid flags.\r\n"},
    {1006, "The volume for a file has been externally altered so that the opened file is no longer "
           "valid.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1021, "Cannot create a stable subkey under a volatile parent key.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1114, "A dynamic link library (DLL) initialization routine failed.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1132, "The base address or the file offset specified does not have the proper alignment.\r\n"},
    {1175, "Unable to remove the file to be replaced.\r\n"},
    {1176, "Unable to move the replacement file to the file to be replaced. The file to be replaced "
           "has retained its original name.\r\n"},
    {1224, "The requested operation cannot be performed on a file with a user-mapped section "
           "open.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
    // HRESULTs
    {0x80004001u, "Not implemented\r\n"},
    {0x80004002u, "No such interface supported\r\n"},
    {0x80004003u, "Invalid pointer\r\n"},
    {0x80004004u, "Operation aborted\r\n"},
    {0x80004005u, "Unspecified error\r\n"},
    {0x8000FFFFu, "Catastrophic failure\r\n"},
    {0x80020001u, "Unknown interface.\r\n"},
    {0x80020003u, "Member not found.\r\n"},
    {0x80020004u, "Parameter not found.\r\n"},
    {0x80020005u, "Type mismatch.\r\n"},
    {0x80020006u, "Unknown name.\r\n"},
    {0x80020007u, "No named arguments.\r\n"},
    {0x80020008u, "Bad variable type.\r\n"},
    {0x80020009u, "Exception occurred.\r\n"},
    {0x8002000Au, "Out of present range.\r\n"},
    {0x8002000Bu, "Invalid index.\r\n"},
    {0x8002000Cu, "Unknown language.\r\n"},
    {0x8002000Du, "Memory is locked.\r\n"},
    {0x8002000Eu, "Invalid number of parameters.\r\n"},
    {0x8002000Fu, "Parameter not optional.\r\n"},
    {0x80020010u, "Invalid callee.\r\n"},
    {0x80020011u, "Does not support a collection.\r\n"},
    {0x80020012u, "Division by zero.\r\n"},
    {0x8002801Cu, "Error accessing the OLE registry.\r\n"},
    {0x8002801Du, "Library not registered.\r\n"},
    {0x80028029u, "Invalid forward reference, or reference to uncompiled type.\r\n"},
    {0x8002802Bu, "Element not found.\r\n"},
    {0x80029C4Au, "Error loading type library/DLL.\r\n"},
    {0x80040110u, "Class does not support aggregation (or class object is remote)\r\n"},
    {0x80040111u, "ClassFactory cannot supply requested class\r\n"},
    {0x80040150u, "Could not read key from registry\r\n"},
    {0x80040151u, "Could not write key to registry\r\n"},
    {0x80040152u, "Could not find the key in the registry\r\n"},
    {0x80040153u, "Invalid value for registry\r\n"},
    {0x80040154u, "Class not registered\r\n"},
    {0x80040155u, "Interface not registered\r\n"},
    {0x800401F0u, "CoInitialize has not been called.\r\n"},
    {0x800401F3u, "Invalid class string\r\n"},
    {0x800401F5u, "Application not found\r\n"},
    {0x800401F8u, "DLL for class not found\r\n"},
    {0x800401F9u, "Error in the DLL\r\n"},
    {0x80040200u, "The server could not register or unregister its type library.\r\n"},
    {0x80040201u, "The server could not register or unregister its classes.\r\n"},
};

constexpr bool IsSortedAndAscii() {
  for (size_t theIndex = 0; theIndex < std::size(kSystemMessages); ++theIndex) {
    if (theIndex > 0 && kSystemMessages[theIndex - 1].mId >= kSystemMessages[theIndex].mId) {
      return false;
    }
    for (char theChar : kSystemMessages[theIndex].mText) {
      if (static_cast<unsigned char>(theChar) >= 0x80) return false;
    }
  }
  return true;
}
// Sorted for the binary search; ASCII so that the A and W forms give the same characters.
static_assert(IsSortedAndAscii(), "system messages must be sorted by number and ASCII");

std::optional<std::string_view> FindExact(DWORD inId) {
  const auto theFound = std::ranges::lower_bound(kSystemMessages, inId, {}, &SystemMessage::mId);
  if (theFound == std::end(kSystemMessages) || theFound->mId != inId) return std::nullopt;
  return theFound->mText;
}

// RETURNS: the text of a message number; an HRESULT of FACILITY_WIN32 has that of its Win32 code.
std::optional<std::string_view> FindSystemMessage(DWORD inId) {
  if (const auto theText = FindExact(inId)) return theText;
  if ((inId & 0xFFFF0000u) == 0x80070000u) return FindExact(inId & 0xFFFFu);
  return std::nullopt;
}

bool IsSupportedLanguage(DWORD inLanguageId) {
  if (inLanguageId == 0) return true;
  if (inLanguageId > 0xFFFF) return false;
  const WORD thePrimary = PRIMARYLANGID(inLanguageId);
  return thePrimary == LANG_NEUTRAL || thePrimary == LANG_ENGLISH;
}

constexpr int kMaxInsert = 99;

// The insert strings of one call, read on demand from a DWORD_PTR array or, in order, from a
// va_list (copied, so the caller's list is left as it was).
template <typename TChar>
class InsertArguments {
 public:
  InsertArguments(va_list* inArguments, bool inIsArray)
      : mArguments(inArguments), mIsArray(inIsArray) {
    if (mArguments != nullptr && !mIsArray) va_copy(mList, *mArguments);
  }
  ~InsertArguments() {
    if (mArguments != nullptr && !mIsArray) va_end(mList);
  }
  InsertArguments(const InsertArguments&) = delete;
  InsertArguments& operator=(const InsertArguments&) = delete;

  bool Available() const { return mArguments != nullptr; }

  // PARAMS: inNumber, 1..kMaxInsert.
  const TChar* Get(int inNumber) {
    if (mIsArray) {
      return reinterpret_cast<const TChar*>(
          reinterpret_cast<const DWORD_PTR*>(mArguments)[inNumber - 1]);
    }
    while (static_cast<int>(mRead.size()) < inNumber) mRead.push_back(va_arg(mList, const TChar*));
    return mRead[inNumber - 1];
  }

 private:
  va_list* mArguments;
  bool mIsArray;
  va_list mList;
  std::vector<const TChar*> mRead;
};

// Expands a message text: line breaks (kept, or made spaces when a maximum width is given), the
// escapes %0 (end), %n, %r, %t, %%, "% ", %. and %!, and the inserts %1..%99 (optionally "!s!").
// RETURNS: false (last error set) when an insert cannot be filled.
template <typename TChar>
bool ExpandMessage(std::string_view inText, DWORD inFlags, InsertArguments<TChar>& ioArguments,
                   std::basic_string<TChar>& outText) {
  const bool theIgnoreInserts = (inFlags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
  const bool theJoinLines = (inFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != 0;
  size_t theIndex = 0;
  while (theIndex < inText.size()) {
    const char theChar = inText[theIndex];
    if (theChar == '\r' || theChar == '\n') {
      const size_t theBreakLength = inText.compare(theIndex, 2, "\r\n") == 0 ? 2 : 1;
      if (theJoinLines) {
        outText.push_back(TChar(' '));
      } else {
        outText.append(inText.begin() + theIndex, inText.begin() + theIndex + theBreakLength);
      }
      theIndex += theBreakLength;
      continue;
    }
    if (theChar != '%' || theIndex + 1 >= inText.size()) {
      if (theChar != '%') outText.push_back(static_cast<TChar>(theChar));
      ++theIndex;
      continue;
    }
    const char theEscape = inText[theIndex + 1];
    if (theEscape >= '1' && theEscape <= '9') {
      if (theIgnoreInserts) {
        outText.push_back(TChar('%'));
        ++theIndex;  // the number and any format follow as plain text
        continue;
      }
      int theNumber = theEscape - '0';
      theIndex += 2;
      if (theIndex < inText.size() && inText[theIndex] >= '0' && inText[theIndex] <= '9') {
        theNumber = theNumber * 10 + (inText[theIndex] - '0');
        ++theIndex;
      }
      if (theIndex < inText.size() && inText[theIndex] == '!') {
        const size_t theEnd = inText.find('!', theIndex + 1);
        const bool theIsString = theEnd != std::string_view::npos &&
                                 inText.substr(theIndex + 1, theEnd - theIndex - 1) == "s";
        if (!theIsString) {
          SetLastError(ERROR_INVALID_PARAMETER);  // only string inserts exist in this table
          return false;
        }
        theIndex = theEnd + 1;
      }
      if (!ioArguments.Available() || theNumber > kMaxInsert) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
      }
      const TChar* theInsert = ioArguments.Get(theNumber);
      if (theInsert == nullptr) {
        for (char theNullChar : std::string_view("(null)")) outText.push_back(TChar(theNullChar));
      } else {
        outText.append(theInsert);
      }
      continue;
    }
    theIndex += 2;
    switch (theEscape) {
      case '0': return true;
      case 'n': outText.append({TChar('\r'), TChar('\n')}); break;
      case 'r': outText.push_back(TChar('\r')); break;
      case 't': outText.push_back(TChar('\t')); break;
      default: outText.push_back(static_cast<TChar>(theEscape)); break;  // %% % %. %! and others
    }
  }
  return true;
}

template <typename TChar>
DWORD FormatSystemMessage(DWORD inFlags, DWORD inMessageId, DWORD inLanguageId, TChar* ioBuffer,
                          DWORD inSize, va_list* inArguments) {
  const bool theAllocate = (inFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
  if (ioBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  TChar** theAllocated = reinterpret_cast<TChar**>(ioBuffer);
  if (theAllocate) *theAllocated = nullptr;  // so that a failed call leaves nothing to free

  // Only the system table exists here: a module has no message table of its own, and messages
  // from caller strings are not offered.
  if ((inFlags & FORMAT_MESSAGE_FROM_STRING) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if ((inFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0) {
    SetLastError((inFlags & FORMAT_MESSAGE_FROM_HMODULE) != 0 ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                                              : ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IsSupportedLanguage(inLanguageId)) {
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return 0;
  }
  const auto theText = FindSystemMessage(inMessageId);
  if (!theText) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }

  std::basic_string<TChar> theMessage;
  InsertArguments<TChar> theArguments(inArguments,
                                      (inFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0);
  if (!ExpandMessage(*theText, inFlags, theArguments, theMessage)) return 0;
  if (theMessage.size() >= 0xFFFFFFFFu) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const size_t theNeeded = theMessage.size() + 1;

  TChar* theOutput = ioBuffer;
  if (theAllocate) {
    const size_t theChars = std::max<size_t>(theNeeded, inSize);
    theOutput = static_cast<TChar*>(LocalAlloc(LMEM_FIXED, theChars * sizeof(TChar)));
    if (theOutput == nullptr) return 0;  // LocalAlloc set ERROR_NOT_ENOUGH_MEMORY
    *theAllocated = theOutput;
  } else if (theNeeded > inSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(theMessage.begin(), theMessage.end(), theOutput);
  theOutput[theMessage.size()] = TChar(0);
  return static_cast<DWORD>(theMessage.size());
}

}  // namespace

DWORD WINAPI FormatMessageA(DWORD inFlags, LPCVOID /*inSource*/, DWORD inMessageId,
                            DWORD inLanguageId, LPSTR ioBuffer, DWORD inSize,
                            va_list* inArguments) {
  return FormatSystemMessage<CHAR>(inFlags, inMessageId, inLanguageId, ioBuffer, inSize,
                                   inArguments);
}

DWORD WINAPI FormatMessageW(DWORD inFlags, LPCVOID /*inSource*/, DWORD inMessageId,
                            DWORD inLanguageId, LPWSTR ioBuffer, DWORD inSize,
                            va_list* inArguments) {
  return FormatSystemMessage<WCHAR>(inFlags, inMessageId, inLanguageId, ioBuffer, inSize,
                                    inArguments);
}

HLOCAL WINAPI LocalAlloc(UINT inFlags, SIZE_T inBytes) {
  if ((inFlags & ~static_cast<UINT>(LMEM_ZEROINIT)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A zero-byte request still gets a distinct block, as on Windows.
  const size_t theBytes = std::max<size_t>(inBytes, 1);
  void* theMemory = (inFlags & LMEM_ZEROINIT) != 0 ? std::calloc(1, theBytes)
                                                    : std::malloc(theBytes);
  if (theMemory == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return theMemory;
}

HLOCAL WINAPI LocalFree(HLOCAL inMemory) {
  std::free(inMemory);
  return nullptr;
}
