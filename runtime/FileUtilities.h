// Small services shared by the subsystems: the depth-limited folder walk, the file-name and
// extension parts of a path, the byte arrays that scripts pass and receive, and text helpers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string>

// The path separator of this platform.
inline constexpr char kPathSeparator = '/';

// Receives the full path of each file found and the walk's context; 0 goes on, any other value
// stops the walk and becomes its result.
using WalkCallback = LONG (*)(const char* inPath, void* inContext);

// Visits every file under inPath (8-bit text of the system code page), in name order: a file is
// passed to the callback itself; a folder's entries are visited, and its subfolders are entered
// while inDepth + 1 stays below inMaxDepth (so inMaxDepth 1 visits the folder's own files only).
// A missing or empty path, or one of MAX_PATH characters or more, visits nothing. Returns the
// value that stopped the walk, or 0.
LONG WalkFiles(const char* inPath, WalkCallback inCallback, LONG inDepth, LONG inMaxDepth,
               void* inContext);

// The text after the last separator, or the whole path; null for a null path.
const char* FileNamePart(const char* inPath);
const WCHAR* FileNamePart(const WCHAR* inPath);
// The text after the last full stop, or the empty end of the path when there is none. A null
// path is an assertion and gives an empty text.
const char* ExtensionPart(const char* inPath);
const WCHAR* ExtensionPart(const WCHAR* inPath);

// Reads the bytes of a one-dimensional array of one-byte elements held by a script value
// (following by-reference values at most 10 levels) and locks them: E_POINTER for a null
// reference, E_INVALIDARG for a value that is not such an array. Every success must be followed
// by ReleaseBytes on the same value.
HRESULT AccessBytes(const VARIANT* inVar, const BYTE** outPtr, LONG* outLen);
HRESULT ReleaseBytes(const VARIANT* inVar);
// Makes outVar a new VT_ARRAY | VT_UI1 array with lower bound 0 holding a copy of the bytes.
HRESULT MakeByteArray(const BYTE* inPtr, LONG inLen, VARIANT* outVar);

// Replaces every inFrom by inTo in the NUL-terminated text, in place.
void ReplaceChar(char* ioText, char inFrom, char inTo);
// The first occurrence of the NUL-terminated inText that lies wholly inside [inPtr, inMaxPtr),
// or null; an empty text is found at inPtr.
const char* FindText(const char* inPtr, const char* inText, const char* inMaxPtr);
// inText (inLength bytes, or up to its NUL when inLength is negative) of code page inCodePage as
// UTF-16; an absent text or a failed conversion gives an empty text.
std::u16string ToWide(UINT inCodePage, const char* inText, int inLength = -1);
