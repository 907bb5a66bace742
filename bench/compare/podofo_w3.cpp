// W3 "picture" with PoDoFo: one page holding picture.png, decoded by PoDoFo and stored as a
// Flate-compressed RGB image. Usage: podofo_w3 INPUTS_DIR OUT.pdf
#include <podofo/podofo.h>

#include <iostream>
#include <string>

using namespace PoDoFo;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " INPUTS_DIR OUT.pdf\n";
        return 2;
    }
    try {
        PdfMemDocument doc;
        PdfPage* page = doc.CreatePage(PdfRect(0, 0, 612, 792));
        PdfImage image(&doc);
        image.LoadFromPng((std::string(argv[1]) + "/picture.png").c_str());
        PdfPainter painter;
        painter.SetPage(page);
        painter.DrawImage(36, 396, &image, 540.0 / image.GetWidth(), 360.0 / image.GetHeight());
        painter.FinishPage();
        doc.Write(argv[2]);
    } catch (const PdfError& e) {
        e.PrintErrorMsg();
        return 1;
    }
    return 0;
}
