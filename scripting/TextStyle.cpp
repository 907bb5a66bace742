#include "scripting/TextStyle.h"

#include "scripting/ValueText.h"

std::string TextStyle::Text() const {
  std::string theText;
  const double theReals[8] = {mSize,        mIndent,        mCharSpacing, mWordSpacing,
                              mLineSpacing, mParaSpacing, mJustification, mOutline};
  for (double theReal : theReals) {
    ValueText::AppendFixed4(theText, theReal);
    theText += ' ';
  }
  ValueText::AppendLong(theText, mUnderline);
  theText += ' ';
  ValueText::AppendLong(theText, mStrike);
  theText += ' ';
  ValueText::AppendLong(theText, mStrike2);
  return theText;
}

void TextStyle::Parse(std::string_view inText) {
  ValueText theScanner(inText);
  double* const theReals[8] = {&mSize,        &mIndent,     &mCharSpacing,   &mWordSpacing,
                               &mLineSpacing, &mParaSpacing, &mJustification, &mOutline};
  for (double* theReal : theReals)
    if (!theScanner.ScanDouble(*theReal)) return;
  int32_t* const theFlags[3] = {&mUnderline, &mStrike, &mStrike2};
  for (int32_t* theFlag : theFlags)
    if (!theScanner.ScanLong(*theFlag)) return;
}
