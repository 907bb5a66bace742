// Assertions that report and never stop the program: the code after an assertion copes with the
// condition having failed. The report names the condition as written, the source file and line.
#pragma once

// Formats "Assertion Failed in <file> line <line> (<expression>)" and, unless the LogAsserts
// preference is 0, writes it to the event log as an error.
void ReportAssertion(const char* inFile, long inLine, const char* inExpression);

#define QX_ASSERT(inCondition) \
  ((inCondition) ? (void)0 : ReportAssertion(__FILE__, __LINE__, #inCondition))
