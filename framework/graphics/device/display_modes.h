// The primary display's modes with more than 15 bits per pixel, listed in
// the order the system enumerates them; built on first use.
#ifndef VELVANE_GRAPHICS_DISPLAY_MODES_H
#define VELVANE_GRAPHICS_DISPLAY_MODES_H

struct DisplayModeEntry {
  int width;
  int height;
  int colorBits;
  int refreshRate;
};

// Number of listed modes.
int GetDisplayModeCount(void);
// Copies entry index into out (all four -1 when out of range); returns out.
DisplayModeEntry *GetDisplayModeEntry(DisplayModeEntry *out, int index);
// 1 when a mode has exactly that width, height and colour depth.
int IsDisplayModeAvailable(int width, int height, int colorBits);
// 1 when a mode has that width and height at any depth.
int HasDisplayModeOfSize(int width, int height);
// Frees the list; the next query builds it again.
void FreeDisplayModeList(void);

#endif  // VELVANE_GRAPHICS_DISPLAY_MODES_H
