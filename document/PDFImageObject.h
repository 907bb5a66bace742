// An image object ('jpeg'): an image XObject stream holding the picture data exactly as it goes
// into the file (JPEG data as it came, or Deflate-compressed RGB), with its size, number of
// colour components and filter. Placements draw it; it draws nothing itself.
#pragma once

#include <cstdint>
#include <span>
#include <vector>
#include <string>
#include <string_view>

#include "document/PDFTypedObject.h"

class PDFStreamAtom;

class PDFImageObject : public PDFTypedObject {
 public:
  // Filter names are shorter than this.
  static constexpr size_t kMaxFilterName = 32;

  PDFImageObject(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration = 0);

  void SetWidth(int32_t inWidth) { mWidth = inWidth; }
  void SetHeight(int32_t inHeight) { mHeight = inHeight; }
  void SetComponents(int32_t inComponents) { mComponents = inComponents; }
  // "DCTDecode" or "FlateDecode"; a longer name is reported and cut short.
  void SetFilter(std::string_view inType);
  // Copies the stream data.
  void SetData(std::span<const uint8_t> inData);
  // The same, taking the bytes over instead of copying them.
  void SetData(std::vector<uint8_t>&& inData);
  // Four-component JPEG data written with an Adobe segment holds its CMYK values inverted; such
  // an image gets a decode array that turns them back, so that it shows the colours its author
  // saw. The data stays as it is.
  void SetInvertedCMYK(bool inInverted) { mInvertedCMYK = inInverted; }

  int32_t GetWidth() const { return mWidth; }
  int32_t GetHeight() const { return mHeight; }
  int32_t GetComponents() const { return mComponents; }
  const std::string& GetFilter() const { return mFilter; }
  std::span<const uint8_t> GetData() const;

  // "width", "height" and "components"; other keys the common information.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;

 protected:
  // The image dictionary is made afresh from the fields, then the stream is written.
  void WriteBody(PDFStream& ioStream) override;

 private:
  PDFStreamAtom* GetStream() const;
  void BuildDict();

  int32_t mWidth = 0;
  int32_t mHeight = 0;
  int32_t mComponents = 3;
  std::string mFilter;
  bool mInvertedCMYK = false;
};
