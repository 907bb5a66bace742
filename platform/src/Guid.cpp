// GUID text forms, task memory and apartment initialisation.
#include <objbase.h>

#include <cstdlib>

namespace {

constexpr char16_t kHex[] = u"0123456789ABCDEF";

int HexValue(OLECHAR inChar) {
  if (inChar >= u'0' && inChar <= u'9') return inChar - u'0';
  if (inChar >= u'a' && inChar <= u'f') return inChar - u'a' + 10;
  if (inChar >= u'A' && inChar <= u'F') return inChar - u'A' + 10;
  return -1;
}

// Reads inDigits hexadecimal digits at ioPos into outValue.
bool ReadHex(LPCOLESTR inText, size_t& ioPos, int inDigits, uint64_t& outValue) {
  outValue = 0;
  for (int i = 0; i < inDigits; ++i) {
    const int theDigit = HexValue(inText[ioPos]);
    if (theDigit < 0) return false;
    outValue = (outValue << 4) | static_cast<uint64_t>(theDigit);
    ++ioPos;
  }
  return true;
}

bool Expect(LPCOLESTR inText, size_t& ioPos, OLECHAR inChar) {
  if (inText[ioPos] != inChar) return false;
  ++ioPos;
  return true;
}

bool ParseGuid(LPCOLESTR inText, GUID& outGuid) {
  if (inText == nullptr) return false;
  size_t thePos = 0;
  uint64_t theValue = 0;
  if (!Expect(inText, thePos, u'{')) return false;
  if (!ReadHex(inText, thePos, 8, theValue)) return false;
  outGuid.Data1 = static_cast<uint32_t>(theValue);
  if (!Expect(inText, thePos, u'-') || !ReadHex(inText, thePos, 4, theValue)) return false;
  outGuid.Data2 = static_cast<uint16_t>(theValue);
  if (!Expect(inText, thePos, u'-') || !ReadHex(inText, thePos, 4, theValue)) return false;
  outGuid.Data3 = static_cast<uint16_t>(theValue);
  if (!Expect(inText, thePos, u'-')) return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(inText, thePos, u'-')) return false;
    if (!ReadHex(inText, thePos, 2, theValue)) return false;
    outGuid.Data4[i] = static_cast<uint8_t>(theValue);
  }
  return Expect(inText, thePos, u'}') && inText[thePos] == 0;
}

thread_local int tApartmentCount = 0;

}  // namespace

INT WINAPI StringFromGUID2(REFGUID inGuid, LPOLESTR outText, INT inMax) {
  constexpr INT kLength = 39;  // braces, 32 digits, 4 hyphens and the terminator
  if (outText == nullptr || inMax < kLength) return 0;
  INT thePos = 0;
  auto thePut = [&](uint64_t inValue, int inDigits) {
    for (int i = inDigits - 1; i >= 0; --i) outText[thePos++] = kHex[(inValue >> (4 * i)) & 0xF];
  };
  outText[thePos++] = u'{';
  thePut(inGuid.Data1, 8);
  outText[thePos++] = u'-';
  thePut(inGuid.Data2, 4);
  outText[thePos++] = u'-';
  thePut(inGuid.Data3, 4);
  outText[thePos++] = u'-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) outText[thePos++] = u'-';
    thePut(inGuid.Data4[i], 2);
  }
  outText[thePos++] = u'}';
  outText[thePos++] = 0;
  return thePos;
}

HRESULT WINAPI StringFromCLSID(REFCLSID inClsid, LPOLESTR* outText) {
  if (outText == nullptr) return E_INVALIDARG;
  *outText = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
  if (*outText == nullptr) return E_OUTOFMEMORY;
  StringFromGUID2(inClsid, *outText, 39);
  return S_OK;
}

HRESULT WINAPI CLSIDFromString(LPCOLESTR inText, LPCLSID outClsid) {
  if (outClsid == nullptr) return E_INVALIDARG;
  *outClsid = GUID_NULL;
  if (inText == nullptr || inText[0] == 0) return S_OK;
  GUID theGuid;
  if (!ParseGuid(inText, theGuid)) return CO_E_CLASSSTRING;
  *outClsid = theGuid;
  return S_OK;
}

HRESULT WINAPI IIDFromString(LPCOLESTR inText, LPIID outIID) {
  if (outIID == nullptr) return E_INVALIDARG;
  *outIID = GUID_NULL;
  if (inText == nullptr) return S_OK;
  GUID theGuid;
  if (!ParseGuid(inText, theGuid)) return E_INVALIDARG;
  *outIID = theGuid;
  return S_OK;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T inSize) { return std::malloc(inSize > 0 ? inSize : 1); }

void WINAPI CoTaskMemFree(LPVOID inMemory) { std::free(inMemory); }

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) { return tApartmentCount++ == 0 ? S_OK : S_FALSE; }

HRESULT WINAPI CoInitialize(LPVOID inReserved) { return CoInitializeEx(inReserved, COINIT_APARTMENTTHREADED); }

void WINAPI CoUninitialize() {
  if (tApartmentCount > 0) --tApartmentCount;
}
