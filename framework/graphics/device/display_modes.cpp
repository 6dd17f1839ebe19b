#include "graphics/device/display_modes.h"

#include "core/base/platform.h"

namespace {

struct DisplayModeList {
  DisplayModeEntry *entries;
  int count;
  int built;
};

DisplayModeList g_modes;

const int kMinimumBits = 16;

int CountUsableModes(void) {
  int count = 0;
  DisplayModeEntry mode;
  for (int i = 0; PlatformEnumDisplayMode(i, &mode.width, &mode.height, &mode.colorBits,
                                          &mode.refreshRate);
       i++) {
    if (mode.colorBits >= kMinimumBits) count++;
  }
  return count;
}

void BuildList(void) {
  if (g_modes.built) return;
  g_modes.built = 1;
  const int capacity = CountUsableModes();
  if (capacity == 0) return;
  // The list lives outside the framework's blocks: it is a cache of the
  // system's answer, freed with the device, not an object of the program.
  g_modes.entries = static_cast<DisplayModeEntry *>(
      PlatformHeapAlloc(sizeof(DisplayModeEntry) * static_cast<size_t>(capacity)));
  if (!g_modes.entries) return;
  DisplayModeEntry mode;
  for (int i = 0; g_modes.count < capacity &&
                  PlatformEnumDisplayMode(i, &mode.width, &mode.height, &mode.colorBits,
                                          &mode.refreshRate);
       i++) {
    if (mode.colorBits >= kMinimumBits) g_modes.entries[g_modes.count++] = mode;
  }
}

}  // namespace

int GetDisplayModeCount(void) {
  BuildList();
  return g_modes.count;
}

DisplayModeEntry *GetDisplayModeEntry(DisplayModeEntry *out, int index) {
  BuildList();
  if (index < 0 || index >= g_modes.count) {
    out->width = out->height = out->colorBits = out->refreshRate = -1;
  } else {
    *out = g_modes.entries[index];
  }
  return out;
}

int IsDisplayModeAvailable(int width, int height, int colorBits) {
  BuildList();
  for (int i = 0; i < g_modes.count; i++) {
    const DisplayModeEntry &mode = g_modes.entries[i];
    if (mode.width == width && mode.height == height && mode.colorBits == colorBits) return 1;
  }
  return 0;
}

int HasDisplayModeOfSize(int width, int height) {
  BuildList();
  for (int i = 0; i < g_modes.count; i++) {
    if (g_modes.entries[i].width == width && g_modes.entries[i].height == height) return 1;
  }
  return 0;
}

void FreeDisplayModeList(void) {
  if (g_modes.entries) PlatformHeapFree(g_modes.entries);
  g_modes.entries = nullptr;
  g_modes.count = 0;
  g_modes.built = 0;
}
