// Presentation of the drawn picture to the window, and the frame pacing
// that waits where the device's present did not.
#ifndef VELVANE_GRAPHICS_PRESENT_H
#define VELVANE_GRAPHICS_PRESENT_H

#include "velvane.h"

// Presents the dirty rectangle (window client coordinates; null = the whole
// picture). 0, or -1 when there is nothing to present to, the mapped
// rectangle is empty or the device fails.
int PresentScreenRect(const Rect *dirty);
// The whole picture; once per main-loop pass.
int PresentScreen(void);
// The whole picture again, for a redraw of the window.
int PresentForRedraw(void);
// Waits until the next frame is due and records the time as the last
// present; 0.
int WaitForNextFrame(void);
// The picture rectangle a client-area rectangle shows, through the last
// presented source and destination rectangles; 0, or -1 when it is empty.
int MapDirtyRect(const Rect *dirty, Rect *picture);
// Where the picture goes in the window: its size and top-left.
void PresentDestination(int *width, int *height);
// The last presented rectangles, picture and client units.
void SetLastPresentRects(const Rect *source, const Rect *dest);

#endif  // VELVANE_GRAPHICS_PRESENT_H
