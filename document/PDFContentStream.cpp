#include "document/PDFContentStream.h"

#include <array>
#include <charconv>
#include <cstring>
#include <span>
#include <cmath>
#include <vector>

#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFFormat.h"
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

// Collects generated content: in a buffer of its own up to kInline bytes (every line, rectangle
// and placement, and most texts), beyond that in a vector.
class ContentBytes : public PDFStream {
 public:
  static constexpr size_t kInline = 4096;

  bool Put(uint8_t inByte) override { return Write(&inByte, 1); }
  const uint8_t* GetData() override { return Bytes().data(); }
  uint32_t GetPosition() override { return GetLength(); }
  void SetPosition(uint32_t) override {}
  uint32_t GetLength() override { return static_cast<uint32_t>(mSize); }
  bool Write(const void* inBuffer, uint32_t inCount) override {
    const auto* theBytes = static_cast<const uint8_t*>(inBuffer);
    if (mSpill.empty() && mSize + inCount <= kInline) {
      std::memcpy(mInline.data() + mSize, theBytes, inCount);
    } else {
      if (mSpill.empty()) mSpill.assign(mInline.data(), mInline.data() + mSize);
      mSpill.insert(mSpill.end(), theBytes, theBytes + inCount);
    }
    mSize += inCount;
    return true;
  }
  std::span<const uint8_t> Bytes() const {
    return mSpill.empty() ? std::span<const uint8_t>(mInline.data(), mSize) : std::span<const uint8_t>(mSpill);
  }
  // The bytes as a vector of their own size.
  std::vector<uint8_t> Take() {
    if (mSpill.empty()) return std::vector<uint8_t>(mInline.data(), mInline.data() + mSize);
    mSpill.shrink_to_fit();
    return std::move(mSpill);
  }

 private:
  std::array<uint8_t, kInline> mInline;
  std::vector<uint8_t> mSpill;
  size_t mSize = 0;
};

}  // namespace

PDFContentStream::PDFContentStream(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom,
                                   uint32_t inGeneration, uint32_t inType)
    : PDFTypedObject(inSoup, inID, inType, std::move(inAtom), inGeneration) {
  // A new content object has no atom until its content is generated for good: most are only
  // ever written, and a written object needs none (see WriteBody).
  if (PDFAtom::IsStream(mAtom.get()))
    mGenerated = 1;
  else
    mAtom.reset();
}

PDFStreamAtom* PDFContentStream::GetStream() const {
  return PDFAtom::IsStream(mAtom.get()) ? static_cast<PDFStreamAtom*>(mAtom.get()) : nullptr;
}

void PDFContentStream::ForceGeneration() {
  if (mGenerated) return;
  if (!mAtom) {
    // The empty stream the content goes into.
    auto theEmpty = std::make_unique<PDFStreamAtom>();
    theEmpty->SetDict(std::make_unique<PDFDictAtom>());
    mAtom = std::move(theEmpty);
  }
  PDFStreamAtom* theStream = GetStream();
  if (theStream == nullptr) return;
  ContentBytes theBytes;
  GenerateContent(theBytes);
  theStream->SetData(theBytes.Take());
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
  if (mGenerated || mAtom) {
    ForceGeneration();
    PDFTypedObject::WriteBody(ioStream);
    return;
  }
  // Content nobody has asked for yet is generated for this write alone and not kept: the bytes
  // are those the kept stream would give (its dictionary holds only Length), and every later
  // write or request generates them again from the same unchanging state. A document's content
  // is then held only while it is written.
  ContentBytes theBytes;
  GenerateContent(theBytes);
  const std::span<const uint8_t> theData = theBytes.Bytes();
  WriteOpening(ioStream);
  ioStream.WriteText("<<\r\n/Length ");
  ioStream.WriteInteger(static_cast<int64_t>(theData.size()));
  ioStream.WriteText("\r\n>>\r\nstream\r\n");
  if (!theData.empty()) ioStream.Write(theData.data(), static_cast<uint32_t>(theData.size()));
  ioStream.WriteText("\r\nendstream\r\n");
  WriteClosing(ioStream);
}

void PDFContentStream::GenerateContent(PDFStream&) {}

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
