#include "picture_compare.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "softrender/softrender.h"

namespace {

// The folder of the test program: the build folder, where failure pictures
// stay after the private working folder is gone.
std::string ProgramFolder(void) {
  char path[MAX_PATH];
  GetModuleFileNameA(NULL, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// The client rectangle asked for, or the whole screen size.
Rect ClientArea(const Rect *r) {
  return r ? *r : Rect{0, 0, GetScreenWidthSetting(), GetScreenHeightSetting()};
}

typedef int (*DcReader)(HWND window, const Rect &area, uint32_t *out);

int ReadThroughScreen(HWND window, const Rect &area, uint32_t *out) {
  POINT origin = {area.left, area.top};
  ClientToScreen(window, &origin);
  return ReadScreenDcPixels(origin.x, origin.y, area.right - area.left, area.bottom - area.top,
                            out);
}

int ReadThroughWindow(HWND window, const Rect &area, uint32_t *out) {
  return ReadWindowDcPixels(window, area.left, area.top, area.right - area.left,
                            area.bottom - area.top, out);
}

int ReadDcPicture(DcReader read, const Rect *r, Picture *out) {
  HWND window = static_cast<HWND>(GetWindowHandle());
  const Rect area = ClientArea(r);
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (!window || width <= 0 || height <= 0) return -1;
  std::vector<uint32_t> words(static_cast<size_t>(width) * height);
  if (read(window, area, words.data()) < 0) return -1;
  out->Resize(width, height);
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) out->Set(x, y, words[static_cast<size_t>(y) * width + x]);
  }
  return 0;
}

int Channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

int LargestChannelDifference(uint32_t a, uint32_t b) {
  int largest = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int d = abs(Channel(a, shift) - Channel(b, shift));
    if (d > largest) largest = d;
  }
  return largest;
}

// Counts the pixels of two same-size pictures that differ by more than
// channel; marks them white in diff and keeps the first one (both optional).
int MarkDifferences(const Picture &expected, const Picture &actual, int channel, Picture *diff,
                    POINT *first) {
  int differing = 0;
  for (int y = 0; y < expected.Height(); y++) {
    for (int x = 0; x < expected.Width(); x++) {
      if (LargestChannelDifference(expected.At(x, y), actual.At(x, y)) <= channel) continue;
      if (diff) diff->Set(x, y, 0xFFFFFF);
      if (first && differing == 0) *first = POINT{x, y};
      differing++;
    }
  }
  return differing;
}

void WriteFailurePictures(const Picture &expected, const Picture &actual, const Picture &diff,
                          const char *name) {
  const std::string stem = ProgramFolder() + name;
  expected.WriteBmp((stem + "_expected.bmp").c_str());
  actual.WriteBmp((stem + "_actual.bmp").c_str());
  diff.WriteBmp((stem + "_diff.bmp").c_str());
}

}  // namespace

int StartFrameworkInMode(const FrameworkMode &mode) {
  SetLogOutputFlag(mode.log);
  SetUseHardwareRendering(mode.hardware);
  SetScreenMode(mode.width, mode.height, mode.bits, 0);
  ChangeWindowMode(mode.windowed);
  SetRunWhileInactive(1);
  return InitFramework();
}

void EndFrameworkInMode(void) {
  EndFramework();
  SetUseHardwareRendering(1);
  ChangeWindowMode(1);
  StoreScreenMode(640, 480, 16, 0);
  SetEmulation320x240Flag(0);
  SetEmulation320x240(0);
  SetLogOutputFlag(1);
}

Picture::Picture(int width, int height) {
  memset(&image, 0, sizeof image);
  MakeXrgb32PixelFormat(&image.format);
  Resize(width, height);
}

void Picture::Resize(int width, int height) {
  pixels.assign(static_cast<size_t>(width) * height, 0xFF000000u);
  image.width = width;
  image.height = height;
  image.pitch = width * 4;
  image.pixels = pixels.data();
  image.mipCount = 0;
}

void Picture::Fill(const Rect &r, uint32_t rgb) {
  for (int y = r.top < 0 ? 0 : r.top; y < r.bottom && y < Height(); y++) {
    for (int x = r.left < 0 ? 0 : r.left; x < r.right && x < Width(); x++) Set(x, y, rgb);
  }
}

namespace {

// A BMP of rows top to bottom, each already padded to four bytes.
int WriteBmpFile(const char *path, int width, int height, int bitCount, const void *rows,
                 DWORD bytes) {
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  memset(&file, 0, sizeof file);
  memset(&info, 0, sizeof info);
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;  // rows top to bottom
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bitCount);
  info.biCompression = BI_RGB;
  info.biSizeImage = bytes;
  FILE *out = fopen(path, "wb");
  if (!out) return -1;
  bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1;
  if (bytes) written = written && fwrite(rows, bytes, 1, out) == 1;
  return fclose(out) == 0 && written ? 0 : -1;
}

}  // namespace

int Picture::WriteBmp(const char *path) const {
  return WriteBmpFile(path, Width(), Height(), 32, pixels.data(),
                      static_cast<DWORD>(pixels.size() * 4));
}

int Picture::WriteRgbBmp(const char *path) const {
  const size_t pitch = (static_cast<size_t>(Width()) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> rows(pitch * Height(), 0);
  for (int y = 0; y < Height(); y++) {
    for (int x = 0; x < Width(); x++) {
      const uint32_t v = At(x, y);
      uint8_t *p = rows.data() + y * pitch + x * 3;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
    }
  }
  return WriteBmpFile(path, Width(), Height(), 24, rows.data(), static_cast<DWORD>(rows.size()));
}

int PaintPatches(const PicturePatch *patches, int count) {
  GfxDevice *device = GetGfxDevice();
  const bool hardware = IsHardwareRenderingActive() != 0;
  MEMIMG *screen = GetSoftwareScreenImage();
  if (hardware ? !device : !screen) return -1;
  if (hardware) {
    FlushVertexBatch();
    EndDeviceScene();
  }
  for (int i = 0; i < count; i++) {
    const Rect &r = patches[i].area;
    const uint32_t rgb = patches[i].rgb;
    if (!hardware) {
      MemImgFillRect(screen, &r, PackDrawColor(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
      continue;
    }
    const GfxViewport area = {r.left, r.top, r.right - r.left, r.bottom - r.top, 0.0f, 1.0f};
    if (SetDeviceViewport(&area) < 0 || device->Clear(GFX_CLEAR_TARGET, 0xFF000000u | rgb, 1.0f) < 0) {
      return -1;
    }
  }
  if (hardware) SetDeviceViewportRect(0, 0, GetScreenWidthSetting(), GetScreenHeightSetting());
  return 0;
}

void PatchesPicture(const PicturePatch *patches, int count, int width, int height,
                    Picture *out) {
  out->Resize(width, height);
  for (int i = 0; i < count; i++) out->Fill(patches[i].area, patches[i].rgb);
}

int CopyIntoPicture(const BASEIMAGE &source, Picture *out) {
  if (source.width <= 0 || source.height <= 0 || !source.pixels) return -1;
  out->Resize(source.width, source.height);
  for (int y = 0; y < source.height; y++) {
    for (int x = 0; x < source.width; x++) {
      int r = 0, g = 0, b = 0, a = 0;
      if (ReadBaseImagePixel(&source, x, y, &r, &g, &b, &a) < 0) return -1;
      out->Set(x, y, static_cast<uint32_t>(r << 16 | g << 8 | b));
    }
  }
  return 0;
}

int ReadDrawScreenPicture(const Rect *r, Picture *out) {
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  const Rect area = r ? *r : Rect{0, 0, width, height};
  BASEIMAGE locked;
  if (LockDrawScreenBuffer(&area, &locked) < 0) return -1;
  const int result = CopyIntoPicture(locked, out);
  UnlockDrawScreenBuffer();
  return result;
}

int ReadScreenDcPicture(const Rect *r, Picture *out) {
  return ReadDcPicture(ReadThroughScreen, r, out);
}

int ReadWindowDcPicture(const Rect *r, Picture *out) {
  return ReadDcPicture(ReadThroughWindow, r, out);
}

int CountDifferingPixels(const Picture &expected, const Picture &actual, int channel) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) return -1;
  return MarkDifferences(expected, actual, channel, NULL, NULL);
}

testing::AssertionResult PicturesMatch(const Picture &expected, const Picture &actual,
                                       const PictureTolerance &tolerance, const char *name) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) {
    return testing::AssertionFailure()
           << name << ": size " << actual.Width() << "x" << actual.Height() << ", expected "
           << expected.Width() << "x" << expected.Height();
  }
  Picture diff(expected.Width(), expected.Height());
  POINT first = {-1, -1};
  const int differing = MarkDifferences(expected, actual, tolerance.channel, &diff, &first);
  if (differing <= tolerance.maxDiffering) return testing::AssertionSuccess();
  WriteFailurePictures(expected, actual, diff, name);
  char where[96];
  snprintf(where, sizeof where, "first at (%ld, %ld): %08X, expected %08X", first.x, first.y,
           static_cast<unsigned>(actual.At(first.x, first.y)),
           static_cast<unsigned>(expected.At(first.x, first.y)));
  return testing::AssertionFailure() << name << ": " << differing << " pixels differ (allowed "
                                     << tolerance.maxDiffering << "), " << where
                                     << "; pictures in " << ProgramFolder();
}

void SwitchOffThreeD(void) {
  char path[MAX_PATH];
  GetModuleFileNameA(NULL, path, sizeof path);
  std::string exe = path;
  exe = exe.substr(exe.find_last_of("\\/") + 1);
  const std::string key = "Software\\Wine\\AppDefaults\\" + exe + "\\Direct3D";
  HKEY handle;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, NULL, 0,
                                           KEY_SET_VALUE, NULL, &handle, NULL));
  const char value[] = "no3d";
  RegSetValueExA(handle, "renderer", 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                 sizeof value);
  RegCloseKey(handle);
}
