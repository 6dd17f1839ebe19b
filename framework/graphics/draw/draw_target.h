// Where drawing goes: a graph made as a draw target, -2 the back buffer,
// -3 and -5 the same surface as -2, -4 the visible screen (kept up to date
// by a 32 ms timer that presents on every tick).
#ifndef VELVANE_GRAPHICS_DRAW_TARGET_H
#define VELVANE_GRAPHICS_DRAW_TARGET_H

#include "velvane.h"

enum {
  DRAW_TARGET_BACK = -2,
  DRAW_TARGET_FRONT = -4,
  DRAW_TARGET_TIMER_ID = 0x7FFF,
  DRAW_TARGET_TIMER_MS = 32
};

struct GfxSurface;
struct MEMIMG;

// 0, or -1 before graphics start-up, for a graph not made as a draw target
// and for a value that is neither a live graph nor -2 to -5.
int SetDrawTarget(int target);
// The current draw target.
int GetDrawTarget(void);
// Hardware: the surface the target stands for (a target graph's texture,
// else the sub back buffer or the back buffer); null when there is none.
GfxSurface *GetDrawTargetSurface(void);
// Software: the image drawing goes to (the target graph's view, else the
// screen image); null when there is none.
MEMIMG *GetSoftwareDrawTargetImage(void);
// Restricts drawing to the rectangle (right and bottom exclusive, put in
// order and clamped to the target); an empty one suppresses drawing. 0, or
// -1 when the draw target is no screen or graph or (hardware) there is no
// device.
int SetDrawClipRect(int x1, int y1, int x2, int y2);

// The clip and its last request, kept while one draw narrows the clip.
struct SavedDrawClip {
  Rect clip, request;
};
// Narrows the clip to its overlap with box; what RestoreDrawClip puts back.
SavedDrawClip NarrowDrawClip(const Rect &box);
// Puts back the clip and request NarrowDrawClip kept.
void RestoreDrawClip(const SavedDrawClip &saved);
// The same for draws that cut their quads to the clip themselves (every
// axis-parallel draw does): only the settings change, so the device keeps
// its viewport and scissor and the queued vertices stay queued.
SavedDrawClip NarrowCutDrawClip(const Rect &box);
void RestoreCutDrawClip(const SavedDrawClip &saved);
// One tick of the front-buffer timer: presents while the target is still
// -4 and arms the next tick; otherwise the timer stays off.
void DrawTargetTimerTick(void);
// Kills the timer; graphics shut-down calls it.
void StopDrawTargetTimer(void);

#endif  // VELVANE_GRAPHICS_DRAW_TARGET_H
