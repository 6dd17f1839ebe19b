// The one block of everything that shapes the next draw call. The software
// blit kernels read the blend mode and parameter, the draw brightness, the
// clip rectangle and the blend-mask image from it directly at the start of
// every call; the setters that keep it consistent belong to the graphics
// module's drawing code.
#ifndef VELVANE_GRAPHICS_DRAW_SETTINGS_H
#define VELVANE_GRAPHICS_DRAW_SETTINGS_H

#include <stdint.h>

#include "velvane.h"

struct MEMIMG;

enum {
  DRAW_TEXTURE_STAGES = 8,
  DRAW_BRIGHTNESS_WHITE = 0x00FFFFFF,  // the brightness word that scales nothing
  DRAW_BLEND_MODE_COUNT = 13           // modes 0 to 12 can be set
};

enum DrawBlendMode {
  DRAW_BLEND_NONE = 0,
  DRAW_BLEND_ALPHA = 1,
  DRAW_BLEND_ADD = 2,
  DRAW_BLEND_SUB = 3,
  DRAW_BLEND_MUL = 4,
  DRAW_BLEND_INVERT = 10,
  DRAW_BLEND_MUL_BLEND = 11
};

// Reloads every graph's pixels after the device was rebuilt; 0.
typedef int (*GraphReloadCallback)(void);

struct DrawSettings {
  // Draw target and clip rectangle (right and bottom exclusive, always inside
  // the target); the float copy feeds the hardware viewport.
  int drawTarget;
  Rect clipRect;
  float clipRectF[4];
  int drawSuppressed;  // 1 while the clip rectangle is empty

  int blendMode;   // 0..12
  int blendParam;  // 0..255
  // 0x00RRGGBB: blue in byte 0, green in byte 1, red in byte 2; the top byte
  // is ignored. DRAW_BRIGHTNESS_WHITE means no scaling.
  uint32_t drawBrightness;

  // Blend graph: the handle (-1 none) with its border values, and in
  // software mode the image the kernels take as their blend-mask image.
  int blendGraph;
  int blendBorderParam;  // 0..255
  int blendBorderRange;  // 0..255
  const MEMIMG *blendMaskImage;

  int filterMode;  // 0 nearest point, 1 bilinear, 2 anisotropic
  int anisotropy;
  int textureAddressU[DRAW_TEXTURE_STAGES];
  int textureAddressV[DRAW_TEXTURE_STAGES];
  int textureAddressW[DRAW_TEXTURE_STAGES];
  float depth2D;  // Z written into 2-D vertices

  int depthTest3D;
  int depthWrite3D;
  int zFunction2D;
  int zFunction3D;
  int fillMode;

  // Settings used when graphs are created.
  int newGraphColorBits;  // 0 = the screen's
  int makeDrawTargetGraphs;
  int newGraphAlphaTest;
  int newGraphPalette;
  int keepSystemMemoryCopy;
  int movieGraphFlag;

  uint32_t colorKey;       // 0x00RRGGBB
  int colorKeyNotApplied;  // stored inverted: 0 = apply the key on transfer

  int vsyncWaitOff;      // stored inverted: 0 = wait for the vertical blank
  int vsyncWaitRequest;  // the value asked for before initialisation
  int emulate320x240;
  GraphReloadCallback graphReload;  // never null once graphics started
  int resetting;

  int fogMode;
  uint32_t fogColor;  // 0x00RRGGBB
  float fogStart;
  float fogEnd;

  // World, camera, projection and the combined matrices.
  Matrix4x4 worldMatrix;
  Matrix4x4 viewMatrix;
  Matrix4x4 projectionMatrix;
  Matrix4x4 viewportMatrix;
  Matrix4x4 viewportInverse;
  Matrix4x4 viewProjectionViewport;
  Matrix4x4 worldToScreen;
  int combinedMatricesValid;
  Matrix4x4 cameraRotation;
  Vector3 cameraPosition;
  Vector3 cameraTarget;
  Vector3 cameraUp;
  float cameraVerticalRotation;
  float cameraHorizontalRotation;
  float cameraTwist;
  float projectionCenterX;
  float projectionCenterY;
  float viewportScale;
  int projectionKind;  // 0 perspective, 1 orthographic, 2 given matrix
  float fieldOfView;
  float orthographicSize;
  float cameraNear;
  float cameraFar;
  float aspectScale;

  ColorF materialDiffuse;
  ColorF materialSpecular;
  ColorF materialAmbient;
  ColorF materialEmissive;
  float materialPower;

  int lightingDisabled;  // stored inverted: 0 = lighting on
  int lightsChanged;
  int resendAllLights;
  int defaultLight;  // the default light's handle
  void *lightArea;   // the light handles' table; kept across resets

  int fogEnable;
  int specularOff;  // 1 keeps specular off even where a draw allows it
  // The texture transform 2-D drawing puts back after a caller's own.
  Matrix4x4 textureTransform;
  int textureTransformUse;

  Matrix4x4 projectionAdjust;  // between the projection and the device
  int maskWasOn;               // the mask-use setting kept by a reset
  int drawTargetWidth, drawTargetHeight;
  Rect clipRequest;  // the clip rectangle as last asked, re-applied after a rebuild
};

// The one instance; starts with the defaults of SetDrawSettingsDefaults.
extern DrawSettings g_drawSettings;

// Fills every value-only default (no device, window or handle work): blend
// mode 0, white brightness, no blend graph, nearest filtering, clamped
// texture addressing, camera, material and fog values. Keeps the fields
// that survive a reset: the vertical-blank values, the 320 x 240 request,
// the reload function, the reset flag and the light area. The clip
// rectangle, draw target and default light are left to the caller, which
// knows the target.
void SetDrawSettingsDefaults(DrawSettings *settings);
// The draw settings to their defaults at graphics start-up, draw target
// the visible screen; 0.
int ResetDrawSettings(void);

// Brightness channels of a 0x00RRGGBB word.
static inline int DrawBrightnessRed(uint32_t word) { return (int)((word >> 16) & 0xFF); }
static inline int DrawBrightnessGreen(uint32_t word) { return (int)((word >> 8) & 0xFF); }
static inline int DrawBrightnessBlue(uint32_t word) { return (int)(word & 0xFF); }
static inline int DrawBrightnessIsWhite(uint32_t word) {
  return (word & DRAW_BRIGHTNESS_WHITE) == DRAW_BRIGHTNESS_WHITE;
}

// The part two rectangles share; none shared gives a rectangle of no size.
static inline Rect IntersectRects(const Rect &a, const Rect &b) {
  Rect r = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
            a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

#endif  // VELVANE_GRAPHICS_DRAW_SETTINGS_H
