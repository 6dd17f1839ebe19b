// Picture checks for the programs that run the framework on the real
// display under Wine.
//
//   FrameworkMode mode;                // window mode, hardware, 640 x 480 x 16
//   mode.hardware = 0;                 // the software renderer
//   ASSERT_EQ(0, StartFrameworkInMode(mode));
//   ... draw, PresentScreen() ...
//   Picture shown, wanted(640, 480);
//   ASSERT_EQ(0, ReadScreenDcPicture(nullptr, &shown));
//   wanted.Fill(Rect{0, 0, 320, 480}, 0xFF336699u);
//   EXPECT_TRUE(PicturesMatch(wanted, shown, PictureTolerance{8, 0}, "left_half"));
//   EndFrameworkInMode();
//
// Every picture is a 32-bit X8R8G8B8 BASEIMAGE whose words read 0xFFRRGGBB.
// Where to read what:
// - the back buffer, before presenting: ReadDrawScreenPicture (through
//   LockDrawScreenBuffer; both the hardware lock paths and the software
//   screen);
// - what a Direct3D present put in the window: ReadScreenDcPicture (the
//   window's own DC reads black for Direct3D content);
// - what the software path's GDI present put there: ReadWindowDcPicture or
//   ReadScreenDcPicture.
// On a mismatch PicturesMatch writes <name>_expected.bmp, <name>_actual.bmp
// and <name>_diff.bmp (differing pixels white on black) beside the test
// program, in the build folder.
#ifndef VELVANE_TESTS_GRAPHICS_WINE_PICTURE_COMPARE_H
#define VELVANE_TESTS_GRAPHICS_WINE_PICTURE_COMPARE_H

#include <gtest/gtest.h>
#include <stdint.h>

#include <vector>

#include "velvane.h"

// How to start the framework for a picture check.
struct FrameworkMode {
  int hardware = 1;  // 0: the software renderer (chosen before start-up)
  int windowed = 1;  // 0: full screen (needs a display of the screen size)
  int log = 1;       // the log file on
  int width = 640;   // screen mode; 320 x 240 full screen runs the emulation
  int height = 480;
  int bits = 16;
};

// Starts the framework in the mode, running while inactive; InitFramework's
// result.
int StartFrameworkInMode(const FrameworkMode &mode);
// Ends the framework and puts the start-up settings back to their defaults
// (hardware, window mode, 640 x 480 x 16, no emulation, log on).
void EndFrameworkInMode(void);
// Makes Wine start this program's Direct3D without a 3-D renderer
// (HKCU\Software\Wine\AppDefaults\<this .exe>\Direct3D "renderer" = "no3d"),
// so device creation fails as on a machine without Direct3D.
void SwitchOffThreeD(void);

// A picture that owns its pixels; image views them.
class Picture {
 public:
  Picture() : Picture(0, 0) {}
  Picture(int width, int height);
  Picture(const Picture &) = delete;
  Picture &operator=(const Picture &) = delete;
  // Makes it a black width x height picture.
  void Resize(int width, int height);
  int Width() const { return image.width; }
  int Height() const { return image.height; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * image.width + x]; }
  void Set(int x, int y, uint32_t argb) {
    pixels[static_cast<size_t>(y) * image.width + x] = argb | 0xFF000000u;
  }
  // Fills r (clipped to the picture) with 0xRRGGBB.
  void Fill(const Rect &r, uint32_t rgb);
  // Writes a 32-bit BMP file; 0 / -1.
  int WriteBmp(const char *path) const;
  // Writes a 24-bit BMP file (no alpha, as a picture the game loads); 0 / -1.
  int WriteRgbBmp(const char *path) const;

  BASEIMAGE image;

 private:
  std::vector<uint32_t> pixels;
};

// A rectangle of one colour (0xRRGGBB).
struct PicturePatch {
  Rect area;
  uint32_t rgb;
};
// Paints the patches in order straight into the draw screen: device clears
// of the current render target on the hardware path, fills of the screen
// image on the software path; 0 / -1.
int PaintPatches(const PicturePatch *patches, int count);
// The picture the patches make on black.
void PatchesPicture(const PicturePatch *patches, int count, int width, int height,
                    Picture *out);

// Copies any BASEIMAGE (every plain format) into the picture; 0 / -1.
int CopyIntoPicture(const BASEIMAGE &source, Picture *out);
// Rectangle r of the current draw target (null: the whole screen), through
// LockDrawScreenBuffer and UnlockDrawScreenBuffer; 0 / -1.
int ReadDrawScreenPicture(const Rect *r, Picture *out);
// Rectangle r of the main window's client area (null: the screen size) as
// the screen's device context shows it; 0 / -1.
int ReadScreenDcPicture(const Rect *r, Picture *out);
// The same through the main window's own device context; 0 / -1.
int ReadWindowDcPicture(const Rect *r, Picture *out);

struct PictureTolerance {
  int channel;        // largest difference allowed in each of r, g, b
  int maxDiffering;   // pixels allowed past it
};

// Pixels with a channel differing by more than channel; -1 for pictures
// of different sizes. Writes nothing: for polling.
int CountDifferingPixels(const Picture &expected, const Picture &actual, int channel);
// Same size, and at most maxDiffering pixels with a channel differing by
// more than the tolerance; writes the three BMP files on failure.
testing::AssertionResult PicturesMatch(const Picture &expected, const Picture &actual,
                                       const PictureTolerance &tolerance, const char *name);

#endif  // VELVANE_TESTS_GRAPHICS_WINE_PICTURE_COMPARE_H
