// W1 "report" with PoDoFo: N pages of greedily wrapped Helvetica text, 20 lines, 5 stroked and
// 1 filled rectangle and one shared JPEG. Usage: podofo_w1 INPUTS_DIR N OUT.pdf
#include <podofo/podofo.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace PoDoFo;

static std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Greedy wrap into 540 pt using the font's advance widths at the current size.
static std::vector<std::string> wrap(const PdfFontMetrics* metrics, const std::string& text)
{
    std::vector<std::string> lines;
    const double limit = 540.0;
    const double space = metrics->StringWidth(" ", 1);
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find('\n', i);
        if (end == std::string::npos) end = text.size();
        std::string line;
        double line_w = 0;
        size_t w = i;
        while (w < end) {
            size_t we = text.find(' ', w);
            if (we == std::string::npos || we > end) we = end;
            const double ww = metrics->StringWidth(text.c_str() + w, static_cast<pdf_long>(we - w));
            if (!line.empty() && line_w + space + ww > limit) {
                lines.push_back(line);
                line.clear();
                line_w = 0;
            }
            if (!line.empty()) {
                line += ' ';
                line_w += space;
            }
            line.append(text, w, we - w);
            line_w += ww;
            w = we + 1;
        }
        if (!line.empty()) lines.push_back(line);
        i = end + 1;
    }
    return lines;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " INPUTS_DIR N OUT.pdf\n";
        return 2;
    }
    try {
        const std::string dir = argv[1];
        const int pages = std::atoi(argv[2]);
        const std::string text = read_file(dir + "/text.txt");

        // Content streams are written uncompressed.
        PdfStream::eDefaultFilter = ePdfFilter_None;

        PdfMemDocument doc;
        PdfFont* font = doc.CreateFont("Helvetica", false, false, false,
                                       PdfEncodingFactory::GlobalWinAnsiEncodingInstance(),
                                       PdfFontCache::eFontCreationFlags_AutoSelectBase14, false);
        font->SetFontSize(10);
        PdfImage image(&doc);
        image.LoadFromJpeg((dir + "/image.jpg").c_str());

        PdfPainter painter;
        const PdfRect size(0, 0, 612, 792);
        for (int p = 0; p < pages; p++) {
            PdfPage* page = doc.CreatePage(size);
            painter.SetPage(page);

            painter.SetFont(font);
            const std::vector<std::string> lines = wrap(font->GetFontMetrics(), text);
            painter.BeginText(36, 746);
            for (size_t k = 0; k < lines.size(); k++) {
                if (k) painter.MoveTextPos(0, -10);
                painter.AddText(PdfString(lines[k].c_str()));
            }
            painter.EndText();

            painter.SetStrokeWidth(1);
            for (int i = 0; i < 20; i++) painter.DrawLine(36, 60 + 30 * i, 576, 60 + 30 * i);
            for (int i = 0; i < 5; i++) {
                painter.Rectangle(36 + 110 * i, 200, 100, 50);
                painter.Stroke();
            }
            painter.SetColor(PdfColor(0.5));
            painter.Rectangle(36, 40, 100, 50);
            painter.Fill();

            painter.DrawImage(376, 40, &image, 200.0 / image.GetWidth(), 150.0 / image.GetHeight());
            painter.FinishPage();
        }
        doc.Write(argv[3]);
    } catch (const PdfError& e) {
        e.PrintErrorMsg();
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
