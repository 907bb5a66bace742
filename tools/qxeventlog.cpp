// qxeventlog: lists the Application log of this machine, oldest entry first, newest last.
//
//   qxeventlog [--source NAME]
//
// One entry per line, fields separated by tabs: the time (ISO 8601, UTC), the type (Error,
// Warning, Information, Success, AuditSuccess, AuditFailure), the source, the category, the event
// ID, then each insertion string. Backslashes and control characters inside the texts are
// written as escapes (\\, \r, \n, \t, \xHH) so that an entry is always one line.
// Exit status: 0 when the log was read (an empty log prints nothing), 1 when it could not be
// read, 2 for a wrong command line.
#include <errhandlingapi.h>
#include <eventlog.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <string_view>

namespace {

std::string Visible(std::string_view inText) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string theOut;
  theOut.reserve(inText.size());
  for (const char theChar : inText) {
    const auto theByte = static_cast<unsigned char>(theChar);
    switch (theChar) {
      case '\\': theOut += "\\\\"; break;
      case '\r': theOut += "\\r"; break;
      case '\n': theOut += "\\n"; break;
      case '\t': theOut += "\\t"; break;
      default:
        if (theByte < 0x20 || theByte == 0x7F) {
          theOut += "\\x";
          theOut += kHex[theByte >> 4];
          theOut += kHex[theByte & 0xF];
        } else {
          theOut += theChar;
        }
    }
  }
  return theOut;
}

std::string IsoTime(int64_t inSeconds) {
  const auto theTime = static_cast<std::time_t>(inSeconds);
  const std::tm* theParts = std::gmtime(&theTime);
  char theText[64];
  if (theParts == nullptr || std::strftime(theText, sizeof theText, "%Y-%m-%dT%H:%M:%SZ", theParts) == 0) {
    return std::to_string(inSeconds);
  }
  return theText;
}

int Usage(const char* inProgram) {
  std::cerr << "usage: " << inProgram << " [--source NAME]\n"
            << "Lists the Application log, newest entry last.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string theSource;
  for (int theIndex = 1; theIndex < argc; ++theIndex) {
    const std::string_view theArg = argv[theIndex];
    if (theArg == "--source" && theIndex + 1 < argc) {
      theSource = argv[++theIndex];
    } else if (theArg.starts_with("--source=")) {
      theSource = theArg.substr(9);
    } else if (theArg == "-h" || theArg == "--help") {
      Usage(argv[0]);
      return 0;
    } else {
      return Usage(argv[0]);
    }
  }

  const std::vector<QxEventEntry> theEntries = QxReadEventLog(theSource);
  if (const DWORD theError = GetLastError(); theError != 0) {
    std::cerr << argv[0] << ": cannot read the Application log (error " << theError << ")\n";
    return 1;
  }
  std::string theLine;
  for (const QxEventEntry& theEntry : theEntries) {
    theLine = IsoTime(theEntry.mTime);
    theLine += '\t';
    theLine += QxEventTypeName(theEntry.mType);
    theLine += '\t';
    theLine += Visible(theEntry.mSource);
    theLine += '\t';
    theLine += std::to_string(theEntry.mCategory);
    theLine += '\t';
    theLine += std::to_string(theEntry.mEventID);
    for (const std::string& theString : theEntry.mStrings) {
      theLine += '\t';
      theLine += Visible(theString);
    }
    theLine += '\n';
    std::fwrite(theLine.data(), 1, theLine.size(), stdout);
  }
  if (std::fflush(stdout) != 0) {
    return 1;
  }
  return 0;
}
