#include "graphics/device/gfx_device.h"

#include <stddef.h>

namespace {

struct InstalledGfx {
  GfxDevice *device;
  FrameClock *clock;
  int deviceSet;
  int clockSet;
};

InstalledGfx g_installed;

struct FormatName {
  int format;
  const char *name;
};

// "V_" marks the formats whose names the log prints with it.
const FormatName kFormatNames[] = {
    {GFX_FMT_A8R8G8B8, "V_D3DFMT_A8R8G8B8"}, {GFX_FMT_X8R8G8B8, "D3DFMT_X8R8G8B8"},
    {GFX_FMT_R5G6B5, "D3DFMT_R5G6B5"},       {GFX_FMT_X1R5G5B5, "D3DFMT_X1R5G5B5"},
    {GFX_FMT_A1R5G5B5, "D3DFMT_A1R5G5B5"},   {GFX_FMT_A4R4G4B4, "D3DFMT_A4R4G4B4"},
    {GFX_FMT_D32, "D3DFMT_D32"},             {GFX_FMT_D24X8, "D3DFMT_D24X8"},
    {GFX_FMT_D16, "D3DFMT_D16"},             {GFX_FMT_DXT1, "V_D3DFMT_DXT1"},
    {GFX_FMT_DXT2, "V_D3DFMT_DXT2"},         {GFX_FMT_DXT3, "V_D3DFMT_DXT3"},
    {GFX_FMT_DXT4, "V_D3DFMT_DXT4"},         {GFX_FMT_DXT5, "V_D3DFMT_DXT5"},
};

}  // namespace

const int kGfxCapsFormats[GFX_CAPS_FORMAT_COUNT] = {
    GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5, GFX_FMT_X8R8G8B8, GFX_FMT_A4R4G4B4,
    GFX_FMT_A8R8G8B8, GFX_FMT_A1R5G5B5, GFX_FMT_DXT1,   GFX_FMT_DXT2,
    GFX_FMT_DXT3,   GFX_FMT_DXT4,     GFX_FMT_DXT5};

const int kGfxCapsDepthFormats[GFX_CAPS_DEPTH_COUNT] = {GFX_FMT_D16, GFX_FMT_D24X8,
                                                       GFX_FMT_D32};

GfxTestSwitches g_gfxTestSwitches = {NULL, 0, -1};

int GfxCapsFormatIndex(int format) {
  for (int i = 0; i < GFX_CAPS_FORMAT_COUNT; i++) {
    if (kGfxCapsFormats[i] == format) return i;
  }
  return -1;
}

int GfxCapsSupports(const GfxCaps *caps, int format, int renderTarget) {
  const int index = GfxCapsFormatIndex(format);
  if (index < 0) return 0;
  return renderTarget ? caps->renderTarget[index] : caps->texture[index];
}

int GfxCapsSupportsDepth(const GfxCaps *caps, int depthFormat) {
  for (int i = 0; i < GFX_CAPS_DEPTH_COUNT; i++) {
    if (kGfxCapsDepthFormats[i] == depthFormat) return caps->depth[i];
  }
  return 0;
}

GfxDevice *GetGfxDevice(void) {
  return g_installed.deviceSet ? g_installed.device : PlatformGfxDevice();
}

void SetGfxDevice(GfxDevice *device) {
  g_installed.device = device;
  g_installed.deviceSet = device != NULL;
}

FrameClock *GetFrameClock(void) {
  return g_installed.clockSet ? g_installed.clock : PlatformFrameClock();
}

void SetFrameClock(FrameClock *clock) {
  g_installed.clock = clock;
  g_installed.clockSet = clock != NULL;
}

const char *GfxFormatLogName(int format) {
  for (const FormatName &entry : kFormatNames) {
    if (entry.format == format) return entry.name;
  }
  return "UNKNOWN";
}
