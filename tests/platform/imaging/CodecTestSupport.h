// Shared by the image codec tests: the pictures made by tests/support/make_test_pictures.py (with
// the pixels Pillow decodes for each frame), a codec session, and reading a locked frame back as
// RGB bytes.
#pragma once

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>


namespace codectest {

namespace fs = std::filesystem;

// The folder of the pictures of this test program.
inline fs::path& PictureFolder() {
  static fs::path sFolder;
  return sFolder;
}

// Runs the generator inScript (a file of tests/support) once for test program inProgram and makes
// its folder PictureFolder(); true on success. The test runner starts one process per test, many
// at once: the pictures are made into a folder of the process's own and then renamed into place,
// so that a process sees either no folder or a complete one. The folder's name carries the
// generator's modification time, so that a changed generator makes a new set. Debian's python3 is
// used when present: it is the one with Pillow (python3-pil).
inline bool MakePicturesWith(const std::string& inScript, const std::string& inProgram) {
  const fs::path theScript = fs::path(QUORIX_SOURCE_DIR) / "tests" / "support" / inScript;
  std::error_code theError;
  const auto theStamp = fs::last_write_time(theScript, theError).time_since_epoch().count();
  const fs::path theParent = fs::path(QUORIX_BINARY_DIR) / "test-pictures";
  PictureFolder() = theParent / (inProgram + "-" + std::to_string(theStamp));
  if (fs::exists(PictureFolder() / ".complete")) return true;
  const fs::path theOwn = theParent / (inProgram + "-making-" + std::to_string(::getpid()));
  fs::remove_all(theOwn, theError);
  const std::string thePython = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string theCommand = thePython + " '" + theScript.string() + "' '" + theOwn.string() + "'";
  if (std::system(theCommand.c_str()) != 0) return false;
  std::ofstream(theOwn / ".complete") << "made\n";
  fs::rename(theOwn, PictureFolder(), theError);
  // Another process may have put its complete set in place first: that one is used.
  if (theError) fs::remove_all(theOwn, theError);
  return fs::exists(PictureFolder() / ".complete");
}

inline bool MakePictures(const std::string& inProgram) {
  return MakePicturesWith("make_test_pictures.py", inProgram);
}

inline fs::path PicturePath(const std::string& inName) { return PictureFolder() / inName; }

inline std::u16string Wide(const std::string& inText) {
  std::u16string theWide;
  for (const char c : inText) theWide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return theWide;
}

inline std::u16string WidePicturePath(const std::string& inName) { return Wide(PicturePath(inName).string()); }

inline std::vector<uint8_t> ReadBytes(const fs::path& inPath) {
  std::ifstream theFile(inPath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>());
}

// Pillow's RGB bytes of frame inFrame of picture inName.
inline std::vector<uint8_t> ExpectedRgb(const std::string& inName, unsigned inFrame) {
  return ReadBytes(PicturePath(inName + "." + std::to_string(inFrame) + ".rgb"));
}

// A codec session for the life of the object.
class CodecSession {
 public:
  CodecSession() {
    Gdiplus::GdiplusStartupInput theInput;
    mStatus = Gdiplus::GdiplusStartup(&mToken, &theInput, nullptr);
  }
  ~CodecSession() {
    if (mStatus == Gdiplus::Ok) Gdiplus::GdiplusShutdown(mToken);
  }
  Gdiplus::Status Status() const { return mStatus; }

 private:
  ULONG_PTR mToken = 0;
  Gdiplus::Status mStatus = Gdiplus::GenericError;
};

inline std::unique_ptr<Gdiplus::Bitmap> Load(const std::string& inName) {
  const std::u16string thePath = WidePicturePath(inName);
  return std::unique_ptr<Gdiplus::Bitmap>(Gdiplus::Bitmap::FromFile(thePath.c_str()));
}

// The current frame (or inRect of it) locked as 24bppRGB and repacked as red, green, blue rows
// without gaps; empty when the lock fails (the failure is reported).
inline std::vector<uint8_t> LockedRgb(Gdiplus::Bitmap& inBitmap, const Gdiplus::Rect* inRect = nullptr) {
  Gdiplus::BitmapData theData{};
  const Gdiplus::Status theStatus =
      inBitmap.LockBits(inRect, Gdiplus::ImageLockModeRead, Gdiplus::PixelFormat24bppRGB, &theData);
  EXPECT_EQ(theStatus, Gdiplus::Ok);
  if (theStatus != Gdiplus::Ok) return {};
  EXPECT_EQ(theData.PixelFormat, Gdiplus::PixelFormat24bppRGB);
  EXPECT_EQ(theData.Stride, static_cast<INT>((theData.Width * 3 + 3) / 4 * 4));
  std::vector<uint8_t> theRgb;
  theRgb.reserve(size_t{theData.Width} * theData.Height * 3);
  for (UINT y = 0; y < theData.Height; ++y) {
    const auto* theRow = static_cast<const uint8_t*>(theData.Scan0) + static_cast<ptrdiff_t>(y) * theData.Stride;
    for (UINT x = 0; x < theData.Width; ++x) {
      theRgb.push_back(theRow[x * 3 + 2]);
      theRgb.push_back(theRow[x * 3 + 1]);
      theRgb.push_back(theRow[x * 3]);
    }
  }
  EXPECT_EQ(inBitmap.UnlockBits(&theData), Gdiplus::Ok);
  return theRgb;
}

// The largest difference between two equally long byte runs and how many bytes differ by more than
// inTolerance.
struct Difference {
  int largest = 0;
  size_t beyondTolerance = 0;
};

inline Difference Compare(const std::vector<uint8_t>& inActual, const std::vector<uint8_t>& inExpected,
                          int inTolerance) {
  Difference theDifference;
  for (size_t i = 0; i < inActual.size() && i < inExpected.size(); ++i) {
    const int theDelta = std::abs(int{inActual[i]} - int{inExpected[i]});
    theDifference.largest = std::max(theDifference.largest, theDelta);
    if (theDelta > inTolerance) ++theDifference.beyondTolerance;
  }
  return theDifference;
}

}  // namespace codectest
