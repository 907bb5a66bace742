// The cost of one addition as a document grows: adding pages with a line each, and adding lines to
// one page. Each run builds a document of the given size from nothing; the counter "per_call" is
// the time of one addition, which must stay flat from small documents to large ones. Freeing the
// document is left out of the time.
#include <benchmark/benchmark.h>

#include <memory>

#include "document/PDFDrawingDoc.h"

namespace {

// Frees a finished document outside the timed region.
void Discard(benchmark::State& ioState, std::unique_ptr<PDFDrawingDoc>& ioDoc) {
  ioState.PauseTiming();
  ioDoc.reset();
  ioState.ResumeTiming();
}

void BM_AddPageWithALine(benchmark::State& ioState) {
  const auto theCount = static_cast<int>(ioState.range(0));
  for (auto _ : ioState) {
    auto theOwned = std::make_unique<PDFDrawingDoc>();
    PDFDrawingDoc& theDoc = *theOwned;
    for (int i = 0; i < theCount; ++i) {
      const uint32_t thePage = theDoc.AddPage(-1);
      theDoc.SelectPage(static_cast<int32_t>(thePage));
      benchmark::DoNotOptimize(theDoc.AddLine(36, 60, 576, 60));
    }
    Discard(ioState, theOwned);
  }
  ioState.counters["per_call"] = benchmark::Counter(static_cast<double>(ioState.iterations()) * theCount,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_AddLineToOnePage(benchmark::State& ioState) {
  const auto theCount = static_cast<int>(ioState.range(0));
  for (auto _ : ioState) {
    auto theOwned = std::make_unique<PDFDrawingDoc>();
    PDFDrawingDoc& theDoc = *theOwned;
    theDoc.AddPage(-1);
    for (int i = 0; i < theCount; ++i) benchmark::DoNotOptimize(theDoc.AddLine(36, 60, 576, 60));
    Discard(ioState, theOwned);
  }
  ioState.counters["per_call"] = benchmark::Counter(static_cast<double>(ioState.iterations()) * theCount,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Deleting the line just added and adding the next: the ID search after a deletion must not
// walk the whole table.
void BM_DeleteThenAddLine(benchmark::State& ioState) {
  const auto theCount = static_cast<int>(ioState.range(0));
  for (auto _ : ioState) {
    auto theOwned = std::make_unique<PDFDrawingDoc>();
    PDFDrawingDoc& theDoc = *theOwned;
    theDoc.AddPage(-1);
    for (int i = 0; i < theCount; ++i) theDoc.Delete(theDoc.AddLine(36, 60, 576, 60));
    Discard(ioState, theOwned);
  }
  ioState.counters["per_call"] = benchmark::Counter(static_cast<double>(ioState.iterations()) * theCount,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_AddPageWithALine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddLineToOnePage)->Arg(1000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteThenAddLine)->Arg(1000)->Arg(40000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
