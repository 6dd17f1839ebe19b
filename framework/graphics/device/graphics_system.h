// The graphics system's lifecycle as the system core drives it: start-up
// inside the framework's start-up, shut-down, screen-mode rebuilds, device
// restore after a loss, and the graph reloader used after a rebuild.
#ifndef VELVANE_GRAPHICS_GRAPHICS_SYSTEM_H
#define VELVANE_GRAPHICS_GRAPHICS_SYSTEM_H

#include "graphics/draw/draw_settings.h"

// A screen-mode change; -1 in width, height, colorBits or refreshRate keeps
// the current value. force 1 rebuilds even when nothing changed.
struct ScreenModeRequest {
  int width;
  int height;
  int colorBits;
  int force;
  int refreshRate;
};

// 0, or -1 when neither Direct3D nor the software screen can be made.
int StartGraphicsSystem(void);
// 0 (also when not started).
int EndGraphicsSystem(void);
// 1 between StartGraphicsSystem and EndGraphicsSystem.
int IsGraphicsStarted(void);
// The DirectDraw object of the display, null when there is none.
void *GetDirectDrawObject(void);
// Ends and restarts graphics in the requested mode, falling back to the
// previous mode and then 640 x 480 x 16; 0 (the last failure ends the
// process).
int ApplyScreenMode(ScreenModeRequest mode);
// Rebuilds the device and every graphics resource after a loss: 0, or -1
// when the hardware path got no device back (graphics then stay lost and
// the next call tries again).
int RestoreGraphicsDevice(void);
// The rebuild behind it: change 1 also stores a new width, height, colour
// depth and refresh rate; change 0 restarts input and puts the user's
// transforms and clip rectangle back. 0 / -1 as above.
int RebuildGraphics(int change, int width, int height, int bits, int refresh);
// Rebuilds run so far (the process's, whichever path).
int GetGraphicsRebuildCount(void);
// 1 while the hardware path runs without a device (a rebuild got none):
// every Direct3D entry point then refuses.
int IsGraphicsDeviceLost(void);
// Every device resource released: graph textures, buffers, shaders; 0.
int ReleaseDeviceResources(void);
// The same made again on a new device, cleared (pictures come back through
// the reload); 0.
int RecreateDeviceResources(void);
// Every cached draw state, the world, view and projection re-sent to the
// device under the cache's force flag; 0, or -1 without a device.
int ReapplyDrawStates(void);
// Ends an open scene and presents the whole back buffer as a device test:
// 0 when the device works (or there is none), -1 when it was lost.
int TestDeviceWithPresent(void);
// Installs the graph reloader; null installs the built-in one. 0.
int SetGraphReloadCallback(GraphReloadCallback reload);
// 1 once a reloader (the built-in one included) is installed, else 0.
int HasGraphReloadCallback(void);
// The reloader, then the model textures and the fonts; 0.
int ReloadGraphicsResources(void);

#endif  // VELVANE_GRAPHICS_GRAPHICS_SYSTEM_H
