// The "picture" workload through the library's C++ classes: one page holding a decoded PNG,
// stored as one Flate-compressed RGB image, drawn into 36..576 × 396..756.
// Usage: QuorixW3 INPUTS OUT.pdf
#include "QuorixBench.h"
#include "scripting/Doc.h"
#include "scripting/Image.h"

using namespace QuorixBench;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: QuorixW3 INPUTS OUT.pdf\n");
    return 2;
  }
  Ref<IDoc> theDoc;
  Check(Doc::CreateInstance(IID_IDoc, reinterpret_cast<void**>(&theDoc)), "Doc");
  Ref<IImage> theImage;
  Check(Image::CreateInstance(IID_IImage, reinterpret_cast<void**>(&theImage)), "Image");
  Check(theImage->SetFile(Bstr(std::string(argv[1]) + "/picture.png")), "SetFile");
  Ref<IXRect> theMediaBox, theRect;
  Check(theDoc->get_MediaBox(&theMediaBox), "MediaBox");
  Check(theMediaBox->put_String(Bstr("0 0 612 792")), "MediaBox");
  Check(theDoc->get_Rect(&theRect), "Rect");
  Check(theRect->put_String(Bstr("36 396 576 756")), "Rect");
  VARIANT theSource;
  VariantInit(&theSource);
  theSource.vt = VT_DISPATCH;
  theSource.pdispVal = theImage.get();
  LONG theID = 0;
  Check(theDoc->AddImage(theSource, &theID), "AddImage");
  Check(theDoc->Save(Bstr(argv[2])), "Save");
  return 0;
}
