// The codec's calls and their statuses: start-up, bitmaps from files and streams and why they fail,
// frame dimensions and selection, locking rectangles, and damaged or oversized pictures.
#include "CodecTestSupport.h"

#include <climits>
#include <cstring>

#include <unistd.h>

using namespace Gdiplus;
using namespace codectest;

namespace {

class ImageCodecCallsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sMade = MakePictures("ImageCodecCallsTest"); }
  void SetUp() override {
    ASSERT_TRUE(sMade) << "the picture generator failed";
    ASSERT_EQ(mSession.Status(), Ok);
  }

  // The status of making a bitmap from a file, and that no object comes with a failure.
  static Status CreateStatus(const std::u16string& inPath) {
    GpBitmap* theBitmap = nullptr;
    const Status theStatus = GdipCreateBitmapFromFileICM(inPath.c_str(), &theBitmap);
    EXPECT_EQ(theStatus == Ok, theBitmap != nullptr);
    if (theBitmap != nullptr) GdipDisposeImage(reinterpret_cast<GpImage*>(theBitmap));
    return theStatus;
  }

  // A stream over a copy of inBytes, left at its end.
  static IStream* StreamOver(const std::vector<uint8_t>& inBytes) {
    // An empty stream is a one-byte block cut to nothing (GlobalAlloc refuses empty blocks).
    HGLOBAL theBlock = GlobalAlloc(GMEM_MOVEABLE, std::max<size_t>(inBytes.size(), 1));
    EXPECT_NE(theBlock, nullptr);
    if (!inBytes.empty()) std::memcpy(GlobalLock(theBlock), inBytes.data(), inBytes.size());
    GlobalUnlock(theBlock);
    IStream* theStream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(theBlock, TRUE, &theStream), S_OK);
    if (inBytes.empty()) {
      ULARGE_INTEGER theSize{};
      theSize.QuadPart = 0;
      EXPECT_EQ(theStream->SetSize(theSize), S_OK);
    }
    LARGE_INTEGER theMove{};
    theMove.QuadPart = 0;
    theStream->Seek(theMove, STREAM_SEEK_END, nullptr);
    return theStream;
  }

  static inline bool sMade = false;
  CodecSession mSession;
};

TEST_F(ImageCodecCallsTest, StartupChecksVersionAndArguments) {
  GdiplusStartupInput theInput;
  ULONG_PTR theToken = 0;
  EXPECT_EQ(Gdiplus::GdiplusStartup(nullptr, &theInput, nullptr), InvalidParameter);
  EXPECT_EQ(Gdiplus::GdiplusStartup(&theToken, nullptr, nullptr), InvalidParameter);
  theInput.GdiplusVersion = 2;
  EXPECT_EQ(Gdiplus::GdiplusStartup(&theToken, &theInput, nullptr), UnsupportedGdiplusVersion);
  theInput.GdiplusVersion = 1;
  // Without a background thread the caller must take the hooks.
  theInput.SuppressBackgroundThread = TRUE;
  EXPECT_EQ(Gdiplus::GdiplusStartup(&theToken, &theInput, nullptr), InvalidParameter);
  GdiplusStartupOutput theOutput{};
  ASSERT_EQ(Gdiplus::GdiplusStartup(&theToken, &theInput, &theOutput), Ok);
  EXPECT_NE(theToken, 0u);
  ASSERT_NE(theOutput.NotificationHook, nullptr);
  ASSERT_NE(theOutput.NotificationUnhook, nullptr);
  ULONG_PTR theHookToken = 0;
  EXPECT_EQ(theOutput.NotificationHook(&theHookToken), Ok);
  theOutput.NotificationUnhook(theHookToken);
  Gdiplus::GdiplusShutdown(theToken);
}

TEST_F(ImageCodecCallsTest, FileCreationFailuresHaveTheirStatuses) {
  EXPECT_EQ(CreateStatus(WidePicturePath("no-such-picture.png")), FileNotFound);
  EXPECT_EQ(CreateStatus(WidePicturePath("no-such-folder/red.png")), FileNotFound);
  EXPECT_EQ(CreateStatus(WidePicturePath("text.txt")), UnknownImageFormat);
  EXPECT_EQ(CreateStatus(Wide(PictureFolder().string())), AccessDenied);
  std::ofstream(PicturePath("empty.png")).close();
  EXPECT_EQ(CreateStatus(WidePicturePath("empty.png")), UnknownImageFormat);
  // An unpaired surrogate names no file this system can have.
  EXPECT_EQ(CreateStatus(WidePicturePath("red") + u"\xD800.png"), InvalidParameter);
  if (geteuid() != 0) {  // the superuser reads any file
    fs::copy_file(PicturePath("red.png"), PicturePath("unreadable.png"), fs::copy_options::overwrite_existing);
    fs::permissions(PicturePath("unreadable.png"), fs::perms::none);
    EXPECT_EQ(CreateStatus(WidePicturePath("unreadable.png")), AccessDenied);
  }
  GpBitmap* theBitmap = reinterpret_cast<GpBitmap*>(1);
  EXPECT_EQ(GdipCreateBitmapFromFileICM(nullptr, &theBitmap), InvalidParameter);
  EXPECT_EQ(theBitmap, nullptr);
  EXPECT_EQ(GdipCreateBitmapFromFileICM(u"x.png", nullptr), InvalidParameter);
}

TEST_F(ImageCodecCallsTest, NonAsciiPathsAreFound) {
  // "rot-ü-€-𝄞.png": two-, three- and four-byte UTF-8 (the last from a surrogate pair).
  fs::copy_file(PicturePath("red.png"), PicturePath("rot-\xC3\xBC-\xE2\x82\xAC-\xF0\x9D\x84\x9E.png"),
                fs::copy_options::overwrite_existing);
  const std::u16string thePath = Wide(PictureFolder().string()) + u"/rot-\u00FC-\u20AC-\U0001D11E.png";
  auto theBitmap = std::unique_ptr<Bitmap>(Bitmap::FromFile(thePath.c_str()));
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  EXPECT_EQ(theBitmap->GetWidth(), 1u);
}

TEST_F(ImageCodecCallsTest, StreamGivesTheSamePictureAsTheFile) {
  // The stream is read from its start wherever it stands, and may go before the bitmap.
  IStream* theStream = StreamOver(ReadBytes(PicturePath("pages.tif")));
  std::unique_ptr<Bitmap> theFromStream(Bitmap::FromStream(theStream));
  theStream->Release();
  ASSERT_EQ(theFromStream->GetLastStatus(), Ok);
  auto theFromFile = Load("pages.tif");
  ASSERT_EQ(theFromStream->GetFrameCount(&FrameDimensionPage), 3u);
  for (const UINT thePage : {0u, 1u, 2u}) {
    ASSERT_EQ(theFromStream->SelectActiveFrame(&FrameDimensionPage, thePage), Ok);
    ASSERT_EQ(theFromFile->SelectActiveFrame(&FrameDimensionPage, thePage), Ok);
    EXPECT_EQ(theFromStream->GetWidth(), theFromFile->GetWidth());
    EXPECT_EQ(theFromStream->GetHorizontalResolution(), theFromFile->GetHorizontalResolution());
    EXPECT_EQ(LockedRgb(*theFromStream), LockedRgb(*theFromFile));
  }
  IStream* theEmpty = StreamOver({});
  GpBitmap* theBitmap = nullptr;
  EXPECT_EQ(GdipCreateBitmapFromStreamICM(theEmpty, &theBitmap), UnknownImageFormat);
  EXPECT_EQ(theBitmap, nullptr);
  theEmpty->Release();
  EXPECT_EQ(GdipCreateBitmapFromStreamICM(nullptr, &theBitmap), InvalidParameter);
}

TEST_F(ImageCodecCallsTest, RawFormatsFollowTheContentNotTheName) {
  fs::copy_file(PicturePath("anim.gif"), PicturePath("gif-named.png"), fs::copy_options::overwrite_existing);
  struct Case {
    const char* name;
    const GUID* format;
  };
  for (const Case& theCase : {Case{"gif-named.png", &ImageFormatGIF}, Case{"red.png", &ImageFormatPNG},
                              Case{"baseline.jpg", &ImageFormatJPEG}, Case{"single.tif", &ImageFormatTIFF}}) {
    auto theBitmap = Load(theCase.name);
    GUID theFormat{};
    ASSERT_EQ(theBitmap->GetRawFormat(&theFormat), Ok) << theCase.name;
    EXPECT_TRUE(IsEqualGUID(theFormat, *theCase.format)) << theCase.name;
  }
}

TEST_F(ImageCodecCallsTest, NullArgumentsAreRefused) {
  auto theBitmap = Load("red.png");
  GpImage* theImage = nullptr;
  UINT theNumber = 7;
  REAL theDpi = 0;
  GUID theGuid{};
  EXPECT_EQ(GdipDisposeImage(nullptr), InvalidParameter);
  EXPECT_EQ(GdipGetImageWidth(nullptr, &theNumber), InvalidParameter);
  EXPECT_EQ(GdipGetImageHeight(nullptr, &theNumber), InvalidParameter);
  EXPECT_EQ(GdipGetImageHorizontalResolution(nullptr, &theDpi), InvalidParameter);
  EXPECT_EQ(GdipGetImageVerticalResolution(nullptr, &theDpi), InvalidParameter);
  EXPECT_EQ(GdipGetImageRawFormat(nullptr, &theGuid), InvalidParameter);
  EXPECT_EQ(GdipImageGetFrameDimensionsCount(theImage, &theNumber), InvalidParameter);
  EXPECT_EQ(GdipImageGetFrameCount(nullptr, &FrameDimensionPage, &theNumber), InvalidParameter);
  EXPECT_EQ(GdipImageSelectActiveFrame(nullptr, &FrameDimensionPage, 0), InvalidParameter);
  EXPECT_EQ(theBitmap->GetRawFormat(nullptr), InvalidParameter);
  EXPECT_EQ(theBitmap->GetFrameDimensionsList(nullptr, 1), InvalidParameter);
  EXPECT_EQ(theBitmap->GetFrameCount(nullptr), 0u);
  EXPECT_EQ(theBitmap->GetLastStatus(), InvalidParameter);
  EXPECT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, nullptr), InvalidParameter);
  EXPECT_EQ(theBitmap->UnlockBits(nullptr), InvalidParameter);
  BitmapData theData{};
  EXPECT_EQ(GdipBitmapLockBits(nullptr, nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData), InvalidParameter);
  EXPECT_EQ(GdipBitmapUnlockBits(nullptr, &theData), InvalidParameter);
}

TEST_F(ImageCodecCallsTest, FrameDimensionsAndSelection) {
  auto theBitmap = Load("pages.tif");
  EXPECT_EQ(theBitmap->GetFrameDimensionsCount(), 1u);
  GUID theDimensions[2] = {};
  EXPECT_EQ(theBitmap->GetFrameDimensionsList(theDimensions, 2), InvalidParameter);
  EXPECT_EQ(theBitmap->GetFrameDimensionsList(theDimensions, 0), InvalidParameter);
  EXPECT_EQ(theBitmap->GetFrameCount(&FrameDimensionTime), 0u);
  EXPECT_EQ(theBitmap->GetLastStatus(), InvalidParameter);
  EXPECT_EQ(theBitmap->GetFrameCount(&FrameDimensionResolution), 0u);
  EXPECT_EQ(theBitmap->GetLastStatus(), InvalidParameter);

  ASSERT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionPage, 1), Ok);
  const std::vector<uint8_t> thePageOne = LockedRgb(*theBitmap);
  // A frame beyond the last, or of another dimension, is refused and the current frame stays.
  EXPECT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionPage, 3), InvalidParameter);
  EXPECT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionPage, UINT_MAX), InvalidParameter);
  EXPECT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionTime, 0), InvalidParameter);
  EXPECT_EQ(theBitmap->SelectActiveFrame(nullptr, 0), InvalidParameter);
  EXPECT_EQ(theBitmap->GetWidth(), 7u);
  EXPECT_EQ(theBitmap->GetHeight(), 12u);
  EXPECT_EQ(LockedRgb(*theBitmap), thePageOne);
  EXPECT_EQ(thePageOne, ExpectedRgb("pages.tif", 1));

  // A picture of one frame has frame 0 only.
  auto thePng = Load("red.png");
  EXPECT_EQ(thePng->GetFrameCount(&FrameDimensionPage), 1u);
  EXPECT_EQ(thePng->SelectActiveFrame(&FrameDimensionPage, 0), Ok);
  EXPECT_EQ(thePng->SelectActiveFrame(&FrameDimensionPage, 1), InvalidParameter);
}

TEST_F(ImageCodecCallsTest, LockRectanglesAndStates) {
  auto theBitmap = Load("rgb.png");  // 13 × 7
  const std::vector<uint8_t> theWhole = LockedRgb(*theBitmap);
  ASSERT_EQ(theWhole.size(), 13u * 7 * 3);

  // A rectangle inside the frame gives those pixels, rows padded to four bytes.
  const Rect theInside(2, 3, 5, 4);
  const std::vector<uint8_t> thePart = LockedRgb(*theBitmap, &theInside);
  ASSERT_EQ(thePart.size(), 5u * 4 * 3);
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(0, std::memcmp(thePart.data() + y * 15, theWhole.data() + ((3 + y) * 13 + 2) * 3, 15)) << y;
  const Rect theCorner(12, 6, 1, 1);
  EXPECT_EQ(LockedRgb(*theBitmap, &theCorner),
            std::vector<uint8_t>(theWhole.end() - 3, theWhole.end()));

  BitmapData theData{};
  for (const Rect& theBad : {Rect(-1, 0, 2, 2), Rect(0, -1, 2, 2), Rect(0, 0, 0, 2), Rect(0, 0, 2, 0),
                             Rect(0, 0, -2, 2), Rect(0, 0, 14, 1), Rect(0, 0, 1, 8), Rect(12, 0, 2, 1),
                             Rect(0, 6, 1, 2), Rect(1, 0, INT_MAX, 1), Rect(0, 1, 1, INT_MAX),
                             Rect(INT_MAX, INT_MAX, 1, 1)}) {
    EXPECT_EQ(theBitmap->LockBits(&theBad, ImageLockModeRead, PixelFormat24bppRGB, &theData), InvalidParameter)
        << theBad.X << "," << theBad.Y << " " << theBad.Width << "x" << theBad.Height;
  }
  EXPECT_EQ(theBitmap->LockBits(nullptr, 0, PixelFormat24bppRGB, &theData), InvalidParameter);
  EXPECT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead | ImageLockModeWrite, PixelFormat24bppRGB, &theData),
            NotImplemented);

  // A buffer of the caller's: the rows (blue, green, red) land where its first row and stride say,
  // the bytes between rows stay as they were, and a stride shorter than a row or no buffer is
  // refused.
  std::vector<uint8_t> theBgr = thePart;
  for (size_t i = 0; i < theBgr.size(); i += 3) std::swap(theBgr[i], theBgr[i + 2]);
  std::vector<uint8_t> theBuffer(4 * 20, 0xAB);
  BitmapData theOwn{};
  theOwn.Scan0 = theBuffer.data();
  theOwn.Stride = 20;
  ASSERT_EQ(theBitmap->LockBits(&theInside, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &theOwn),
            Ok);
  EXPECT_EQ(theOwn.Scan0, theBuffer.data());
  EXPECT_EQ(theOwn.Width, 5u);
  EXPECT_EQ(theOwn.Height, 4u);
  EXPECT_EQ(theBitmap->UnlockBits(&theOwn), Ok);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(0, std::memcmp(theBuffer.data() + y * 20, theBgr.data() + y * 15, 15)) << y;
    EXPECT_EQ(std::vector<uint8_t>(theBuffer.begin() + y * 20 + 15, theBuffer.begin() + y * 20 + 20),
              std::vector<uint8_t>(5, 0xAB))
        << y;
  }
  // Bottom-up: a negative stride from the last row.
  std::vector<uint8_t> theFlipped(4 * 15);
  theOwn.Scan0 = theFlipped.data() + 3 * 15;
  theOwn.Stride = -15;
  ASSERT_EQ(theBitmap->LockBits(&theInside, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &theOwn),
            Ok);
  EXPECT_EQ(theBitmap->UnlockBits(&theOwn), Ok);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(theFlipped.data() + (3 - y) * 15, theBgr.data() + y * 15, 15));
  theOwn.Scan0 = theBuffer.data();
  theOwn.Stride = 14;
  EXPECT_EQ(theBitmap->LockBits(&theInside, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &theOwn),
            InvalidParameter);
  theOwn.Scan0 = nullptr;
  theOwn.Stride = 20;
  EXPECT_EQ(theBitmap->LockBits(&theInside, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &theOwn),
            InvalidParameter);
  EXPECT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, 0x00030402 /* 16bppRGB555 */, &theData), NotImplemented);

  // One lock at a time; the frame stays while locked.
  EXPECT_EQ(theBitmap->UnlockBits(&theData), WrongState);
  ASSERT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData), Ok);
  EXPECT_EQ(theData.Width, 13u);
  EXPECT_EQ(theData.Height, 7u);
  EXPECT_EQ(theData.Stride, 40);
  BitmapData theSecond{};
  EXPECT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theSecond), WrongState);
  EXPECT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionPage, 0), WrongState);
  EXPECT_EQ(theBitmap->UnlockBits(&theData), Ok);
  EXPECT_EQ(theBitmap->UnlockBits(&theData), WrongState);
  EXPECT_EQ(LockedRgb(*theBitmap), theWhole);
}

// A whole opaque picture locked into a caller's buffer before anything else is decoded straight
// into it; the bytes are those of the decoded frame, which a later lock then copies.
TEST_F(ImageCodecCallsTest, StraightDecodeGivesTheFramesBytes) {
  // Opaque kinds (straight), and ones with transparency (through the frame).
  for (const char* theName : {"rgb.png", "grey.png", "rgb16.png", "interlaced.png", "palette.png", "rgba.png"}) {
    SCOPED_TRACE(theName);
    auto theBitmap = Load(theName);
    const UINT theWidth = theBitmap->GetWidth();
    const UINT theHeight = theBitmap->GetHeight();
    const INT theStride = static_cast<INT>(theWidth * 3 + 5);
    std::vector<uint8_t> theStraight(size_t(theStride) * theHeight, 0x5A);
    BitmapData theOwn{};
    theOwn.Scan0 = theStraight.data();
    theOwn.Stride = theStride;
    ASSERT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat24bppRGB, &theOwn),
              Ok);
    EXPECT_EQ(theBitmap->UnlockBits(&theOwn), Ok);
    const std::vector<uint8_t> theCopied = LockedRgb(*theBitmap);  // decodes the frame, then copies
    ASSERT_EQ(theCopied.size(), size_t{theWidth} * theHeight * 3);
    for (UINT y = 0; y < theHeight; ++y) {
      for (UINT x = 0; x < theWidth; ++x) {
        const uint8_t* thePixel = theStraight.data() + size_t(y) * theStride + x * 3;
        const uint8_t* theRgb = theCopied.data() + (size_t(y) * theWidth + x) * 3;
        ASSERT_TRUE(thePixel[0] == theRgb[2] && thePixel[1] == theRgb[1] && thePixel[2] == theRgb[0]) << x << "," << y;
      }
      EXPECT_EQ(theStraight[size_t(y) * theStride + theWidth * 3], 0x5A);  // the gap is not written
    }
  }
}

TEST_F(ImageCodecCallsTest, OversizedFrameIsRefusedWithoutDecoding) {
  // The header claims 20000 × 20000 pixels, beyond the most a frame may have.
  auto theBitmap = Load("huge.png");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  EXPECT_EQ(theBitmap->GetWidth(), 20000u);
  EXPECT_EQ(theBitmap->GetHeight(), 20000u);
  BitmapData theData{};
  EXPECT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData), OutOfMemory);
  const Rect theSmall(0, 0, 1, 1);
  EXPECT_EQ(theBitmap->LockBits(&theSmall, ImageLockModeRead, PixelFormat24bppRGB, &theData), OutOfMemory);
  // Nothing stays locked after a failed lock.
  EXPECT_EQ(theBitmap->UnlockBits(&theData), WrongState);
}

TEST_F(ImageCodecCallsTest, DamagedPicturesFailWithoutCrashing) {
  for (const char* theName : {"truncated.png", "truncated.tif", "truncated.gif"}) {
    SCOPED_TRACE(theName);
    auto theBitmap = Load(theName);
    Status theStatus = theBitmap->GetLastStatus();
    if (theStatus == Ok) {
      BitmapData theData{};
      theStatus = theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData);
      if (theStatus == Ok) theBitmap->UnlockBits(&theData);
    }
    EXPECT_EQ(theStatus, OutOfMemory);
  }
  // Every prefix of each picture, and each picture with a byte changed every few bytes, gives a
  // status and never a crash; the status is Ok or a refusal, nothing else.
  for (const char* theName : {"rgb.png", "interlaced.png", "pages.tif", "anim.gif", "progressive.jpg", "cmyk.jpg"}) {
    SCOPED_TRACE(theName);
    const std::vector<uint8_t> theBytes = ReadBytes(PicturePath(theName));
    for (size_t theStep = 0; theStep < 2; ++theStep) {
      for (size_t theCut = 1; theCut < theBytes.size(); theCut += 1 + theBytes.size() / 97) {
        std::vector<uint8_t> theDamaged = theBytes;
        if (theStep == 0) {
          theDamaged.resize(theCut);
        } else {
          for (size_t i = theCut; i < theDamaged.size(); i += 37) theDamaged[i] ^= 0x5A;
        }
        IStream* theStream = StreamOver(theDamaged);
        std::unique_ptr<Bitmap> theBitmap(Bitmap::FromStream(theStream));
        theStream->Release();
        Status theStatus = theBitmap->GetLastStatus();
        if (theStatus != Ok) {
          EXPECT_TRUE(theStatus == OutOfMemory || theStatus == UnknownImageFormat) << theStatus;
          continue;
        }
        const UINT theFrames = std::max(theBitmap->GetFrameCount(&FrameDimensionPage),
                                        theBitmap->GetFrameCount(&FrameDimensionTime));
        (void)theBitmap->GetLastStatus();
        for (UINT theFrame = 0; theFrame < theFrames; ++theFrame) {
          GUID theDimension{};
          theBitmap->GetFrameDimensionsList(&theDimension, 1);
          if (theBitmap->SelectActiveFrame(&theDimension, theFrame) != Ok) continue;
          BitmapData theData{};
          theStatus = theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData);
          if (theStatus == Ok) {
            EXPECT_EQ(theData.Width, theBitmap->GetWidth());
            EXPECT_EQ(theBitmap->UnlockBits(&theData), Ok);
          } else {
            EXPECT_EQ(theStatus, OutOfMemory);
          }
        }
      }
    }
  }
}

}  // namespace
