// Graphics started on the recording fake with graph-friendly choices: a
// 32-bit screen of 640 x 480, a chosen maximum texture size, square-only or
// not, the Ex device (which keeps a system-memory copy of every texture) or
// not; helpers read graph texels back from the fake's texture memory.
#ifndef VELVANE_TESTS_GRAPH_FIXTURE_H
#define VELVANE_TESTS_GRAPH_FIXTURE_H

#include <string.h>

#include <vector>

#include "graphics/device/gfx_fixture.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"

class GraphFixture : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    Start(4096, 0, 1, 32);
  }
  void TearDown() override {
    DeleteAllGraphHandles();
    SetGraphSingleTexture(0);
    SetDrawTargetGraphAlpha(0);
    SetNewGraphMipmapLevels(0, 0);
    g_gfxTestSwitches.capsOverride = nullptr;
    GfxFixture::TearDown();
  }
  // An empty graph made as a draw target.
  int DrawTargetGraph(int w, int h) {
    g_drawSettings.makeDrawTargetGraphs = 1;
    const int handle = CreateEmptyGraph(w, h);
    g_drawSettings.makeDrawTargetGraphs = 0;
    return handle;
  }
  // Restarts graphics: hardware (maxTexture > 0) or software (0).
  void Start(int maxTexture, int squareOnly, int ex, int bits) {
    DeleteAllGraphHandles();
    EndGraphicsSystem();
    StoreScreenMode(640, 480, bits, 0);
    caps = FullGfxCaps();
    caps.maxTextureWidth = caps.maxTextureHeight = maxTexture;
    caps.textureSquareOnly = squareOnly;
    g_gfxTestSwitches.capsOverride = &caps;
    device.hasCreate9Ex = ex;
    // A window takes the desktop's depth.
    device.adapterFormat = bits == 16 ? GFX_FMT_R5G6B5 : GFX_FMT_X8R8G8B8;
    SetUseHardwareRendering(maxTexture > 0 ? 1 : 0);
    ASSERT_EQ(0, StartGraphicsSystem());
    SetColorKey(255, 0, 255);
    g_drawSettings.newGraphAlphaTest = 0;
    device.calls.clear();
  }
  // The fake texture behind a graph's entry (the video texture).
  FakeGfxObject *Texture(const GraphTextureEntry &entry) { return device.Object(entry.videoTexture); }
  // The 32-bit texel of a graph at (x, y) of its rectangle, through its
  // shared image's entries; level 0.
  uint32_t Texel(int handle, int x, int y, int level = 0) {
    const GraphRecord *graph = GetGraphRecord(handle);
    const SharedGraphImage *image = graph->image;
    const int ix = (graph->x + x) >> level, iy = (graph->y + y) >> level;
    for (int i = 0; i < image->entryCount; i++) {
      const GraphTextureEntry &e = image->entries[i];
      const int ex = e.x >> level, ey = e.y >> level;
      if (ix < ex || iy < ey || ix >= ex + (e.usedWidth + (1 << level) - 1) / (1 << level) ||
          iy >= ey + (e.usedHeight + (1 << level) - 1) / (1 << level)) {
        continue;
      }
      return TextureTexel(e, ix - ex, iy - ey, level);
    }
    ADD_FAILURE() << "no entry holds " << x << "," << y;
    return 0;
  }
  uint32_t TextureTexel(const GraphTextureEntry &e, int x, int y, int level = 0) {
    FakeGfxObject *texture = Texture(e);
    std::vector<uint8_t> &bytes = texture->Level(level);
    const int pitch = texture->LevelPitch(level);
    const int size = pitch / (e.textureWidth >> level);
    uint32_t value = 0;
    memcpy(&value, bytes.data() + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * size,
           static_cast<size_t>(size));
    return value;
  }

  GfxCaps caps;
};

// A w x h 32-bit image (XRGB, or ARGB with alpha) whose pixel (x, y) is
// colour(x, y).
template <typename F>
BASEIMAGE MakeImage(int w, int h, bool alpha, F colour) {
  BASEIMAGE image;
  memset(&image, 0, sizeof image);
  if (alpha) {
    CreateArgb32BaseImage(w, h, &image);
  } else {
    CreateXrgb32BaseImage(w, h, &image);
  }
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      const uint32_t v = colour(x, y);
      memcpy(static_cast<uint8_t *>(image.pixels) + y * image.pitch + x * 4, &v, 4);
    }
  }
  return image;
}

// A colour every pixel of an image gets differently.
inline uint32_t Pattern(int x, int y) {
  return 0xFF000000u | (static_cast<uint32_t>(x * 7 & 0xFF) << 16) |
         (static_cast<uint32_t>(y * 13 & 0xFF) << 8) | static_cast<uint32_t>((x + y) & 0xFF);
}

#endif  // VELVANE_TESTS_GRAPH_FIXTURE_H
