// Throughput of the writer: one million small dictionary objects serialised into memory and into
// a file. A table holds IDs below 500000, so the million objects live in two documents of
// 499,999 objects each, both written in every iteration.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "pdfcore/PDFBufferedFileStream.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFMemoryStream.h"

namespace {

constexpr uint32_t kObjectsPerDoc = PDFSoup::kMaxID - 1;
constexpr int kDocs = 2;

// Each object: << /Index n /Next n+1 0 R /Type /Item /Value 1.5 >>.
std::unique_ptr<PDFDoc> MakeDoc() {
  auto theDoc = std::make_unique<PDFDoc>();
  PDFSoup& theSoup = theDoc->GetSoup();
  for (uint32_t i = 0; i < kObjectsPerDoc; ++i) {
    const uint32_t theID = theDoc->NewID();
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Item");
    theDict->SetInteger("Index", static_cast<int32_t>(theID));
    theDict->SetReal("Value", 1.5);
    theDict->SetRef("Next", theID + 1 < PDFSoup::kMaxID ? theID + 1 : 1);
    theSoup.Add(std::make_unique<PDFContentObject>(&theSoup, theID, kTypeStream, std::move(theDict)));
  }
  theSoup.SetRootID(1);
  return theDoc;
}

PDFDoc& GetDoc(int inIndex) {
  static std::unique_ptr<PDFDoc> sDocs[kDocs] = {MakeDoc(), MakeDoc()};
  return *sDocs[inIndex];
}

std::u16string WidePath(const std::string& inPath) { return std::u16string(inPath.begin(), inPath.end()); }

void BM_WriteToMemory(benchmark::State& ioState) {
  GetDoc(0);
  int64_t theBytes = 0;
  for (auto _ : ioState) {
    for (int d = 0; d < kDocs; ++d) {
      PDFMemoryStream theStream;
      GetDoc(d).Write(theStream);
      theBytes += theStream.GetLength();
      benchmark::DoNotOptimize(theStream.GetData());
    }
  }
  ioState.SetBytesProcessed(theBytes);
  ioState.SetItemsProcessed(ioState.iterations() * kDocs * kObjectsPerDoc);
}

void BM_WriteToFile(benchmark::State& ioState) {
  GetDoc(0);
  const std::u16string thePath = WidePath(std::string(QUORIX_BINARY_DIR) + "/PDFWriteBench.pdf");
  int64_t theBytes = 0;
  for (auto _ : ioState) {
    for (int d = 0; d < kDocs; ++d) {
      PDFBufferedFileStream theStream;
      if (!theStream.Open(thePath.c_str())) {
        ioState.SkipWithError("cannot open the output file");
        return;
      }
      GetDoc(d).Write(theStream);
      theBytes += theStream.GetLength();
      theStream.Close();
    }
  }
  ioState.SetBytesProcessed(theBytes);
  ioState.SetItemsProcessed(ioState.iterations() * kDocs * kObjectsPerDoc);
}

}  // namespace

BENCHMARK(BM_WriteToMemory)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteToFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
