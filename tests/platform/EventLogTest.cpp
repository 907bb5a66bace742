// The event log: entries written with ReportEvent, read back, and listed by qxeventlog.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CommandResult {
  int mStatus = -1;
  std::string mOutput;
};

// Runs the listing command with the given arguments; the environment (QUORIX_ROOT) is inherited.
CommandResult RunListing(const std::string& inArguments) {
  const std::string theCommand = std::string(QUORIX_BINARY_DIR "/bin/qxeventlog ") + inArguments + " 2>/dev/null";
  CommandResult theResult;
  FILE* thePipe = ::popen(theCommand.c_str(), "r");
  if (thePipe == nullptr) {
    return theResult;
  }
  char theBuffer[4096];
  size_t theRead = 0;
  while ((theRead = std::fread(theBuffer, 1, sizeof theBuffer, thePipe)) > 0) {
    theResult.mOutput.append(theBuffer, theRead);
  }
  const int theStatus = ::pclose(thePipe);
  theResult.mStatus = WIFEXITED(theStatus) ? WEXITSTATUS(theStatus) : -1;
  return theResult;
}

std::vector<std::string> Lines(const std::string& inText) {
  std::vector<std::string> theLines;
  size_t theStart = 0;
  while (theStart < inText.size()) {
    size_t theEnd = inText.find('\n', theStart);
    if (theEnd == std::string::npos) {
      theEnd = inText.size();
    }
    theLines.push_back(inText.substr(theStart, theEnd - theStart));
    theStart = theEnd + 1;
  }
  return theLines;
}

std::vector<std::string> Fields(const std::string& inLine) {
  std::vector<std::string> theFields;
  size_t theStart = 0;
  for (;;) {
    const size_t theEnd = inLine.find('\t', theStart);
    theFields.push_back(inLine.substr(theStart, theEnd == std::string::npos ? std::string::npos : theEnd - theStart));
    if (theEnd == std::string::npos) {
      return theFields;
    }
    theStart = theEnd + 1;
  }
}

// Each test gets a fresh platform root that does not exist yet.
class EventLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char theTemplate[] = "/tmp/qxeventlogXXXXXX";
    ASSERT_NE(::mkdtemp(theTemplate), nullptr);
    mFolder = theTemplate;
    mRoot = mFolder / "root";
    ::setenv("QUORIX_ROOT", mRoot.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORIX_ROOT");
    std::error_code theError;
    fs::remove_all(mFolder, theError);
  }

  // Writes one entry as the system's own writer does: one insertion string.
  BOOL Report(const char* inSource, WORD inType, const char* inText, DWORD inEventID = 4096) {
    HANDLE theSource = RegisterEventSourceA(nullptr, inSource);
    EXPECT_NE(theSource, nullptr);
    LPCSTR theStrings[] = {inText};
    const BOOL theResult = ReportEventA(theSource, inType, 1, inEventID, nullptr, 1, 0, theStrings, nullptr);
    EXPECT_TRUE(DeregisterEventSource(theSource));
    return theResult;
  }

  fs::path mFolder;
  fs::path mRoot;
};

TEST_F(EventLogTest, EntryKeepsItsFieldsAndLineBreaks) {
  const int64_t theBefore = std::time(nullptr);
  ASSERT_TRUE(Report("Quorix", EVENTLOG_WARNING_TYPE, "Unable to create stream.\r\nThe system cannot find the file."));
  const int64_t theAfter = std::time(nullptr);

  const std::vector<QxEventEntry> theEntries = QxReadEventLog();
  EXPECT_EQ(GetLastError(), 0u);
  ASSERT_EQ(theEntries.size(), 1u);
  const QxEventEntry& theEntry = theEntries[0];
  EXPECT_EQ(theEntry.mSource, "Quorix");
  EXPECT_EQ(theEntry.mType, EVENTLOG_WARNING_TYPE);
  EXPECT_EQ(theEntry.mCategory, 1);
  EXPECT_EQ(theEntry.mEventID, 4096u);
  EXPECT_GE(theEntry.mTime, theBefore);
  EXPECT_LE(theEntry.mTime, theAfter);
  ASSERT_EQ(theEntry.mStrings.size(), 1u);
  EXPECT_EQ(theEntry.mStrings[0], "Unable to create stream.\r\nThe system cannot find the file.");

  // The command prints the entry on one line, the line breaks shown as escapes.
  const CommandResult theListing = RunListing("");
  EXPECT_EQ(theListing.mStatus, 0);
  const std::vector<std::string> theLines = Lines(theListing.mOutput);
  ASSERT_EQ(theLines.size(), 1u);
  const std::vector<std::string> theFields = Fields(theLines[0]);
  ASSERT_EQ(theFields.size(), 6u);
  EXPECT_EQ(theFields[0].size(), 20u);  // 2024-06-01T12:00:00Z
  EXPECT_EQ(theFields[0].back(), 'Z');
  EXPECT_EQ(theFields[0][10], 'T');
  EXPECT_EQ(theFields[1], "Warning");
  EXPECT_EQ(theFields[2], "Quorix");
  EXPECT_EQ(theFields[3], "1");
  EXPECT_EQ(theFields[4], "4096");
  EXPECT_EQ(theFields[5], "Unable to create stream.\\r\\nThe system cannot find the file.");
}

TEST_F(EventLogTest, ListingIsOldestFirstAndFiltersBySource) {
  ASSERT_TRUE(Report("Quorix", EVENTLOG_INFORMATION_TYPE, "Quorix Registered Successfully"));
  ASSERT_TRUE(Report("Other", EVENTLOG_ERROR_TYPE, "not ours"));
  ASSERT_TRUE(Report("Quorix", EVENTLOG_ERROR_TYPE, "Assertion Failed in Image.cpp line 12 (theWidth > 0)"));

  const std::vector<std::string> theAll = Lines(RunListing("").mOutput);
  ASSERT_EQ(theAll.size(), 3u);
  EXPECT_EQ(Fields(theAll[0])[5], "Quorix Registered Successfully");
  EXPECT_EQ(Fields(theAll[1])[2], "Other");
  EXPECT_EQ(Fields(theAll[2])[1], "Error");

  // The filter compares source names without regard to case.
  const CommandResult theFiltered = RunListing("--source QUORIX");
  EXPECT_EQ(theFiltered.mStatus, 0);
  const std::vector<std::string> theOurs = Lines(theFiltered.mOutput);
  ASSERT_EQ(theOurs.size(), 2u);
  EXPECT_EQ(Fields(theOurs[0])[1], "Information");
  EXPECT_EQ(Fields(theOurs[1])[5], "Assertion Failed in Image.cpp line 12 (theWidth > 0)");
  EXPECT_EQ(QxReadEventLog("other").size(), 1u);
  EXPECT_TRUE(RunListing("--source Nobody").mOutput.empty());
  EXPECT_EQ(RunListing("--bogus").mStatus, 2);
}

TEST_F(EventLogTest, SeveralStringsRawDataAndWideForm) {
  HANDLE theSource = RegisterEventSourceW(u"", u"Quorix");
  ASSERT_NE(theSource, nullptr);
  // Texts with format marks and backslashes reach the log unchanged.
  LPCWSTR theStrings[] = {u"100% done: %s %1", u"C:\\path\\file\twith tab", u"Gr\u00fc\u00dfe", u""};
  const BYTE theData[] = {1, 2, 3, 0};
  ASSERT_TRUE(ReportEventW(theSource, EVENTLOG_AUDIT_FAILURE, 7, 0x1001, nullptr, 4, sizeof theData, theStrings,
                           const_cast<BYTE*>(theData)));
  EXPECT_TRUE(DeregisterEventSource(theSource));
  EXPECT_FALSE(DeregisterEventSource(theSource));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  const std::vector<QxEventEntry> theEntries = QxReadEventLog("Quorix");
  ASSERT_EQ(theEntries.size(), 1u);
  EXPECT_EQ(theEntries[0].mStrings,
            (std::vector<std::string>{"100% done: %s %1", "C:\\path\\file\twith tab", "Gr\xc3\xbc\xc3\x9f" "e", ""}));
  EXPECT_EQ(theEntries[0].mData, std::vector<BYTE>(theData, theData + sizeof theData));
  EXPECT_EQ(theEntries[0].mCategory, 7);
  EXPECT_EQ(theEntries[0].mEventID, 0x1001u);

  const std::vector<std::string> theFields = Fields(Lines(RunListing("").mOutput).at(0));
  ASSERT_EQ(theFields.size(), 9u);
  EXPECT_EQ(theFields[1], "AuditFailure");
  EXPECT_EQ(theFields[6], "C:\\\\path\\\\file\\twith tab");
  EXPECT_EQ(theFields[8], "");
}

TEST_F(EventLogTest, RefusesWhatWindowsRefuses) {
  EXPECT_EQ(RegisterEventSourceA("otherhost", "Quorix"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(RegisterEventSourceA(nullptr, ""), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  LPCSTR theStrings[] = {"text"};
  EXPECT_FALSE(ReportEventA(reinterpret_cast<HANDLE>(0x1234), EVENTLOG_ERROR_TYPE, 1, 4096, nullptr, 1, 0, theStrings,
                            nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  HANDLE theSource = RegisterEventSourceA(nullptr, "Quorix");
  ASSERT_NE(theSource, nullptr);
  EXPECT_FALSE(ReportEventA(theSource, 3, 1, 4096, nullptr, 1, 0, theStrings, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(ReportEventA(theSource, EVENTLOG_ERROR_TYPE, 1, 4096, nullptr, 1, 0, nullptr, nullptr));
  EXPECT_FALSE(ReportEventA(theSource, EVENTLOG_ERROR_TYPE, 1, 4096, nullptr, 0, 16, nullptr, nullptr));
  const std::string theHuge(40000, 'x');
  LPCSTR theTooLong[] = {theHuge.c_str()};
  EXPECT_FALSE(ReportEventA(theSource, EVENTLOG_ERROR_TYPE, 1, 4096, nullptr, 1, 0, theTooLong, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // An entry without strings is fine.
  EXPECT_TRUE(ReportEventA(theSource, EVENTLOG_SUCCESS, 0, 1, nullptr, 0, 0, nullptr, nullptr));
  DeregisterEventSource(theSource);

  const std::vector<QxEventEntry> theEntries = QxReadEventLog();
  ASSERT_EQ(theEntries.size(), 1u);
  EXPECT_TRUE(theEntries[0].mStrings.empty());
  EXPECT_EQ(QxEventTypeName(theEntries[0].mType), "Success");
}

TEST_F(EventLogTest, MissingLogListsNothingAndIsNotCreated) {
  EXPECT_TRUE(QxReadEventLog().empty());
  EXPECT_EQ(GetLastError(), 0u);
  const CommandResult theListing = RunListing("");
  EXPECT_EQ(theListing.mStatus, 0);
  EXPECT_TRUE(theListing.mOutput.empty());
  EXPECT_FALSE(fs::exists(mRoot));
}

TEST_F(EventLogTest, DamagedLogIsReportedNotCrashedOn) {
  fs::create_directories(mRoot);
  {
    std::ofstream theFile(mRoot / "eventlog.db", std::ios::binary);
    unsigned theState = 12345;
    for (int theIndex = 0; theIndex < 32768; ++theIndex) {
      theState = theState * 1103515245u + 12345u;
      theFile.put(static_cast<char>(theState >> 16));
    }
  }
  EXPECT_TRUE(QxReadEventLog().empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BADDB));
  EXPECT_FALSE(Report("Quorix", EVENTLOG_ERROR_TYPE, "lost"));
  const CommandResult theListing = RunListing("");
  EXPECT_NE(theListing.mStatus, 0);
  EXPECT_TRUE(theListing.mOutput.empty());
}

TEST_F(EventLogTest, LogThatCannotBeWrittenStillReads) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root to drop to another user";
  }
  ASSERT_TRUE(Report("Quorix", EVENTLOG_INFORMATION_TYPE, "written by root"));
  fs::permissions(mFolder, fs::perms(0755));
  fs::permissions(mRoot, fs::perms(0755));
  fs::permissions(mRoot / "eventlog.db", fs::perms(0644));

  const pid_t theChild = ::fork();
  if (theChild == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      ::_exit(10);
    }
    HANDLE theSource = RegisterEventSourceA(nullptr, "Quorix");
    LPCSTR theStrings[] = {"written by nobody"};
    if (ReportEventA(theSource, EVENTLOG_ERROR_TYPE, 1, 4096, nullptr, 1, 0, theStrings, nullptr) ||
        GetLastError() != ERROR_ACCESS_DENIED) {
      ::_exit(11);
    }
    const std::vector<QxEventEntry> theEntries = QxReadEventLog();
    ::_exit(GetLastError() == 0 && theEntries.size() == 1 ? 0 : 12);
  }
  int theStatus = 0;
  ASSERT_EQ(::waitpid(theChild, &theStatus, 0), theChild);
  ASSERT_TRUE(WIFEXITED(theStatus));
  EXPECT_EQ(WEXITSTATUS(theStatus), 0) << "10: could not drop rights, 11: the write was not refused, 12: no read";
  EXPECT_EQ(QxReadEventLog().size(), 1u);
}

}  // namespace
