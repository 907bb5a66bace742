// Throughput of text layout and content generation: a long text (about 200,000 characters of
// prose with paragraph breaks, some letters beyond ASCII) flowed into rectangles of 300 by 400
// points, each block continuing from the characters the previous one placed, as a script does
// with a loop of AddText. Counted in characters per second.
#include <benchmark/benchmark.h>

#include <string>

#include "fonts/StandardFont.h"
#include "fonts/TextContent.h"
#include "pdfcore/PDFMemoryStream.h"

namespace {

std::u16string MakeText() {
  const std::u16string theSentence =
      u"The quick brown fox jumps over the lazy dog; caf\u00E9 cr\u00E8me, Stra\u00DFe (5\u20AC). ";
  std::u16string theText;
  for (int i = 0; theText.size() < 200000; ++i) {
    theText += theSentence;
    if (i % 7 == 6) theText += u"\r\n";
  }
  return theText;
}

// Lays out the whole text block by block; with inWrite, also generates each block's content.
int64_t Flow(const std::u16string& inText, const BaseFont& inFont, bool inWrite, double inJustification) {
  size_t theStart = 0;
  int64_t theBytes = 0;
  while (theStart < inText.size()) {
    TextBlockState theState;
    theState.text = inText.substr(theStart);
    theState.font = &inFont;
    theState.fontID = 5;
    theState.rect = RectRecord{100, 200, 400, 600};
    theState.pos = PointRecord{100, 600};
    theState.style.SetSize(10);
    theState.style.SetJustification(inJustification);
    TextContent theBlock(std::move(theState));
    theBlock.Measure();
    if (inWrite) {
      PDFMemoryStream theStream;
      theBlock.WriteContent(theStream);
      theBytes += theStream.GetLength();
    }
    if (theBlock.GetCharacters() <= 0) break;
    theStart += static_cast<size_t>(theBlock.GetCharacters());
  }
  return theBytes;
}

void Run(benchmark::State& ioState, bool inWrite, double inJustification) {
  StandardFont theFont;
  theFont.SelectByName("Times-Roman");
  const std::u16string theText = MakeText();
  for (auto _ : ioState) benchmark::DoNotOptimize(Flow(theText, theFont, inWrite, inJustification));
  ioState.SetItemsProcessed(ioState.iterations() * static_cast<int64_t>(theText.size()));
}

void BM_MeasureOnly(benchmark::State& ioState) { Run(ioState, false, 0.0); }
void BM_MeasureAndWrite(benchmark::State& ioState) { Run(ioState, true, 0.0); }
void BM_MeasureAndWriteJustified(benchmark::State& ioState) { Run(ioState, true, 1.0); }

}  // namespace

BENCHMARK(BM_MeasureOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureAndWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureAndWriteJustified)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
