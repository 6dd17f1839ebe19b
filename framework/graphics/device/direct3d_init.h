// The hardware path's start-up: the Direct3D library, DirectDraw, the
// Direct3D object and device with its formats, the depth buffer, and the
// display-mode change; the software screen when the hardware path is out.
#ifndef VELVANE_GRAPHICS_DIRECT3D_INIT_H
#define VELVANE_GRAPHICS_DIRECT3D_INIT_H

#include <stdint.h>

struct MEMIMG;

// The whole start-up: 0 also when only the software path runs (the hardware
// flag says which); -1 without the library or DirectDraw, or when the
// software path's display change fails.
int InitDirect3D(void);
// The same start when only the hardware path will do (a device rebuild on
// it): -1 as soon as no device can be made, with no software-path display
// change.
int InitDirect3DHardwareOnly(void);
int CreateDirectDrawObject(void);
int CreateDirect3DObject(void);
int CreateDirect3DDevice(void);
int CreateDepthBuffer(void);
int CreateSubBackBuffer(void);
// The display set to width x height x bits (16 or 32) for full screen; 0/-1.
int ChangeDisplayMode(int width, int height, int bits);
// Times the vertical blank into the Direct3D record (-1 unknown); 0.
int MeasureVerticalBlankPeriod(void);
// Releases the depth buffer, surfaces, device and Direct3D object; DirectDraw
// and the library stay.
void ReleaseHardwareObjects(void);
// Tears everything down, restoring the desktop mode where needed; 0.
int TerminateDirect3D(void);

// The back-buffer-lock decision from the two measured times (-1 = that path
// failed): 1 to read the back buffer by locking it. Logs the outcome.
int DecideBackBufferLock(int lockTime, int copyTime);
// Runs the three measuring rounds and stores the decision.
void TestBackBufferLock(void);

// The colour of the same hue and saturation whose largest channel is 255.
void ConvertToFullBrightness(int r, int g, int b, unsigned char *rOut, unsigned char *gOut,
                             unsigned char *bOut);
// The 128^3 lookup volume of ConvertToFullBrightness; 0 / -1.
int CreateFullBrightnessVolumeTexture(void);

// The software path's screen and work images; the screen is filled with the
// background colour. A screen that cannot be made ends the process.
int CreateSoftwareScreen(void);
void ReleaseSoftwareScreen(void);
// The screen image, null while none exists.
MEMIMG *GetSoftwareScreenImage(void);
// The work image of the screen's size: with an alpha byte (1) or without.
MEMIMG *GetSoftwareWorkImage(int alpha);

#endif  // VELVANE_GRAPHICS_DIRECT3D_INIT_H
