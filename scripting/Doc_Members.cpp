// The members of Doc that work on the drawing state and the document.
#include <errhandlingapi.h>
#include <stringapiset.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <cstring>
#include <limits>
#include <string>

#include "document/PDFDrawingDoc.h"
#include "document/PDFObjectFactory.h"
#include "pdfcore/PDFBufferedFileStream.h"
#include "pdfcore/PDFMappedFileStream.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFReader.h"
#include "runtime/Assert.h"
#include "runtime/ErrorReport.h"
#include "runtime/FileUtilities.h"
#include "runtime/MappedFile.h"
#include "scripting/AutomationText.h"
#include "scripting/Doc.h"
#include "scripting/Image.h"

namespace {

// trunc(inValue) as a 32-bit number: saturated at the ends of the range, 0 for not a number.
LONG TruncateToLong(double inValue) {
  if (std::isnan(inValue)) return 0;
  if (inValue >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (inValue <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<LONG>(inValue);
}

// 8-bit text in the system code page, embedded zero bytes included, as a new BSTR.
BSTR AnsiToBstr(const std::string& inText) {
  if (inText.empty()) {
    BSTR theEmpty = SysAllocStringLen(nullptr, 0);
    ThrowIfNull(theEmpty);
    return theEmpty;
  }
  const int theLength = static_cast<int>(inText.size());
  const int theWide = MultiByteToWideChar(CP_ACP, 0, inText.data(), theLength, nullptr, 0);
  if (theWide <= 0) throw ComError(E_FAIL, "Unable to convert text.");
  BSTR theText = SysAllocStringLen(nullptr, static_cast<UINT>(theWide));
  ThrowIfNull(theText);
  MultiByteToWideChar(CP_ACP, 0, inText.data(), theLength, theText, theWide);
  return theText;
}

// A value passed by reference counts as the value it refers to (followed at most 10 levels).
const VARIANT* ReferencedValue(const VARIANT* inValue) {
  for (int i = 0; i < 10 && V_VT(inValue) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(inValue) != nullptr; ++i)
    inValue = V_VARIANTREF(inValue);
  return inValue;
}

// A path with a zero character inside would name the file cut at the zero: such paths are refused.
bool HasEmbeddedZero(BSTR inText) {
  return inText != nullptr && std::char_traits<WCHAR>::length(inText) != SysStringLen(inText);
}

// Memory from the task allocator, freed when it goes.
struct TaskMemoryFree {
  void operator()(void* inMemory) const { CoTaskMemFree(inMemory); }
};
using TaskMemory = std::unique_ptr<BYTE, TaskMemoryFree>;

}  // namespace

HRESULT Doc::get_Page(LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = mDoc->State().mCurrentPage;
    return S_OK;
  });
}

HRESULT Doc::put_Page(LONG inID) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->SelectPage(inID);
    return S_OK;
  });
}

HRESULT Doc::get_Font(LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = mDoc->State().mCurrentFont;
    return S_OK;
  });
}

HRESULT Doc::put_Font(LONG inID) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->State().mCurrentFont = inID;
    return S_OK;
  });
}

HRESULT Doc::get_FontSize(LONG* outSize) {
  return QX_COM_METHOD_OUT(kDocClass, outSize, [&] {
    *outSize = TruncateToLong(mDoc->State().mTextStyle.GetSize() + 0.5);
    return S_OK;
  });
}

HRESULT Doc::put_FontSize(LONG inSize) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->State().mTextStyle.SetSize(inSize);
    return S_OK;
  });
}

HRESULT Doc::get_Width(LONG* outWidth) {
  return QX_COM_METHOD_OUT(kDocClass, outWidth, [&] {
    *outWidth = TruncateToLong(mDoc->State().mWidth);
    return S_OK;
  });
}

HRESULT Doc::put_Width(LONG inWidth) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->State().mWidth = inWidth;
    return S_OK;
  });
}

HRESULT Doc::get_HPos(double* outFactor) {
  return QX_COM_METHOD_OUT(kDocClass, outFactor, [&] {
    *outFactor = mDoc->State().mHPos;
    return S_OK;
  });
}

HRESULT Doc::put_HPos(double inFactor) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->State().mHPos = inFactor;
    return S_OK;
  });
}

HRESULT Doc::get_VPos(double* outFactor) {
  return QX_COM_METHOD_OUT(kDocClass, outFactor, [&] {
    *outFactor = mDoc->State().mVPos;
    return S_OK;
  });
}

HRESULT Doc::put_VPos(double inFactor) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->State().mVPos = inFactor;
    return S_OK;
  });
}

HRESULT Doc::get_Root(LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->GetRootID());
    return S_OK;
  });
}

HRESULT Doc::get_Layer(LONG* outLayer) {
  return QX_COM_METHOD_OUT(kDocClass, outLayer, [&] {
    *outLayer = mDoc->State().mLayer;
    return S_OK;
  });
}

HRESULT Doc::put_Layer(LONG inLayer) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->State().mLayer = inLayer;
    return S_OK;
  });
}

HRESULT Doc::get_LayerCount(LONG* outCount) {
  return QX_COM_METHOD_OUT(kDocClass, outCount, [&] {
    *outCount = mDoc->LayerCount();
    return S_OK;
  });
}

HRESULT Doc::AddPage(VARIANT inPage, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    // A position that is missing or no number appends the page.
    LONG thePosition = -1;
    if (V_VT(&inPage) == VT_I4) {
      thePosition = V_I4(&inPage);
    } else {
      VARIANT theNumber;
      VariantInit(&theNumber);
      if (SUCCEEDED(VariantChangeType(&theNumber, &inPage, 0, VT_I4))) thePosition = V_I4(&theNumber);
      VariantClear(&theNumber);
    }
    *outID = static_cast<LONG>(mDoc->AddPage(thePosition));
    return S_OK;
  });
}

HRESULT Doc::AddLine(LONG inStartX, LONG inStartY, LONG inEndX, LONG inEndY, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->AddLine(inStartX, inStartY, inEndX, inEndY));
    return S_OK;
  });
}

HRESULT Doc::FrameRect(LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->FrameRect());
    return S_OK;
  });
}

HRESULT Doc::FillRect(LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->FillRect());
    return S_OK;
  });
}

HRESULT Doc::GetInfo(LONG inID, BSTR inType, BSTR* outInfo) {
  return QX_COM_METHOD_OUT(kDocClass, outInfo, [&] {
    const std::string theInfo = mDoc->GetInfo(static_cast<uint32_t>(inID), AutomationText::ToAnsi(inType));
    *outInfo = AnsiToBstr(theInfo);
    return S_OK;
  });
}

HRESULT Doc::Delete(LONG inID) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->Delete(static_cast<uint32_t>(inID));
    return S_OK;
  });
}

HRESULT Doc::Flatten(LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->Flatten());
    return S_OK;
  });
}

HRESULT Doc::Save(BSTR inFilePath) {
  return QX_COM_METHOD(kDocClass, [&] {
    ErrorReport theReport;
    static const WCHAR kEmpty[] = {0};
    const WCHAR* thePath = inFilePath != nullptr ? inFilePath : kEmpty;
    SetLastError(0);
    PDFBufferedFileStream theFile;
    const bool theValidName = !HasEmbeddedZero(inFilePath);
    if (!theValidName) SetLastError(ERROR_INVALID_NAME);
    // Saving over the file the document was read from: the document reads from a copy in memory
    // from now on, so that the mapped source can be replaced.
    PDFSoup& theSoup = mDoc->GetSoup();
    if (theValidName && !mReadPath.empty() && mReadPath == thePath && theSoup.GetLoader() != nullptr) {
      PDFStream& theSource = *theSoup.GetLoader();
      auto theCopy = std::make_unique<PDFMemoryStream>();
      if (theSource.GetData() != nullptr && theCopy->Write(theSource.GetData(), theSource.GetLength())) {
        theSoup.SetLoader(std::move(theCopy));
        mReadPath.clear();
      }
    }
    // The document goes to a new file beside the target, which replaces the target only once every
    // byte is written: a failed save leaves an existing file as it was.
    if (theValidName && theFile.OpenReplacing(thePath)) {
      mDoc->Write(theFile);
      if (!theFile.Commit()) {
        theReport.AddMessage("Unable to write PDF to disk.");
        theReport.mWinError1 = theFile.GetError();
      }
    } else {
      theReport.AddMessage("Unable to write PDF to disk.");
      theReport.mWinError1 = GetLastError();
    }
    return FinishWithReport(kDocClass, theReport);
  });
}

HRESULT Doc::GetData(VARIANT* outData) {
  return QX_COM_METHOD_OUT(kDocClass, outData, [&] {
    VariantInit(outData);
    ErrorReport theReport;
    PDFMemoryStream theBytes;
    mDoc->Write(theBytes);
    const std::string_view theView = theBytes.GetView();
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(theView.size()));
    void* theData = nullptr;
    HRESULT theResult = theArray != nullptr ? SafeArrayAccessData(theArray, &theData) : E_OUTOFMEMORY;
    if (SUCCEEDED(theResult)) {
      if (!theView.empty()) std::memcpy(theData, theView.data(), theView.size());
      SafeArrayUnaccessData(theArray);
      V_VT(outData) = VT_ARRAY | VT_UI1;
      V_ARRAY(outData) = theArray;
    } else {
      if (theArray != nullptr) SafeArrayDestroy(theArray);
      theReport.AddMessage("Unable to get PDF as data.");
      theReport.mWinError1 = static_cast<DWORD>(theResult);
    }
    return FinishWithReport(kDocClass, theReport);
  });
}

HRESULT Doc::AddFont(BSTR inFontName, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->AddFont(AutomationText::ToAnsi(inFontName), false));
    return S_OK;
  });
}

HRESULT Doc::AddText(BSTR inText, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    const std::u16string_view theText(inText != nullptr ? inText : u"", SysStringLen(inText));
    *outID = static_cast<LONG>(mDoc->AddText(theText));
    return S_OK;
  });
}

HRESULT Doc::AddImage(VARIANT inImage, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = 0;
    ErrorReport theReport;
    // Only what this call sets may reach the report as the system's error.
    SetLastError(0);
    const VARIANT* theValue = ReferencedValue(&inImage);
    IUnknown* theObject = nullptr;
    if (V_VT(theValue) == VT_DISPATCH) theObject = V_DISPATCH(theValue);
    if (V_VT(theValue) == VT_UNKNOWN) theObject = V_UNKNOWN(theValue);
    if (V_VT(theValue) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(theValue) != nullptr)
      theObject = *V_DISPATCHREF(theValue);
    if (V_VT(theValue) == (VT_UNKNOWN | VT_BYREF) && V_UNKNOWNREF(theValue) != nullptr)
      theObject = *V_UNKNOWNREF(theValue);
    IQxImageLoader* theLoader = nullptr;
    if (theObject != nullptr) theObject->QueryInterface(IID_IQxImageLoader, reinterpret_cast<void**>(&theLoader));
    const BYTE* theBytes = nullptr;
    LONG theByteCount = 0;
    VARIANT theNumber;
    VariantInit(&theNumber);
    uint32_t theID = 0;
    if (V_VT(theValue) == VT_EMPTY) {
      theReport.AddMessage("Image is empty.");
    } else if (theLoader != nullptr) {
      // An Image object: its selection, clipped to the frame, as decoded pixels.
      struct ReleaseLoader {
        IQxImageLoader* loader;
        ~ReleaseLoader() { loader->Release(); }
      } theRelease{theLoader};
      PDFImage* theImage = theLoader->Loader();
      theImage->ClipSelection();
      const RectRecord& theSelection = *theImage->GetSelection();
      const int64_t theWidth = std::abs(int64_t{theSelection.x2} - theSelection.x1);
      const int64_t theHeight = std::abs(int64_t{theSelection.y2} - theSelection.y1);
      BYTE* thePixels = nullptr;
      LONG theSize = 0;
      theImage->GetPixels(&thePixels, &theSize);
      const TaskMemory theOwned(thePixels);
      if (theSize != theWidth * theHeight * 3) ReportAssertion(__FILE__, __LINE__, "theSize == theWidth * theHeight * 3");
      if (!(thePixels != nullptr || theSize == 0)) ReportAssertion(__FILE__, __LINE__, "theData || (!theSize)");
      if (theSize != 0 && thePixels != nullptr && theSize == theWidth * theHeight * 3)
        theID = mDoc->AddRawRGB(std::span<const uint8_t>(thePixels, static_cast<size_t>(theSize)),
                                static_cast<int32_t>(theWidth), static_cast<int32_t>(theHeight));
      else
        theReport.AddMessage("Image is empty.");
    } else if (SUCCEEDED(AccessBytes(theValue, &theBytes, &theByteCount))) {
      if (theBytes != nullptr && theByteCount > 0)
        theID = mDoc->AddJPEG(std::span<const uint8_t>(theBytes, static_cast<size_t>(theByteCount)));
      ReleaseBytes(theValue);
      if (theID == 0) theReport.AddMessage("Image is not in a compatible format.");
    } else if (SUCCEEDED(VariantChangeType(&theNumber, theValue, 0, VT_I4))) {
      theID = mDoc->PlaceImage(static_cast<uint32_t>(V_I4(&theNumber)));
      if (theID == 0) theReport.AddMessage("Image is not in a compatible format.");
    } else if (SUCCEEDED(VariantChangeType(&theNumber, theValue, 0, VT_BSTR))) {
      const BSTR thePath = V_BSTR(&theNumber);
      MappedFile theFile;
      static const WCHAR kEmpty[] = {0};
      const bool theValidName = !HasEmbeddedZero(thePath);
      if (!theValidName) {
        SetLastError(ERROR_INVALID_NAME);
        theReport.AddMessage("Unable to read file.");
      } else if (theFile.Open(thePath != nullptr ? thePath : kEmpty)) {
        theID = mDoc->AddJPEG(theFile.GetBytes());
        if (theID == 0) theReport.AddMessage("Image is not in a compatible format.");
      } else {
        theReport.AddMessage(theFile.GetMessage());
      }
    } else {
      theReport.AddMessage("Image is not in a compatible format.");
    }
    VariantClear(&theNumber);
    if (theID == 0 && GetLastError() != 0) theReport.mWinError1 = GetLastError();
    *outID = static_cast<LONG>(theID);
    return FinishWithReport(kDocClass, theReport);
  });
}

HRESULT Doc::Read(VARIANT inPathOrData) {
  return QX_COM_METHOD(kDocClass, [&] {
    ErrorReport theReport;
    SetLastError(0);
    PDFReader theReader(&PDFObjectFactory::Make);
    std::optional<std::string> theMessage;
    std::basic_string<WCHAR> theReadPath;
    const VARIANT* theValue = ReferencedValue(&inPathOrData);
    const BYTE* theBytes = nullptr;
    LONG theByteCount = 0;
    if (SUCCEEDED(AccessBytes(theValue, &theBytes, &theByteCount))) {
      // The caller's bytes are copied once: the document keeps reading them after this call.
      auto theStream = std::make_unique<PDFMemoryStream>();
      const bool theCopied =
          theByteCount <= 0 || theBytes == nullptr || theStream->Write(theBytes, static_cast<uint32_t>(theByteCount));
      ReleaseBytes(theValue);
      theStream->SetPosition(0);
      theMessage = theCopied ? theReader.Read(std::move(theStream)) : std::optional<std::string>("Unable to read file.");
    } else {
      VARIANT thePath;
      VariantInit(&thePath);
      try {
        if (FAILED(VariantChangeType(&thePath, theValue, 0, VT_BSTR))) throw ComError(E_FAIL, "");
        const BSTR theText = V_BSTR(&thePath);
        static const WCHAR kEmpty[] = {0};
        auto theFile = std::make_unique<PDFMappedFileStream>();
        if (HasEmbeddedZero(theText)) {
          SetLastError(ERROR_INVALID_NAME);
          theMessage = "Unable to read file.";
        } else if (theFile->Open(theText != nullptr ? theText : kEmpty) == 0) {
          theMessage = theReader.Read(std::move(theFile));
          if (theText != nullptr) theReadPath.assign(theText, SysStringLen(theText));
        } else {
          theMessage = std::string(theFile->GetErrorText());
        }
      } catch (...) {
        theMessage = "PDF is not in a compatible format.";
      }
      VariantClear(&thePath);
    }
    if (!theMessage && !mDoc->AdoptRead(theReader.HandOver())) theMessage = "PDF is not in a compatible format.";
    if (!theMessage) mReadPath = theReadPath;
    if (theMessage) {
      theReport.AddMessage(theMessage->c_str());
      if (GetLastError() != 0) theReport.mWinError1 = GetLastError();
    }
    return FinishWithReport(kDocClass, theReport);
  });
}

HRESULT Doc::EmbedFont(BSTR inFontName, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->AddFont(AutomationText::ToAnsi(inFontName), true));
    return S_OK;
  });
}

HRESULT Doc::SetInfo(LONG inID, BSTR inType, BSTR inInfo) {
  return QX_COM_METHOD(kDocClass, [&] {
    mDoc->SetInfo(static_cast<uint32_t>(inID), AutomationText::ToAnsi(inType), AutomationText::ToAnsi(inInfo));
    return S_OK;
  });
}

HRESULT Doc::AddBookmark(BSTR inPath, VARIANT_BOOL inExpanded, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->AddBookmark(AutomationText::ToAnsi(inPath), inExpanded != 0));
    return S_OK;
  });
}

HRESULT Doc::AddObject(BSTR inObject, LONG* outID) {
  return QX_COM_METHOD_OUT(kDocClass, outID, [&] {
    *outID = static_cast<LONG>(mDoc->AddObjectText(AutomationText::ToAnsi(inObject)));
    return S_OK;
  });
}
