#include "runtime/Assert.h"

#include <cstdio>

#include "runtime/EventLog.h"
#include "runtime/Preferences.h"

void ReportAssertion(const char* inFile, long inLine, const char* inExpression) {
  char theText[256];
  std::snprintf(theText, sizeof(theText), "Assertion Failed in %s line %ld (%s)", inFile != nullptr ? inFile : "",
                inLine, inExpression != nullptr ? inExpression : "");
  // A finished text: a "%" in a path or an expression reaches the log unchanged.
  if (GetPrefLong("LogAsserts", 1) != 0) LogText(theText, kEventError);
}
