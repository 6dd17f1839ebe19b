#include "model/textures/builtin_textures.h"

#include <stdint.h>
#include <string.h>

#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/images/image_loaders.h"
#include "graphics/state/render_state_cache.h"
#include "velvane.h"

namespace {

enum { GRADIENT_WIDTH = 256, GRADIENT_HEIGHT = 8 };

struct BuiltinTextureState {
  int white = -1;
  int toonRamp = -1;
  int gradient = -1;
};
BuiltinTextureState g_builtin;

// The colour key is off while the built-in images become graphs and back
// as it was afterwards.
class ColourKeyOff {
 public:
  ColourKeyOff() : applied_(g_drawSettings.colorKeyNotApplied ? 0 : 1) { SetColorKeyEnabled(0); }
  ~ColourKeyOff() { SetColorKeyEnabled(applied_); }

 private:
  int applied_;
};

// Pixel (x, y) is grey x in every row.
int MakeGradientImage(BASEIMAGE *image) {
  memset(image, 0, sizeof(*image));
  if (CreateXrgb32BaseImage(GRADIENT_WIDTH, GRADIENT_HEIGHT, image) < 0) return -1;
  for (int y = 0; y < GRADIENT_HEIGHT; y++) {
    uint32_t *row = reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(image->pixels) +
                                                 static_cast<size_t>(y) * image->pitch);
    for (uint32_t x = 0; x < GRADIENT_WIDTH; x++) row[x] = 0xFF000000u | (x << 16) | (x << 8) | x;
  }
  return 0;
}

// Into a new graph (handle -1) or the given one; the handle, or -1.
int TransferGradient(int handle) {
  BASEIMAGE image;
  if (MakeGradientImage(&image) < 0) return -1;
  int result;
  {
    ColourKeyOff keyOff;
    if (handle == -1) {
      result = MakeGraphFromBaseImage(&image);
    } else {
      result = RemakeGraphFromBaseImage(&image, handle) < 0 ? -1 : handle;
    }
  }
  FreeBaseImage(&image);
  return result;
}

int LoadToonRamp(void) {
  ColourKeyOff keyOff;
  return LoadGraphFromMemory(kToonRampImageTga, TOON_RAMP_TGA_SIZE, NULL, 0, 1, 0);
}

}  // namespace

int GetWhiteModelTexture(void) {
  if (IsGraphHandleValid(g_builtin.white)) return g_builtin.white;
  // The white image must not lose a pixel to the user's colour key.
  const uint32_t key = g_drawSettings.colorKey;
  SetColorKey(255, 0, 255);
  g_builtin.white = LoadGraphFromMemory(kWhiteImageTga, WHITE_IMAGE_TGA_SIZE, NULL, 0, 1, 0);
  SetColorKey(static_cast<int>((key >> 16) & 0xFF), static_cast<int>((key >> 8) & 0xFF),
              static_cast<int>(key & 0xFF));
  BeginDeviceScene();
  return g_builtin.white;
}

int GetBuiltinModelTexture(int code) {
  int *handle = code == BUILTIN_TOON_RAMP ? &g_builtin.toonRamp
                : code == BUILTIN_GRADIENT ? &g_builtin.gradient
                                           : NULL;
  if (!handle) return -1;
  if (IsGraphHandleValid(*handle)) return *handle;
  *handle = code == BUILTIN_TOON_RAMP ? LoadToonRamp() : CreateModelGradientTexture();
  BeginDeviceScene();
  return *handle;
}

int CreateModelGradientTexture(void) { return TransferGradient(-1); }

int RefillModelGradientTexture(int handle) {
  TransferGradient(handle);
  return handle;
}

void ReloadBuiltinModelTextures(void) {
  ColourKeyOff keyOff;
  if (IsGraphHandleValid(g_builtin.white)) {
    ReloadGraphFromMemory(kWhiteImageTga, WHITE_IMAGE_TGA_SIZE, g_builtin.white, NULL, 0, 1, 0);
  }
  if (IsGraphHandleValid(g_builtin.toonRamp)) {
    ReloadGraphFromMemory(kToonRampImageTga, TOON_RAMP_TGA_SIZE, g_builtin.toonRamp, NULL, 0, 1, 0);
  }
  if (IsGraphHandleValid(g_builtin.gradient)) RefillModelGradientTexture(g_builtin.gradient);
}

void DeleteBuiltinModelTextures(void) {
  int *handles[] = {&g_builtin.white, &g_builtin.toonRamp, &g_builtin.gradient};
  for (int *handle : handles) {
    if (IsGraphHandleValid(*handle)) DeleteGraphHandle(*handle);
    *handle = -1;
  }
}
