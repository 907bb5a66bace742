// The "report" workload through the library's C++ classes: N pages, each with the whole text
// wrapped into the box 36..576 × 36..756 in Helvetica 10, 20 lines, 5 framed rectangles, one grey
// filled rectangle and the JPEG, which is embedded once and placed again on every later page.
// Usage: QuorixW1 INPUTS N OUT.pdf
#include <cstdlib>

#include "QuorixBench.h"
#include "scripting/Doc.h"

using namespace QuorixBench;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: QuorixW1 INPUTS N OUT.pdf\n");
    return 2;
  }
  const std::string theInputs = argv[1];
  const int thePages = std::atoi(argv[2]);
  const Bstr theText(ReadFile(theInputs + "/text.txt"));
  const Bstr theJPEG(theInputs + "/image.jpg");

  Ref<IDoc> theDoc;
  Check(Doc::CreateInstance(IID_IDoc, reinterpret_cast<void**>(&theDoc)), "Doc");
  Ref<IXRect> theRect, theMediaBox;
  Ref<IXPoint> thePos;
  Ref<IXColor> theColor;
  Ref<IXTextStyle> theStyle;
  Check(theDoc->get_Rect(&theRect), "Rect");
  Check(theDoc->get_MediaBox(&theMediaBox), "MediaBox");
  Check(theDoc->get_Pos(&thePos), "Pos");
  Check(theDoc->get_Color(&theColor), "Color");
  Check(theDoc->get_TextStyle(&theStyle), "TextStyle");

  const auto SetRect = [&](IXRect* inRect, LONG inLeft, LONG inBottom, LONG inRight, LONG inTop) {
    Check(inRect->put_Left(inLeft), "Left");
    Check(inRect->put_Bottom(inBottom), "Bottom");
    Check(inRect->put_Right(inRight), "Right");
    Check(inRect->put_Top(inTop), "Top");
  };
  const auto SetGrey = [&](LONG inLevel) {
    Check(theColor->put_Red(inLevel), "Red");
    Check(theColor->put_Green(inLevel), "Green");
    Check(theColor->put_Blue(inLevel), "Blue");
  };

  SetRect(theMediaBox.get(), 0, 0, 612, 792);
  LONG theFont = 0;
  const Bstr theHelvetica("Helvetica");
  Check(theDoc->AddFont(theHelvetica, &theFont), "AddFont");
  Check(theStyle->put_Size(10), "Size");

  // Position −1 appends the page.
  VARIANT theEnd;
  VariantInit(&theEnd);
  theEnd.vt = VT_I4;
  theEnd.lVal = -1;
  LONG thePlacement = 0;
  LONG theID = 0;
  for (int thePage = 0; thePage < thePages; ++thePage) {
    // A new document starts with one page.
    if (thePage > 0) {
      Check(theDoc->AddPage(theEnd, &theID), "AddPage");
      Check(theDoc->put_Page(theID), "Page");
    }
    Check(theDoc->put_Font(theFont), "Font");
    SetGrey(0);
    Check(theDoc->put_Width(1), "Width");
    // The first baseline lies 0.8 × size below the position: 746 from a position at 754.
    SetRect(theRect.get(), 36, 36, 576, 756);
    Check(thePos->put_X(36), "X");
    Check(thePos->put_Y(754), "Y");
    Check(theDoc->AddText(theText, &theID), "AddText");
    for (LONG i = 0; i < 20; ++i) Check(theDoc->AddLine(36, 60 + 30 * i, 576, 60 + 30 * i, &theID), "AddLine");
    for (LONG i = 0; i < 5; ++i) {
      SetRect(theRect.get(), 36 + 110 * i, 200, 136 + 110 * i, 250);
      Check(theDoc->FrameRect(&theID), "FrameRect");
    }
    SetRect(theRect.get(), 36, 40, 136, 90);
    SetGrey(128);
    Check(theDoc->FillRect(&theID), "FillRect");
    SetRect(theRect.get(), 376, 40, 576, 190);
    VARIANT theImage;
    VariantInit(&theImage);
    if (thePlacement == 0) {
      theImage.vt = VT_BSTR;
      theImage.bstrVal = theJPEG;
    } else {
      theImage.vt = VT_I4;
      theImage.lVal = thePlacement;
    }
    Check(theDoc->AddImage(theImage, &thePlacement), "AddImage");
  }
  Check(theDoc->Save(Bstr(argv[3])), "Save");
  return 0;
}
