#include <windows.h>

#include <string.h>

#include "graphics/device/screen_readback.h"

namespace {

// window null: the whole display.
int ReadDcPixels(HWND window, int x, int y, int width, int height, uint32_t *out) {
  if (!out || width <= 0 || height <= 0) return -1;
  BITMAPINFO info;
  memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = NULL;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  int result = -1;
  if (memory && bitmap && bits) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY)) {
      GdiFlush();
      const uint32_t *pixels = static_cast<const uint32_t *>(bits);
      for (int i = 0; i < width * height; i++) out[i] = 0xFF000000u | pixels[i];
      result = 0;
    }
    SelectObject(memory, previous);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(window, screen);
  return result;
}

}  // namespace

int ReadScreenDcPixels(int x, int y, int width, int height, uint32_t *out) {
  return ReadDcPixels(NULL, x, y, width, height, out);
}

int ReadWindowDcPixels(void *window, int x, int y, int width, int height, uint32_t *out) {
  if (!window) return -1;
  return ReadDcPixels(static_cast<HWND>(window), x, y, width, height, out);
}
