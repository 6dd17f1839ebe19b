// Presentation of the drawn picture to the window, and the frame pacing
// that waits where the device's present did not.
#ifndef VELVANE_GRAPHICS_PRESENT_H
#define VELVANE_GRAPHICS_PRESENT_H

#include "graphics/device/gfx_device.h"
#include "velvane.h"

struct MEMIMG;

// Presents the dirty rectangle (window client coordinates; null = the whole
// picture). 0, or -1 when there is nothing to present to, the mapped
// rectangle is empty or the device fails.
int PresentScreenRect(const Rect *dirty);
// The whole picture; once per main-loop pass.
int PresentScreen(void);
// The whole picture again, for a redraw of the window (full screen first
// keeps the picture in the sub back buffer).
int PresentForRedraw(void);
// Waits until the next frame is due and records the time as the last
// present; 0.
int WaitForNextFrame(void);
// Makes the sub back buffer (a screen-size render target that keeps the
// picture across presents) the device's render target, holding a copy of
// the back buffer; 0 at once when it exists, -1 when it cannot be made.
int SwitchToSubBackBuffer(void);
// The picture rectangle a client-area rectangle shows, through the last
// presented source and destination rectangles; 0, or -1 when it is empty.
int MapDirtyRect(const Rect *dirty, Rect *picture);
// Where the whole picture goes in the client area: the screen size, times
// the window scale in window mode, below a toolbar when there is one.
Rect PresentDestination(void);
// Runs draw with the clip rectangle on the whole screen, blend mode 0 with
// parameter 0 and full brightness, then puts those four settings back, as
// the on-screen log is drawn over the picture; draw's result.
int DrawWithPlainSettings(int (*draw)(void));
// The last presented rectangles, picture and client units.
void SetLastPresentRects(const Rect *source, const Rect *dest);
// The bitmap header GDI takes for the screen image: top-down rows, its
// pixel size and its red, green and blue masks as bit fields.
GfxDibHeader MakeScreenDibHeader(const MEMIMG *image);

#endif  // VELVANE_GRAPHICS_PRESENT_H
