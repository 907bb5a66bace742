// FormatMessageA/W over the system message table.
#include <errhandlingapi.h>
#include <formatmessage.h>
#include <winerror.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr DWORD kSystemFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// RETURNS: the message text through FormatMessageA, or "<error N>" with the last error.
std::string MessageA(DWORD inCode, DWORD inFlags = kSystemFlags, DWORD inLanguage = 0) {
  char theBuffer[512];
  SetLastError(0);
  const DWORD theLength =
      FormatMessageA(inFlags, nullptr, inCode, inLanguage, theBuffer, sizeof theBuffer, nullptr);
  if (theLength == 0) return "<error " + std::to_string(GetLastError()) + ">";
  EXPECT_EQ(theLength, std::char_traits<char>::length(theBuffer));
  return std::string(theBuffer, theLength);
}

std::u16string MessageW(DWORD inCode) {
  WCHAR theBuffer[512];
  const DWORD theLength =
      FormatMessageW(kSystemFlags, nullptr, inCode, 0, theBuffer, 512, nullptr);
  return std::u16string(theBuffer, theLength);
}

TEST(FormatMessageTest, SystemTextsAsWindowsGivesThem) {
  struct Case {
    DWORD mCode;
    std::string_view mText;
  };
  const Case theCases[] = {
      {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_NOT_ENOUGH_MEMORY,
       "Not enough memory resources are available to process this command.\r\n"},
      {ERROR_OUTOFMEMORY,
       "Not enough memory resources are available to complete this operation.\r\n"},
      {ERROR_NO_MORE_FILES, "There are no more files.\r\n"},
      {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
      {static_cast<DWORD>(E_FAIL), "Unspecified error\r\n"},
      {static_cast<DWORD>(E_NOTIMPL), "Not implemented\r\n"},
      {static_cast<DWORD>(E_UNEXPECTED), "Catastrophic failure\r\n"},
      {static_cast<DWORD>(DISP_E_TYPEMISMATCH), "Type mismatch.\r\n"},
      {static_cast<DWORD>(DISP_E_OVERFLOW), "Out of present range.\r\n"},
      {static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE),
       "ClassFactory cannot supply requested class\r\n"},
      {static_cast<DWORD>(REGDB_E_CLASSNOTREG), "Class not registered\r\n"},
      {static_cast<DWORD>(CO_E_CLASSSTRING), "Invalid class string\r\n"},
  };
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(theCase.mCode);
    EXPECT_EQ(MessageA(theCase.mCode), theCase.mText);
    const std::u16string theWide(theCase.mText.begin(), theCase.mText.end());
    EXPECT_EQ(MessageW(theCase.mCode), theWide);
  }
}

TEST(FormatMessageTest, Win32FacilityHresultsGiveTheWin32Text) {
  EXPECT_EQ(MessageA(static_cast<DWORD>(E_ACCESSDENIED)), MessageA(ERROR_ACCESS_DENIED));
  EXPECT_EQ(MessageA(static_cast<DWORD>(E_OUTOFMEMORY)), MessageA(ERROR_OUTOFMEMORY));
  EXPECT_EQ(MessageA(static_cast<DWORD>(E_INVALIDARG)), "The parameter is incorrect.\r\n");
  EXPECT_EQ(MessageA(static_cast<DWORD>(E_HANDLE)), "The handle is invalid.\r\n");
  EXPECT_EQ(MessageA(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_NO_MORE_FILES))),
            MessageA(ERROR_NO_MORE_FILES));
  // Only facility 7 with the error bit: the same low word under another facility is not Win32.
  EXPECT_EQ(MessageA(0x80080005u), "<error 317>");
  EXPECT_EQ(MessageA(0x00070005u), "<error 317>");
}

TEST(FormatMessageTest, UnknownCodesFailWithMessageNotFound) {
  for (DWORD theCode : {35u, 0x12345u, 0x8007FFFFu, 0xFFFFFFFFu}) {
    SCOPED_TRACE(theCode);
    EXPECT_EQ(MessageA(theCode), "<error 317>");
    WCHAR theWide[64];
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(kSystemFlags, nullptr, theCode, 0, theWide, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  }
}

TEST(FormatMessageTest, CodesUpTo200AreThoseWindowsDefines) {
  // The codes from 0 to 200 that have no system message on Windows.
  std::vector<DWORD> theGaps = {35, 37, 81, 115, 116, 163, 165, 166, 168, 169, 172, 181, 184, 185};
  for (DWORD theCode = 40; theCode <= 49; ++theCode) theGaps.push_back(theCode);
  for (DWORD theCode = 73; theCode <= 79; ++theCode) theGaps.push_back(theCode);
  for (DWORD theCode = 90; theCode <= 99; ++theCode) theGaps.push_back(theCode);
  for (DWORD theCode = 175; theCode <= 179; ++theCode) theGaps.push_back(theCode);
  int theTexts = 0;
  for (DWORD theCode = 0; theCode <= 200; ++theCode) {
    const bool theGap = std::find(theGaps.begin(), theGaps.end(), theCode) != theGaps.end();
    const std::string theText = MessageA(theCode);
    if (theGap) {
      EXPECT_EQ(theText, "<error 317>") << theCode;
    } else {
      EXPECT_TRUE(theText.ends_with("\r\n") && theText[0] != '<') << theCode << ": " << theText;
      ++theTexts;
    }
  }
  EXPECT_EQ(theTexts, 155);

  // Windows' wording, including codes the file, mapping and event calls define outside winerror.h.
  struct Case {
    DWORD mCode;
    std::string_view mText;
  };
  const Case kCases[] = {
      {7, "The storage control blocks were destroyed.\r\n"},
      {16, "The directory cannot be removed.\r\n"},
      {23, "Data error (cyclic redundancy check).\r\n"},
      {36, "Too many files opened for sharing.\r\n"},
      {53, "The network path was not found.\r\n"},
      {82, "The directory or file cannot be created.\r\n"},
      {109, "The pipe has been ended.\r\n"},
      {110, "The system cannot open the device or file specified.\r\n"},
      {121, "The semaphore timeout period has expired.\r\n"},
      {161, "The specified path is invalid.\r\n"},
      {167, "Unable to lock a region of a file.\r\n"},
      {193, "%1 is not a valid Win32 application.\r\n"},
      {200, "The code segment cannot be greater than or equal to 64K.\r\n"},
      {1132, "The base address or the file offset specified does not have the proper alignment.\r\n"},
      {1224, "The requested operation cannot be performed on a file with a user-mapped section open.\r\n"},
      {0x80070020u, "The process cannot access the file because it is being used by another process.\r\n"},
  };
  for (const Case& theCase : kCases) EXPECT_EQ(MessageA(theCase.mCode), theCase.mText) << theCase.mCode;
}

TEST(FormatMessageTest, EveryCodeInTheErrorHeaderHasAText) {
  std::ifstream theHeader(QUORIX_SOURCE_DIR "/platform/include/winerror.h");
  ASSERT_TRUE(theHeader);
  std::string theLine;
  int theCount = 0;
  while (std::getline(theHeader, theLine)) {
    // "#define ERROR_NAME 123L" and "#define X_E_NAME _HRESULT_TYPEDEF_(0x8000FFFFu)"
    std::istringstream theWords(theLine);
    std::string theDefine, theName, theValue;
    if (!(theWords >> theDefine >> theName >> theValue) || theDefine != "#define") continue;
    const bool theIsWin32 = theName.starts_with("ERROR_") || theName == "NO_ERROR";
    const bool theIsResult = theName.starts_with("E_") || theName.find("_E_") != std::string::npos;
    DWORD theCode = 0;
    if (theIsWin32 && theValue.ends_with("L")) {
      theCode = static_cast<DWORD>(std::stoul(theValue));
    } else if (theIsResult && theValue.starts_with("_HRESULT_TYPEDEF_(0x")) {
      theCode = static_cast<DWORD>(std::stoul(theValue.substr(18), nullptr, 16));
    } else {
      continue;
    }
    ++theCount;
    const std::string theText = MessageA(theCode);
    EXPECT_TRUE(theText.size() > 2 && theText.ends_with("\r\n") && theText[0] != '<')
        << theName << " has no message: " << theText;
  }
  EXPECT_GT(theCount, 50);
}

TEST(FormatMessageTest, BufferMustHoldTheTerminator) {
  const std::string theText = "Access is denied.\r\n";
  char theBuffer[32];
  SetLastError(0);
  EXPECT_EQ(FormatMessageA(kSystemFlags, nullptr, ERROR_ACCESS_DENIED, 0, theBuffer,
                           static_cast<DWORD>(theText.size()), nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(FormatMessageA(kSystemFlags, nullptr, ERROR_ACCESS_DENIED, 0, theBuffer,
                           static_cast<DWORD>(theText.size() + 1), nullptr), theText.size());
  EXPECT_EQ(theBuffer, theText);

  SetLastError(0);
  EXPECT_EQ(FormatMessageA(kSystemFlags, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 64, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(FormatMessageTest, AllocatedBuffersAreFreedWithLocalFree) {
  constexpr DWORD kFlags = kSystemFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  LPSTR theNarrow = nullptr;
  const DWORD theLength = FormatMessageA(kFlags, nullptr, ERROR_FILE_NOT_FOUND, 0,
                                         reinterpret_cast<LPSTR>(&theNarrow), 0, nullptr);
  ASSERT_NE(theNarrow, nullptr);
  EXPECT_EQ(std::string(theNarrow), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(theLength, std::char_traits<char>::length(theNarrow));
  EXPECT_EQ(LocalFree(theNarrow), nullptr);

  // The size is the minimum to allocate; the wide form counts WCHARs.
  LPWSTR theWide = nullptr;
  EXPECT_EQ(FormatMessageW(kFlags, nullptr, static_cast<DWORD>(E_POINTER),
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<LPWSTR>(&theWide), 4096, nullptr), 17u);
  ASSERT_NE(theWide, nullptr);
  EXPECT_EQ(std::u16string_view(theWide), u"Invalid pointer\r\n");
  theWide[4095] = u'x';  // the whole minimum size is usable
  LocalFree(theWide);

  // A failed call leaves no buffer behind.
  theNarrow = reinterpret_cast<LPSTR>(&theNarrow);
  EXPECT_EQ(FormatMessageA(kFlags, nullptr, 0x12345u, 0, reinterpret_cast<LPSTR>(&theNarrow), 0,
                           nullptr), 0u);
  EXPECT_EQ(theNarrow, nullptr);
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(FormatMessageTest, LanguagesAndWidth) {
  EXPECT_EQ(MessageA(ERROR_ACCESS_DENIED, kSystemFlags,
                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            "Access is denied.\r\n");
  EXPECT_EQ(MessageA(ERROR_ACCESS_DENIED, kSystemFlags, MAKELANGID(0x0C, 0x01)), "<error 1815>");
  // With a maximum width the text's own line breaks become spaces.
  EXPECT_EQ(MessageA(ERROR_ACCESS_DENIED, kSystemFlags | FORMAT_MESSAGE_MAX_WIDTH_MASK),
            "Access is denied. ");
  // Only the system table is a message source here.
  EXPECT_EQ(MessageA(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_IGNORE_INSERTS), "<error 87>");
  EXPECT_EQ(MessageA(ERROR_ACCESS_DENIED, kSystemFlags | FORMAT_MESSAGE_FROM_STRING), "<error 87>");
}

DWORD FormatWithArguments(DWORD inCode, char* outBuffer, DWORD inSize, ...) {
  va_list theArguments;
  va_start(theArguments, inSize);
  const DWORD theLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, inCode, 0, outBuffer,
                                         inSize, &theArguments);
  va_end(theArguments);
  return theLength;
}

TEST(FormatMessageTest, Inserts) {
  EXPECT_EQ(MessageA(ERROR_BAD_EXE_FORMAT), "%1 is not a valid Win32 application.\r\n");

  char theBuffer[128];
  EXPECT_GT(FormatWithArguments(ERROR_BAD_EXE_FORMAT, theBuffer, 128, "tool.exe"), 0u);
  EXPECT_STREQ(theBuffer, "tool.exe is not a valid Win32 application.\r\n");
  EXPECT_GT(FormatWithArguments(ERROR_MR_MID_NOT_FOUND, theBuffer, 128, "1234", "System"), 0u);
  EXPECT_STREQ(theBuffer,
               "The system cannot find message text for message number 0x1234 in the message file "
               "for System.\r\n");

  const DWORD_PTR theArray[] = {reinterpret_cast<DWORD_PTR>(u"x.dll")};
  WCHAR theWide[128];
  EXPECT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr,
                           ERROR_BAD_EXE_FORMAT, 0, theWide, 128,
                           reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(theArray))), 0u);
  EXPECT_EQ(std::u16string_view(theWide), u"x.dll is not a valid Win32 application.\r\n");

  // An insert without arguments is refused rather than read from nowhere.
  EXPECT_EQ(MessageA(ERROR_BAD_EXE_FORMAT, FORMAT_MESSAGE_FROM_SYSTEM), "<error 87>");
  // Texts without inserts need no arguments.
  EXPECT_EQ(MessageA(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_FROM_SYSTEM), "Access is denied.\r\n");
}

}  // namespace
