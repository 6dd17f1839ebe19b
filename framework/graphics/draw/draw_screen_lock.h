// Direct access to the draw target's pixels: a BASEIMAGE view of one
// rectangle, read from the back buffer on the hardware path.
#ifndef VELVANE_GRAPHICS_DRAW_SCREEN_LOCK_H
#define VELVANE_GRAPHICS_DRAW_SCREEN_LOCK_H

#include "velvane.h"

// A view of rectangle r (non-empty, inside the draw target) in out; 0, or
// -1 with nothing locked (also while a lock is held).
int LockDrawScreenBuffer(const Rect *r, BASEIMAGE *out);
// Ends the lock; 0.
int UnlockDrawScreenBuffer(void);

#endif  // VELVANE_GRAPHICS_DRAW_SCREEN_LOCK_H
