#include "document/PDFContentStream.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFFormat.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStreamAtom.h"
#include "scripting/ColorRecord.h"
#include "scripting/TransformMatrix.h"

namespace {

// 1/255: a colour intensity as a fraction.
constexpr double kIntensityScale = 0.00392156862745098;

void WriteFixed4(PDFStream& ioStream, double inValue) {
  if (!std::isfinite(inValue)) inValue = 0.0;
  char theBuffer[kRealTextMax];
  const std::to_chars_result theResult =
      std::to_chars(theBuffer, theBuffer + sizeof(theBuffer), inValue, std::chars_format::fixed, 4);
  if (theResult.ec != std::errc())
    ioStream.WriteText("0.0000");
  else
    ioStream.WriteText(std::string_view(theBuffer, static_cast<size_t>(theResult.ptr - theBuffer)));
}

// Collects generated content in the vector that the stream atom then takes over, so that the
// bytes are written once and never copied.
class ContentBytes : public PDFStream {
 public:
  explicit ContentBytes(std::vector<uint8_t>& ioBytes) : mBytes(ioBytes) {}
  bool Put(uint8_t inByte) override {
    mBytes.push_back(inByte);
    return true;
  }
  const uint8_t* GetData() override { return mBytes.data(); }
  uint32_t GetPosition() override { return GetLength(); }
  void SetPosition(uint32_t) override {}
  uint32_t GetLength() override { return static_cast<uint32_t>(mBytes.size()); }
  bool Write(const void* inBuffer, uint32_t inCount) override {
    const auto* theBytes = static_cast<const uint8_t*>(inBuffer);
    mBytes.insert(mBytes.end(), theBytes, theBytes + inCount);
    return true;
  }

 private:
  std::vector<uint8_t>& mBytes;
};

}  // namespace

PDFContentStream::PDFContentStream(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom,
                                   uint32_t inGeneration, uint32_t inType)
    : PDFTypedObject(inSoup, inID, inType, std::move(inAtom), inGeneration) {
  if (PDFAtom::IsStream(mAtom.get())) {
    mGenerated = 1;
  } else {
    auto theStream = std::make_unique<PDFStreamAtom>();
    theStream->SetDict(std::make_unique<PDFDictAtom>());
    mAtom = std::move(theStream);
  }
}

PDFStreamAtom* PDFContentStream::GetStream() const {
  return PDFAtom::IsStream(mAtom.get()) ? static_cast<PDFStreamAtom*>(mAtom.get()) : nullptr;
}

void PDFContentStream::ForceGeneration() {
  if (mGenerated) return;
  PDFStreamAtom* theStream = GetStream();
  if (theStream == nullptr) return;
  std::vector<uint8_t> theBytes;
  theBytes.reserve(ContentSizeHint());
  ContentBytes theOut(theBytes);
  GenerateContent(theOut);
  if (theBytes.capacity() - theBytes.size() > theBytes.size() / 4) theBytes.shrink_to_fit();
  theStream->SetData(std::move(theBytes));
  AfterGeneration();
  mGenerated = 1;
}

void PDFContentStream::SetProperty(std::string_view inName, std::string_view inValue) {
  ForceGeneration();
  PDFTypedObject::SetProperty(inName, inValue);
}

void PDFContentStream::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  auto* theSelf = const_cast<PDFContentStream*>(this);
  theSelf->ForceGeneration();
  const uint32_t theStart = ioStream.GetLength();
  PDFTypedObject::GetProperty(inName, ioStream);
  if (ioStream.GetLength() != theStart) return;
  const PDFStreamAtom* theStream = GetStream();
  if (theStream == nullptr) return;
  const std::string_view theKey = !inName.empty() && inName.front() == '/' ? inName.substr(1) : inName;
  if (const PDFDictAtom* theDict = theStream->FindDict()) {
    if (const PDFAtom* theValue = theDict->Get(theKey)) {
      if (PDFAtom::IsRef(theValue) && theKey.size() == inName.size())
        ioStream.WriteUnsigned(static_cast<const PDFRefAtom*>(theValue)->GetID());
      else
        theValue->Write(ioStream);
      return;
    }
  }
  if (inName == "stream") {
    const auto theData = theStream->GetData();
    ioStream.Write(theData.data(), static_cast<uint32_t>(theData.size()));
  }
}

void PDFContentStream::WriteBody(PDFStream& ioStream) {
  ForceGeneration();
  PDFTypedObject::WriteBody(ioStream);
}

void PDFContentStream::GenerateContent(PDFStream&) {}

size_t PDFContentStream::ContentSizeHint() const { return 256; }

void PDFContentStream::AfterGeneration() {}

void PDFContentStream::WriteReal(PDFStream& ioStream, double inValue) { ioStream.WriteText(FormatReal(inValue)); }

void PDFContentStream::WriteIntensity(PDFStream& ioStream, uint8_t inValue) {
  WriteReal(ioStream, inValue * kIntensityScale);
}

void PDFContentStream::WriteMatrix(PDFStream& ioStream, const TransformMatrix& inMatrix) {
  const double theValues[6] = {inMatrix.A(), inMatrix.B(), inMatrix.C(), inMatrix.D(), inMatrix.E(), inMatrix.F()};
  for (int i = 0; i < 6; ++i) {
    if (i > 0) ioStream.Put(' ');
    WriteFixed4(ioStream, theValues[i]);
  }
}

void PDFContentStream::WriteColor(PDFStream& ioStream, const ColorRecord& inColor, const char* inOperator) {
  WriteIntensity(ioStream, inColor.red);
  ioStream.Put(' ');
  WriteIntensity(ioStream, inColor.green);
  ioStream.Put(' ');
  WriteIntensity(ioStream, inColor.blue);
  ioStream.WriteText(inOperator);
}

void PDFContentStream::WriteGraphicsStart(PDFStream& ioStream, const TransformMatrix& inMatrix, double inWidth,
                                          const ColorRecord& inStrokeColor) {
  ioStream.WriteText("  BX\r\n  q\r\n  ");
  WriteMatrix(ioStream, inMatrix);
  ioStream.WriteText(" cm\r\n  ");
  WriteReal(ioStream, inWidth);
  ioStream.WriteText(" w\r\n  ");
  WriteColor(ioStream, inStrokeColor, " RG\r\n");
}
