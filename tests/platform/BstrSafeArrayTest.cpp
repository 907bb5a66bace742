// BSTR and SAFEARRAY: lengths, embedded zeros, bounds, locks and element ownership.
#include <gtest/gtest.h>

#include <oleauto.h>

#include <cstring>
#include <limits>

TEST(Bstr, LengthsAndEmbeddedZeros) {
  const char16_t theText[] = u"ab\0cd";
  BSTR theString = SysAllocStringLen(theText, 5);
  ASSERT_NE(theString, nullptr);
  EXPECT_EQ(SysStringLen(theString), 5u);
  EXPECT_EQ(SysStringByteLen(theString), 10u);
  EXPECT_EQ(theString[2], u'\0');
  EXPECT_EQ(theString[4], u'd');
  EXPECT_EQ(theString[5], u'\0');  // always terminated
  // The length sits in the four bytes before the text, as callers of the original may read it.
  uint32_t thePrefix = 0;
  std::memcpy(&thePrefix, reinterpret_cast<const BYTE*>(theString) - 4, 4);
  EXPECT_EQ(thePrefix, 10u);
  SysFreeString(theString);
}

TEST(Bstr, NullCountsAsEmpty) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR theEmpty = SysAllocString(u"");
  ASSERT_NE(theEmpty, nullptr);
  EXPECT_EQ(SysStringLen(theEmpty), 0u);
  SysFreeString(theEmpty);
}

TEST(Bstr, ByteLengthAndOddSizes) {
  BSTR theBytes = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(theBytes, nullptr);
  EXPECT_EQ(SysStringByteLen(theBytes), 3u);
  EXPECT_EQ(SysStringLen(theBytes), 1u);
  EXPECT_EQ(std::memcmp(theBytes, "abc", 3), 0);
  EXPECT_EQ(reinterpret_cast<const char*>(theBytes)[3], 0);
  SysFreeString(theBytes);
  BSTR theBlank = SysAllocStringLen(nullptr, 4);  // room without content: zeros
  ASSERT_NE(theBlank, nullptr);
  EXPECT_EQ(SysStringLen(theBlank), 4u);
  EXPECT_EQ(theBlank[0], 0);
  SysFreeString(theBlank);
}

TEST(Bstr, ReallocFromItsOwnText) {
  BSTR theString = SysAllocString(u"hello world");
  ASSERT_TRUE(SysReAllocString(&theString, theString + 6));
  EXPECT_EQ(std::u16string(theString), u"world");
  ASSERT_TRUE(SysReAllocStringLen(&theString, theString, 3));
  EXPECT_EQ(std::u16string(theString, SysStringLen(theString)), u"wor");
  SysFreeString(theString);
}

TEST(Bstr, RefusesLengthsThatOverflow) {
  EXPECT_EQ(SysAllocStringLen(u"x", std::numeric_limits<UINT>::max()), nullptr);
  EXPECT_EQ(SysAllocStringByteLen(nullptr, std::numeric_limits<UINT>::max()), nullptr);
}

TEST(SafeArray, VectorBoundsAndElementSizes) {
  SAFEARRAY* theEmpty = SafeArrayCreateVector(VT_I4, 42, 0);
  ASSERT_NE(theEmpty, nullptr);
  LONG theBound = 0;
  EXPECT_EQ(SafeArrayGetLBound(theEmpty, 1, &theBound), S_OK);
  EXPECT_EQ(theBound, 42);
  EXPECT_EQ(SafeArrayGetUBound(theEmpty, 1, &theBound), S_OK);
  EXPECT_EQ(theBound, 41);
  EXPECT_EQ(SafeArrayGetLBound(theEmpty, 2, &theBound), DISP_E_BADINDEX);
  // An empty array still has a data pointer.
  void* theData = nullptr;
  EXPECT_EQ(SafeArrayAccessData(theEmpty, &theData), S_OK);
  EXPECT_NE(theData, nullptr);
  SafeArrayUnaccessData(theEmpty);
  EXPECT_EQ(SafeArrayDestroy(theEmpty), S_OK);

  const struct {
    VARTYPE type;
    UINT size;
  } theSizes[] = {{VT_UI1, 1}, {VT_I1, 1}, {VT_I2, 2}, {VT_BOOL, 2}, {VT_I4, 4}, {VT_R4, 4}, {VT_R8, 8},
                  {VT_BSTR, sizeof(void*)}, {VT_DISPATCH, sizeof(void*)}, {VT_VARIANT, sizeof(VARIANT)}};
  for (const auto& theCase : theSizes) {
    SAFEARRAY* theArray = SafeArrayCreateVector(theCase.type, 0, 3);
    ASSERT_NE(theArray, nullptr) << theCase.type;
    EXPECT_EQ(SafeArrayGetElemsize(theArray), theCase.size) << theCase.type;
    EXPECT_EQ(SafeArrayGetDim(theArray), 1u);
    VARTYPE theType = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(theArray, &theType), S_OK);
    EXPECT_EQ(theType, theCase.type);
    SafeArrayDestroy(theArray);
  }
  EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
}

TEST(SafeArray, LockedArraysCannotBeDestroyed) {
  SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, 4);
  ASSERT_NE(theArray, nullptr);
  void* theData = nullptr;
  ASSERT_EQ(SafeArrayAccessData(theArray, &theData), S_OK);
  EXPECT_EQ(SafeArrayDestroy(theArray), DISP_E_ARRAYISLOCKED);
  ASSERT_EQ(SafeArrayLock(theArray), S_OK);
  EXPECT_EQ(theArray->cLocks, 2u);
  EXPECT_EQ(SafeArrayUnlock(theArray), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(theArray), S_OK);
  EXPECT_EQ(SafeArrayUnlock(theArray), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayDestroy(theArray), S_OK);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
  EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
}

TEST(SafeArray, DimensionsInOrderAndOverflowRefused) {
  SAFEARRAYBOUND theBounds[2] = {{3, 1}, {5, -2}};
  SAFEARRAY* theArray = SafeArrayCreate(VT_R8, 2, theBounds);
  ASSERT_NE(theArray, nullptr);
  LONG theLower = 0, theUpper = 0;
  SafeArrayGetLBound(theArray, 1, &theLower);
  SafeArrayGetUBound(theArray, 1, &theUpper);
  EXPECT_EQ(theLower, 1);
  EXPECT_EQ(theUpper, 3);
  SafeArrayGetLBound(theArray, 2, &theLower);
  SafeArrayGetUBound(theArray, 2, &theUpper);
  EXPECT_EQ(theLower, -2);
  EXPECT_EQ(theUpper, 2);
  SafeArrayDestroy(theArray);

  SAFEARRAYBOUND theHuge[2] = {{0x10000000, 0}, {0x10000000, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, theHuge), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, theHuge), nullptr);
}

TEST(SafeArray, CopyIsDeepAndDestroyReleasesStrings) {
  SAFEARRAY* theArray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  ASSERT_NE(theArray, nullptr);
  BSTR* theCells = static_cast<BSTR*>(theArray->pvData);
  theCells[0] = SysAllocString(u"one");
  theCells[1] = SysAllocString(u"two");
  SAFEARRAY* theCopy = nullptr;
  ASSERT_EQ(SafeArrayCopy(theArray, &theCopy), S_OK);
  BSTR* theCopied = static_cast<BSTR*>(theCopy->pvData);
  EXPECT_NE(theCopied[0], theCells[0]);
  EXPECT_EQ(std::u16string(theCopied[1]), u"two");
  // Destroying both frees all four strings; the leak checker of the sanitizer build holds us to it.
  EXPECT_EQ(SafeArrayDestroy(theArray), S_OK);
  EXPECT_EQ(SafeArrayDestroy(theCopy), S_OK);
}
