// Presentation of the drawn picture to the window.
#ifndef VELVANE_GRAPHICS_PRESENT_H
#define VELVANE_GRAPHICS_PRESENT_H

#include "velvane.h"

// Presents the dirty rectangle (window client coordinates; null = the whole
// picture). 0, or -1 when there is nothing to present to.
int PresentScreenRect(const Rect *dirty);
// The whole picture; once per main-loop pass.
int PresentScreen(void);
// The whole picture again, for a redraw of the window.
int PresentForRedraw(void);
// Waits until the next frame is due and records the time as the last
// present; 0.
int WaitForNextFrame(void);

#endif  // VELVANE_GRAPHICS_PRESENT_H
