// The image loader behind the scripting class Image: a decoded picture held by the image codec,
// the frame chosen from it, the selection rectangle in pixels, and the report of the last load.
#pragma once

#include <windows.h>
#include <gdiplus.h>
#include <objidl.h>

#include <cstdint>
#include <memory>

#include "runtime/ErrorReport.h"
#include "scripting/RectRecord.h"

class PDFImage {
 public:
  // Raw formats as GetRawFormat numbers them.
  enum RawFormat : LONG {
    kBMP = 0,
    kEMF = 1,
    kEXIF = 2,
    kGIF = 3,
    kIcon = 4,
    kJPEG = 5,
    kMemoryBMP = 6,
    kPNG = 7,
    kTIFF = 8,
    kUndefined = 9,
    kWMF = 10,
  };
  static constexpr size_t kTypeNameSize = 256;

  // Starts the image codec when it is not started yet.
  PDFImage();
  PDFImage(const PDFImage&) = delete;
  PDFImage& operator=(const PDFImage&) = delete;
  virtual ~PDFImage();

  // Loads a picture; true when the report then has an error.
  virtual bool SetFile(const WCHAR* inPath);
  virtual bool SetData(const BYTE* inData, LONG inLength);
  // Frames of the picture: TIFF pages, GIF time frames, 1 for every other kind, 0 when empty.
  virtual LONG GetFrameCount();
  // Selects a frame (0-based) of a TIFF or GIF; other kinds ignore it. The selection becomes the
  // whole frame either way.
  virtual void SetFrame(LONG inIndex);
  virtual LONG GetFrame();
  virtual LONG GetWidth();
  virtual LONG GetHeight();
  virtual double GetHRes();
  virtual double GetVRes();
  virtual RectRecord* GetSelection();
  // Clips the selection to the current frame.
  virtual void ClipSelection();
  virtual LONG GetRawFormat();
  // The raw format's name into a caller's buffer of kTypeNameSize characters.
  virtual void GetTypeName(WCHAR* outName);
  // The selected pixels, 3 bytes each (red, green, blue), rows from the top with no gap. The
  // caller frees outData with CoTaskMemFree. Null and 0 when there is nothing to give.
  virtual void GetPixels(BYTE** outData, LONG* outLength);
  // The composed text of the last load's failures, or null.
  virtual const char* GetErrorText();
  // Forgets the picture; true when the codec is not started (and the report says so).
  virtual bool Clear();
  // A stream over a copy of the bytes, or null.
  virtual IStream* CreateStream(const BYTE* inData, LONG inLength);
  // Reports the bitmap's last status, after inMessage, when it is not Ok.
  virtual void CheckStatus(const char* inMessage);
  // The selection becomes the whole current frame.
  virtual void ResetSelection();

  // The selection shared with the XRect that shows it to scripts.
  const std::shared_ptr<RectRecord>& SharedSelection() const { return mSelection; }

 private:
  // True when the frame dimension list of the picture holds inDimension.
  bool HasFrameDimension(const GUID& inDimension);
  void DropFailedBitmap();

  ErrorReport mReport;
  std::unique_ptr<Gdiplus::Bitmap> mBitmap;
  std::shared_ptr<RectRecord> mSelection;
  LONG mFrame = 0;
};
