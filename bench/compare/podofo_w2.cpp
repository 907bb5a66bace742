// W2 "read and rewrite" with PoDoFo: loads every object of IN.pdf and writes a complete new file.
// Usage: podofo_w2 IN.pdf OUT.pdf
#include <podofo/podofo.h>

#include <iostream>

using namespace PoDoFo;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " IN.pdf OUT.pdf\n";
        return 2;
    }
    try {
        PdfMemDocument doc;
        doc.Load(argv[1]);
        doc.Write(argv[2]);
    } catch (const PdfError& e) {
        e.PrintErrorMsg();
        return 1;
    }
    return 0;
}
