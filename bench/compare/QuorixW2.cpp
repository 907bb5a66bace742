// The "read and rewrite" workload through the library's C++ classes: read a PDF file and write
// every object of it again into a new file. Usage: QuorixW2 IN.pdf OUT.pdf
#include "QuorixBench.h"
#include "scripting/Doc.h"

using namespace QuorixBench;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: QuorixW2 IN.pdf OUT.pdf\n");
    return 2;
  }
  Ref<IDoc> theDoc;
  Check(Doc::CreateInstance(IID_IDoc, reinterpret_cast<void**>(&theDoc)), "Doc");
  const Bstr theInput(argv[1]);
  VARIANT thePath;
  VariantInit(&thePath);
  thePath.vt = VT_BSTR;
  thePath.bstrVal = theInput;
  Check(theDoc->Read(thePath), "Read");
  Check(theDoc->Save(Bstr(argv[2])), "Save");
  return 0;
}
