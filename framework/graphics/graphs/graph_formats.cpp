#include "graphics/graphs/graph_formats.h"

#include <stddef.h>
#include <stdint.h>

namespace {

struct FormatMasks {
  int format;
  int bits;
  uint32_t red, green, blue, alpha;
};

const FormatMasks kFormats[] = {
    {20, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},                       // R8G8B8
    {21, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000u},             // A8R8G8B8
    {22, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},                       // X8R8G8B8
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},                             // R5G6B5
    {24, 16, 0x7C00, 0x03E0, 0x001F, 0},                             // X1R5G5B5
    {25, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},                        // A1R5G5B5
    {26, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},                        // A4R4G4B4
    {27, 8, 0xE0, 0x1C, 0x03, 0},                                    // R3G3B2
    {29, 16, 0x00E0, 0x001C, 0x0003, 0xFF00},                        // A8R3G3B2
    {30, 16, 0x0F00, 0x00F0, 0x000F, 0},                             // X4R4G4B4
    {31, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000u},       // A2B10G10R10
    {32, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000u},       // A8B8G8R8
    {33, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0},                 // X8B8G8R8
    {35, 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000u},       // A2R10G10B10
};

enum { FORMAT_COUNT = sizeof kFormats / sizeof kFormats[0] };

struct FormatTable {
  int built;
  PixelFormat formats[FORMAT_COUNT];
};

FormatTable g_formats;

}  // namespace

const PixelFormat *GetD3DFormatPixelFormat(int format) {
  if (!g_formats.built) {
    for (int i = 0; i < FORMAT_COUNT; i++) {
      const FormatMasks &m = kFormats[i];
      MakePixelFormatFromMasks(&g_formats.formats[i], m.bits, m.red, m.green, m.blue, m.alpha);
    }
    g_formats.built = 1;
  }
  for (int i = 0; i < FORMAT_COUNT; i++) {
    if (kFormats[i].format == format) return &g_formats.formats[i];
  }
  return NULL;
}
