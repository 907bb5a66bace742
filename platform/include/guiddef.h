// GUIDs: class, interface and library identities.
#pragma once

#include <cstring>

#include "windef.h"

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

typedef GUID IID;
typedef GUID CLSID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID inA, REFGUID inB) { return std::memcmp(&inA, &inB, sizeof(GUID)) == 0; }
inline bool IsEqualIID(REFIID inA, REFIID inB) { return IsEqualGUID(inA, inB); }
inline bool IsEqualCLSID(REFCLSID inA, REFCLSID inB) { return IsEqualGUID(inA, inB); }
inline bool operator==(REFGUID inA, REFGUID inB) { return IsEqualGUID(inA, inB); }

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr CLSID CLSID_NULL = GUID_NULL;
