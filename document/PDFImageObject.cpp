#include "document/PDFImageObject.h"

#include <string>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStreamAtom.h"
#include "runtime/Assert.h"

PDFImageObject::PDFImageObject(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypeImage, nullptr, inGeneration) {
  // The stream atom owns the data, so the bytes are held once.
  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetDict(std::make_unique<PDFDictAtom>());
  mAtom = std::move(theStream);
  // Image XObjects with DCT data need PDF 1.2.
  SetMinVersion(2);
}

void PDFImageObject::SetFilter(std::string_view inType) {
  QX_ASSERT(inType.size() < kMaxFilterName);
  mFilter = inType.substr(0, kMaxFilterName - 1);
}

PDFStreamAtom* PDFImageObject::GetStream() const {
  return PDFAtom::IsStream(mAtom.get()) ? static_cast<PDFStreamAtom*>(mAtom.get()) : nullptr;
}

void PDFImageObject::SetData(std::span<const uint8_t> inData) {
  PDFStreamAtom* theStream = GetStream();
  if (theStream == nullptr || inData.size() > INT32_MAX) return;
  theStream->SetData(inData.data(), static_cast<uint32_t>(inData.size()));
}

void PDFImageObject::SetData(std::vector<uint8_t>&& inData) {
  PDFStreamAtom* theStream = GetStream();
  if (theStream == nullptr || inData.size() > INT32_MAX) return;
  theStream->SetData(std::move(inData));
}

std::span<const uint8_t> PDFImageObject::GetData() const {
  const PDFStreamAtom* theStream = GetStream();
  return theStream != nullptr ? theStream->GetData() : std::span<const uint8_t>();
}

void PDFImageObject::BuildDict() {
  PDFStreamAtom* theStream = GetStream();
  if (theStream == nullptr) return;
  PDFDictAtom* theDict = theStream->FindDict();
  if (theDict == nullptr) {
    theStream->SetDict(std::make_unique<PDFDictAtom>());
    theDict = theStream->FindDict();
  }
  theDict->SetName("Type", "XObject");
  theDict->SetName("Subtype", "Image");
  theDict->SetName("Name", "Iqvx" + std::to_string(mID));
  theDict->SetInteger("Width", mWidth);
  theDict->SetInteger("Height", mHeight);
  theDict->SetInteger("BitsPerComponent", 8);
  const char* theSpace = "DeviceRGB";
  switch (mComponents) {
    case 1:
      theSpace = "DeviceGray";
      break;
    case 3:
      break;
    case 4:
      theSpace = "DeviceCMYK";
      break;
    default:
      ReportAssertion(__FILE__, __LINE__, "FALSE");
      break;
  }
  theDict->SetName("ColorSpace", theSpace);
  theDict->SetName("Filter", mFilter);
  if (mComponents == 4 && mInvertedCMYK) {
    auto theDecode = std::make_unique<PDFArrayAtom>();
    for (int i = 0; i < 4; ++i) {
      theDecode->Append(std::make_unique<PDFNumberAtom>(int32_t{1}));
      theDecode->Append(std::make_unique<PDFNumberAtom>(int32_t{0}));
    }
    theDict->Set("Decode", std::move(theDecode));
  }
  theDict->SetInteger("Length", static_cast<int32_t>(theStream->GetData().size()));
}

void PDFImageObject::WriteBody(PDFStream& ioStream) {
  // An image with a size must have data to draw.
  if (!(GetData().size() > 0 || (mWidth == 0 && mHeight == 0)))
    ReportAssertion(__FILE__, __LINE__, "(mData.GetSize() > 0) || ((mWidth == 0) && (mHeight == 0))");
  BuildDict();
  PDFTypedObject::WriteBody(ioStream);
}

void PDFImageObject::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  if (inName == "width") {
    ioStream.WriteInteger(mWidth);
  } else if (inName == "height") {
    ioStream.WriteInteger(mHeight);
  } else if (inName == "components") {
    ioStream.WriteInteger(mComponents);
  } else {
    // The dictionary's entries ("/Width", "/Filter", ...) answer as written.
    const_cast<PDFImageObject*>(this)->BuildDict();
    PDFTypedObject::GetProperty(inName, ioStream);
  }
}
