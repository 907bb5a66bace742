// Decoding a photograph-sized PNG and storing it as an image object, against the floor of the
// same work done with the libraries alone: libpng's decode to RGB and zlib's one-shot compress.
// The picture (3000 × 2000 RGB, smooth gradients with fine noise, as a photograph has) is made
// once in memory before timing starts.
#include <benchmark/benchmark.h>

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <span>
#include <memory>
#include <random>
#include <vector>

#include "document/PDFDrawingDoc.h"
#include "images/PDFImage.h"
#include <objbase.h>

namespace {

constexpr uint32_t kWidth = 3000;
constexpr uint32_t kHeight = 2000;

const std::vector<uint8_t>& PhotographPNG() {
  static const std::vector<uint8_t> sPNG = [] {
    std::vector<uint8_t> thePixels(size_t{kWidth} * kHeight * 3);
    std::mt19937 theNoise(7);
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t x = 0; x < kWidth; ++x) {
        uint8_t* thePixel = &thePixels[(size_t{y} * kWidth + x) * 3];
        const int theGrain = static_cast<int>(theNoise() % 9) - 4;
        thePixel[0] = static_cast<uint8_t>(std::clamp(static_cast<int>(x * 200 / kWidth) + 30 + theGrain, 0, 255));
        thePixel[1] = static_cast<uint8_t>(std::clamp(static_cast<int>(y * 180 / kHeight) + 40 + theGrain, 0, 255));
        thePixel[2] = static_cast<uint8_t>(std::clamp(200 - static_cast<int>((x + y) * 150 / (kWidth + kHeight)) + theGrain, 0, 255));
      }
    }
    png_image theImage{};
    theImage.version = PNG_IMAGE_VERSION;
    theImage.width = kWidth;
    theImage.height = kHeight;
    theImage.format = PNG_FORMAT_RGB;
    png_alloc_size_t theSize = 0;
    png_image_write_to_memory(&theImage, nullptr, &theSize, 0, thePixels.data(), 0, nullptr);
    std::vector<uint8_t> thePNG(theSize);
    png_image_write_to_memory(&theImage, thePNG.data(), &theSize, 0, thePixels.data(), 0, nullptr);
    thePNG.resize(theSize);
    return thePNG;
  }();
  return sPNG;
}

// What the library does for Doc.AddImage with a loaded Image: decode, take the pixels, compress
// them into an image object.
void BM_QuorixDecodeAndStore(benchmark::State& ioState) {
  const std::vector<uint8_t>& thePNG = PhotographPNG();
  for (auto _ : ioState) {
    PDFImage theImage;
    if (theImage.SetData(thePNG.data(), static_cast<LONG>(thePNG.size()))) {
      ioState.SkipWithError("the picture did not load");
      break;
    }
    theImage.ClipSelection();
    BYTE* thePixels = nullptr;
    LONG theLength = 0;
    theImage.GetPixels(&thePixels, &theLength);
    PDFDrawingDoc theDoc;
    benchmark::DoNotOptimize(theDoc.AddRawRGB(std::span<const uint8_t>(thePixels, static_cast<size_t>(theLength)),
                                              static_cast<int32_t>(kWidth), static_cast<int32_t>(kHeight)));
    CoTaskMemFree(thePixels);
  }
  ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations()) * kWidth * kHeight * 3);
}

// The floor: libpng decodes to RGB, zlib compresses at its default level in one call.
void BM_FloorLibpngAndZlib(benchmark::State& ioState) {
  const std::vector<uint8_t>& thePNG = PhotographPNG();
  for (auto _ : ioState) {
    png_image theImage{};
    theImage.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&theImage, thePNG.data(), thePNG.size());
    theImage.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> thePixels(PNG_IMAGE_SIZE(theImage));
    png_image_finish_read(&theImage, nullptr, thePixels.data(), 0, nullptr);
    uLongf theLength = compressBound(static_cast<uLong>(thePixels.size()));
    std::vector<uint8_t> theCompressed(theLength);
    compress(theCompressed.data(), &theLength, thePixels.data(), static_cast<uLong>(thePixels.size()));
    benchmark::DoNotOptimize(theCompressed.data());
  }
  ioState.SetBytesProcessed(static_cast<int64_t>(ioState.iterations()) * kWidth * kHeight * 3);
}

}  // namespace

BENCHMARK(BM_QuorixDecodeAndStore)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_FloorLibpngAndZlib)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
