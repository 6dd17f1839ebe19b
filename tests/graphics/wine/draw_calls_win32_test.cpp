// The draw calls on the real device and on the software renderer: one
// table of scenes, each drawn on both paths over the same backdrop and read
// back from the draw screen before presenting. Unblended axis-aligned
// scenes equal a picture built here; blended ones lie within the blend
// arithmetic's rounding; turned ones within a tolerance; and every scene
// drawn by Direct3D matches the software renderer's. Draws through a blend
// graph exist on the device only and are checked against their picture.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "graphics/device/gfx_device.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/vertex_batch.h"
#include "picture_compare.h"
#include "softrender/softrender.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const uint32_t kKey = 0xFF00FF;
const uint32_t kBackdrop = 0x406080;

// The screen depth of this run: 32 unless the environment asks for 16.
int ScreenBits() {
  const char *bits = getenv("VELVANE_DRAW_BITS");
  return bits && atoi(bits) == 16 ? 16 : 32;
}

uint32_t Pack565(uint32_t rgb) {
  return ((rgb >> 8) & 0xF800) | ((rgb >> 5) & 0x07E0) | ((rgb >> 3) & 0x001F);
}

// 0xRRGGBB as the screen stores it and the draw-screen read gives it back.
uint32_t AtDepth(uint32_t rgb) {
  if (ScreenBits() == 32) return rgb & 0xFFFFFF;
  uint16_t packed = static_cast<uint16_t>(Pack565(rgb));
  BASEIMAGE one;
  memset(&one, 0, sizeof one);
  one.format = *MemImgGetPixelFormat(0, 0, 0);
  one.width = one.height = 1;
  one.pitch = 2;
  one.pixels = &packed;
  int r = 0, g = 0, b = 0, a = 0;
  ReadBaseImagePixel(&one, 0, 0, &r, &g, &b, &a);
  return static_cast<uint32_t>(r << 16 | g << 8 | b);
}

// A picture of w x h 0xRRGGBB values, keyed pixels kKey.
struct Sprite {
  int width, height;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Asymmetric, every pixel distinct, a few keyed ones.
Sprite MakeSprite(int w, int h) {
  Sprite s = {w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      const uint32_t r = 40 + x * 12 % 200, g = 30 + y * 13 % 210, b = 20 + (x * 5 + y * 9) % 230;
      s.rgb[static_cast<size_t>(y) * w + x] = AtDepth(r << 16 | g << 8 | b);
    }
  }
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      if ((x + 2 * y) % 7 == 0 && x > 1) s.rgb[static_cast<size_t>(y) * w + x] = kKey;
    }
  }
  return s;
}

Sprite SolidSprite(int w, int h, uint32_t rgb) {
  return Sprite{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, AtDepth(rgb))};
}

// 2 x 2 blocks of one colour each.
Sprite BlockSprite(int w, int h) {
  Sprite s = MakeSprite(w, h);
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      const uint32_t v = s.At(x & ~1, y & ~1);
      s.rgb[static_cast<size_t>(y) * w + x] = v == kKey ? AtDepth(0x808080) : v;
    }
  }
  return s;
}

int TextureSide(int n) {
  int side = 8;
  while (side < n) side *= 2;
  return side;
}

// A graph made here from a sprite: on the device one piece per column
// range, each on a texture of its own with the key at alpha 0; in software
// a MEMIMG view with the key as its colour key.
class TestGraph {
 public:
  TestGraph(const Sprite &sprite, std::vector<int> columns) {
    handle = AddGraphHandle();
    GraphRecord *r = GetGraphRecord(handle);
    image_.referenceCount = 1000;
    r->image = &image_;
    r->width = sprite.width;
    r->height = sprite.height;
    if (IsHardwareRenderingActive()) {
      MakeTextures(sprite, columns, r);
    } else {
      MakeImage(sprite, r);
    }
  }
  ~TestGraph() {
    GraphRecord *r = GetGraphRecord(handle);
    GfxDevice *device = GetGfxDevice();
    for (GraphTextureEntry &e : entries_) {
      if (e.videoTexture && device) device->ReleaseTexture(e.videoTexture);
    }
    MemImgRelease(&r->memImage);
    r->image = nullptr;
    r->pieces = nullptr;
    r->pieceCount = 0;
    DeleteGraphHandle(handle);
  }
  int handle = -1;

 private:
  void MakeTextures(const Sprite &s, const std::vector<int> &columns, GraphRecord *r) {
    GfxDevice *device = GetGfxDevice();
    image_.hardware = 1;
    image_.alphaTest = 1;
    entries_.resize(columns.size());
    pieces_.resize(columns.size());
    int x0 = 0;
    for (size_t i = 0; i < columns.size(); i++) {
      const int w = columns[i], tw = TextureSide(w), th = TextureSide(s.height);
      GraphTextureEntry &e = entries_[i];
      e = GraphTextureEntry{};
      ASSERT_EQ(0, device->CreateTexture(tw, th, GFX_FMT_A8R8G8B8, &e.videoTexture));
      GfxLocked locked;
      ASSERT_EQ(0, device->LockTexture(e.videoTexture, &locked));
      for (int y = 0; y < th; y++) {
        uint32_t *row = reinterpret_cast<uint32_t *>(locked.bits + y * locked.pitch);
        for (int x = 0; x < tw; x++) {
          // The edge texel repeats past the used part, as a transfer leaves it.
          const uint32_t v = s.At(x0 + (x < w ? x : w - 1), y < s.height ? y : s.height - 1);
          row[x] = v == kKey ? v : (0xFF000000u | v);
        }
      }
      device->UnlockTexture(e.videoTexture);
      e.x = x0;
      e.usedWidth = w;
      e.usedHeight = s.height;
      e.textureWidth = tw;
      e.textureHeight = th;
      GraphPiece &p = pieces_[i];
      p = GraphPiece{};
      p.destX = x0;
      p.width = w;
      p.height = s.height;
      const float l = static_cast<float>(x0), rr = static_cast<float>(x0 + w);
      const float u = static_cast<float>(w) / tw, v = static_cast<float>(s.height) / th;
      const float h = static_cast<float>(s.height);
      p.corners[0] = GraphPieceCorner{l, 0, 0, 0};
      p.corners[1] = GraphPieceCorner{rr, 0, u, 0};
      p.corners[2] = GraphPieceCorner{l, h, 0, v};
      p.corners[3] = GraphPieceCorner{rr, h, u, v};
      p.entry = &e;
      x0 += w;
    }
    r->pieceCount = static_cast<int>(pieces_.size());
    r->pieces = pieces_.data();
  }
  void MakeImage(const Sprite &s, GraphRecord *r) {
    const bool bits16 = ScreenBits() == 16;
    const uint32_t key = bits16 ? Pack565(kKey) : kKey;
    ASSERT_EQ(0, MemImgCreate(&r->memImage, s.width, s.height, -1, key, bits16 ? 0 : 1, 0, 0, 0,
                              NULL));
    for (int y = 0; y < s.height; y++) {
      uint8_t *row = r->memImage.pixels + y * r->memImage.base->pitch;
      for (int x = 0; x < s.width; x++) {
        if (bits16) {
          reinterpret_cast<uint16_t *>(row)[x] = static_cast<uint16_t>(Pack565(s.At(x, y)));
        } else {
          reinterpret_cast<uint32_t *>(row)[x] = s.At(x, y);
        }
      }
    }
  }
  SharedGraphImage image_ = {};
  std::vector<GraphTextureEntry> entries_;
  std::vector<GraphPiece> pieces_;
};

// What a scene expects: the picture built here, per pixel.
typedef std::function<void(Picture *)> Model;

struct Scene {
  const char *name;
  std::function<void(int sprite, int blocks, int wide)> draw;
  Model model;            // null: compared between the paths only
  PictureTolerance tolerance;  // against the model
  PictureTolerance between;    // hardware against software
  bool hardwareOnly;
};

const int kSpriteW = 24, kSpriteH = 16;

Sprite &TheSprite() {
  static Sprite s = MakeSprite(kSpriteW, kSpriteH);
  return s;
}

uint32_t Channel(uint32_t rgb, int shift) { return (rgb >> shift) & 0xFF; }

uint32_t PerChannel(uint32_t a, uint32_t b, const std::function<uint32_t(uint32_t, uint32_t)> &f) {
  uint32_t out = 0;
  for (int shift : {16, 8, 0}) out |= (f(Channel(a, shift), Channel(b, shift)) & 0xFF) << shift;
  return out;
}

// The sprite placed at (x, y) over what the picture holds, pixel by pixel
// through combine(source, destination); keyed pixels skipped when keyed.
void PutSprite(Picture *p, int x, int y, bool keyed,
               const std::function<uint32_t(uint32_t, uint32_t)> &combine) {
  const Sprite &s = TheSprite();
  for (int j = 0; j < s.height; j++) {
    for (int i = 0; i < s.width; i++) {
      const int px = x + i, py = y + j;
      if (px < 0 || py < 0 || px >= p->Width() || py >= p->Height()) continue;
      const uint32_t v = s.At(i, j);
      if (keyed && v == kKey) continue;
      p->Set(px, py, AtDepth(combine(v, p->At(px, py) & 0xFFFFFF)));
    }
  }
}

uint32_t Replace(uint32_t source, uint32_t) { return source; }

// The blend graph of the blend-graph scenes: the drawn graph's size, grey,
// its alpha a different value in every pixel (128 among them).
uint32_t BlendAlphaAt(int x, int y) { return static_cast<uint32_t>((x * 11 + y * 7) % 256); }

// Draws the block graph at (100, 50) through the blend graph with border
// parameter p and range r, then takes the blend graph away.
void DrawThroughBlendGraph(int blocks, int p, int r) {
  BASEIMAGE image;
  memset(&image, 0, sizeof image);
  ASSERT_EQ(0, CreateArgb32BaseImage(kSpriteW, kSpriteH, &image));
  for (int y = 0; y < kSpriteH; y++) {
    for (int x = 0; x < kSpriteW; x++) {
      const uint32_t v = BlendAlphaAt(x, y) << 24 | 0x808080u;
      memcpy(static_cast<uint8_t *>(image.pixels) + y * image.pitch + x * 4, &v, 4);
    }
  }
  const int blend = MakeGraphFromBaseImage(&image);
  FreeBaseImage(&image);
  ASSERT_NE(-1, blend);
  ASSERT_EQ(0, SetDrawBlendGraph(blend, p, r));
  EXPECT_EQ(0, DrawGraphAt(100, 50, blocks, 0));
  EXPECT_EQ(0, SetDrawBlendGraph(-1, 0, 0));
  DeleteGraphHandle(blend);
}

// The block graph at (100, 50) laid over the picture with the per-pixel
// weight (0-255) of the blend graph's alpha.
void PutBlocksWeighted(Picture *p, const std::function<uint32_t(uint32_t)> &weight) {
  const Sprite blocks = BlockSprite(kSpriteW, kSpriteH);
  for (int j = 0; j < kSpriteH; j++) {
    for (int i = 0; i < kSpriteW; i++) {
      const uint32_t a = weight(BlendAlphaAt(i, j));
      const uint32_t d = p->At(100 + i, 50 + j) & 0xFFFFFF;
      p->Set(100 + i, 50 + j, AtDepth(PerChannel(blocks.At(i, j), d, [a](uint32_t s, uint32_t t) {
               return (s * a + t * (255 - a) + 127) / 255;
             })));
    }
  }
}

std::vector<Scene> Scenes() {
  const PictureTolerance exact = {0, 0};
  // One 565 step reads back as 8 or 9 once widened to eight bits.
  const PictureTolerance blended = {ScreenBits() == 16 ? 9 : 2, 0};
  // Turned: the device path puts a scaled graph's centre half a pixel up
  // and left of the software blit's, so at 1.5 about a quarter of the ~860
  // pixels take the neighbouring block, and the outline moves by a pixel.
  const PictureTolerance turned = {8, 300};
  std::vector<Scene> scenes;
  scenes.push_back({"plain",
                    [](int g, int, int) { DrawGraphAt(100, 50, g, 0); },
                    [](Picture *p) { PutSprite(p, 100, 50, false, Replace); }, exact, exact,
                    false});
  scenes.push_back({"keyed",
                    [](int g, int, int) { DrawGraphAt(100, 50, g, 1); },
                    [](Picture *p) { PutSprite(p, 100, 50, true, Replace); }, exact, exact,
                    false});
  scenes.push_back({"alpha 128",
                    [](int g, int, int) {
                      SetBlendModeAndParam(DRAW_BLEND_ALPHA, 128);
                      DrawGraphAt(100, 50, g, 1);
                    },
                    [](Picture *p) {
                      PutSprite(p, 100, 50, true, [](uint32_t s, uint32_t d) {
                        return PerChannel(s, d, [](uint32_t a, uint32_t b) {
                          return (a * 128 + b * 127) / 255;
                        });
                      });
                    },
                    blended, blended, false});
  scenes.push_back({"additive",
                    [](int g, int, int) {
                      SetBlendModeAndParam(DRAW_BLEND_ADD, 255);
                      DrawGraphAt(100, 50, g, 1);
                    },
                    [](Picture *p) {
                      PutSprite(p, 100, 50, true, [](uint32_t s, uint32_t d) {
                        return PerChannel(s, d, [](uint32_t a, uint32_t b) {
                          return a + b > 255 ? 255 : a + b;
                        });
                      });
                    },
                    blended, blended, false});
  scenes.push_back({"multiply",
                    [](int g, int, int) {
                      SetBlendModeAndParam(DRAW_BLEND_MUL, 255);
                      DrawGraphAt(100, 50, g, 1);
                    },
                    [](Picture *p) {
                      PutSprite(p, 100, 50, true, [](uint32_t s, uint32_t d) {
                        return PerChannel(s, d, [](uint32_t a, uint32_t b) { return a * b / 255; });
                      });
                    },
                    blended, blended, false});
  scenes.push_back({"brightness fade",
                    [](int g, int, int) {
                      SetDrawBrightness(128, 128, 128);
                      DrawGraphAt(100, 50, g, 1);
                    },
                    [](Picture *p) {
                      PutSprite(p, 100, 50, true, [](uint32_t s, uint32_t d) {
                        return PerChannel(s, d, [](uint32_t a, uint32_t) { return a * 128 / 255; });
                      });
                    },
                    blended, blended, false});
  scenes.push_back({"stretched x2",
                    [](int g, int, int) { DrawGraphStretched(200, 100, 248, 132, g, 1); },
                    [](Picture *p) {
                      const Sprite &s = TheSprite();
                      for (int y = 0; y < 32; y++) {
                        for (int x = 0; x < 48; x++) {
                          const uint32_t v = s.At(x / 2, y / 2);
                          if (v != kKey) p->Set(200 + x, 100 + y, v);
                        }
                      }
                    },
                    exact, exact, false});
  scenes.push_back({"halved blocks",
                    [](int, int b, int) { DrawGraphStretched(300, 300, 312, 308, b, 0); },
                    [](Picture *p) {
                      const Sprite s = BlockSprite(kSpriteW, kSpriteH);
                      for (int y = 0; y < 8; y++) {
                        for (int x = 0; x < 12; x++) p->Set(300 + x, 300 + y, s.At(2 * x, 2 * y));
                      }
                    },
                    exact, exact, false});
  scenes.push_back({"mirrored",
                    [](int g, int, int) { DrawGraphTurned(100, 50, g, 1); },
                    [](Picture *p) {
                      const Sprite &s = TheSprite();
                      for (int y = 0; y < s.height; y++) {
                        for (int x = 0; x < s.width; x++) {
                          const uint32_t v = s.At(s.width - 1 - x, y);
                          if (v != kKey) p->Set(100 + x, 50 + y, v);
                        }
                      }
                    },
                    exact, exact, false});
  scenes.push_back({"part",
                    [](int g, int, int) { DrawRectGraph(400, 60, 5, 3, 10, 8, g, 1, 0); },
                    [](Picture *p) {
                      const Sprite &s = TheSprite();
                      for (int y = 0; y < 8; y++) {
                        for (int x = 0; x < 10; x++) {
                          const uint32_t v = s.At(5 + x, 3 + y);
                          if (v != kKey) p->Set(400 + x, 60 + y, v);
                        }
                      }
                    },
                    exact, exact, false});
  scenes.push_back({"clipped at each edge",
                    [](int g, int, int) {
                      DrawGraphAt(-7, 100, g, 1);
                      DrawGraphAt(630, 100, g, 1);
                      DrawGraphAt(300, -5, g, 1);
                      DrawGraphAt(300, 470, g, 1);
                    },
                    [](Picture *p) {
                      PutSprite(p, -7, 100, true, Replace);
                      PutSprite(p, 630, 100, true, Replace);
                      PutSprite(p, 300, -5, true, Replace);
                      PutSprite(p, 300, 470, true, Replace);
                    },
                    exact, exact, false});
  scenes.push_back({"rotated 30 degrees at 1.5",
                    [](int, int b, int) { DrawGraphRotated(320, 240, 1.5, 0.5235988, b, 0, 0); },
                    nullptr, exact, turned, false});
  scenes.push_back({"two pieces",
                    [](int, int, int w) { DrawGraphAt(50, 300, w, 1); },
                    [](Picture *p) { PutSprite(p, 50, 300, true, Replace); }, exact, exact,
                    false});
  // A blend graph with a border range of 1: the alpha test lets through
  // the pixels whose blend alpha is at least the border parameter, unblended.
  scenes.push_back({"blend graph border",
                    [](int, int blocks, int) { DrawThroughBlendGraph(blocks, 128, 1); },
                    [](Picture *p) {
                      PutBlocksWeighted(p, [](uint32_t a) { return a >= 128 ? 255u : 0u; });
                    },
                    exact, exact, true});
  // A range above 128 blends by the blend alpha moved by the texture
  // factor: at parameter 128, L = 512 - 128 x 512 / 255 = 255, below 256, so
  // the factor's alpha 255 - 255 x 255 / 256 = 1 is subtracted.
  scenes.push_back({"blend graph soft border",
                    [](int, int blocks, int) { DrawThroughBlendGraph(blocks, 128, 255); },
                    [](Picture *p) {
                      PutBlocksWeighted(p, [](uint32_t a) { return a >= 1 ? a - 1 : 0u; });
                    },
                    blended, blended, true});
  scenes.push_back({"clear of a rectangle",
                    [](int, int, int) {
                      const Rect r = {10, 20, 110, 70};
                      ClearDrawTarget(&r);
                    },
                    [](Picture *p) { p->Fill(Rect{10, 20, 110, 70}, 0); }, exact, exact, false});
  scenes.push_back({"clear with left -1",
                    [](int, int, int) {
                      const Rect r = {-1, 20, 110, 70};
                      ClearDrawTarget(&r);
                    },
                    [](Picture *p) { p->Fill(Rect{0, 0, 640, 480}, 0); }, exact, exact, false});
  return scenes;
}

// Every scene on one path, keyed by name.
std::map<std::string, std::vector<uint32_t>> DrawScenes(int hardware) {
  std::map<std::string, std::vector<uint32_t>> shot;
  FrameworkMode mode;
  mode.hardware = hardware;
  mode.bits = ScreenBits();
  mode.log = 0;
  EXPECT_EQ(0, StartFrameworkInMode(mode));
  EXPECT_EQ(hardware, IsHardwareRenderingActive());
  SetDrawTarget(-2);
  {
    TestGraph sprite(TheSprite(), {kSpriteW});
    TestGraph blocks(BlockSprite(kSpriteW, kSpriteH), {kSpriteW});
    TestGraph wide(TheSprite(), {16, 8});
    TestGraph backdrop(SolidSprite(16, 16, kBackdrop), {16});
    for (const Scene &scene : Scenes()) {
      if (scene.hardwareOnly && !hardware) continue;
      SetDrawClipRect(0, 0, 640, 480);
      SetBlendModeAndParam(0, 255);
      SetDrawBrightness(255, 255, 255);
      ClearDrawTarget(NULL);
      DrawGraphStretched(0, 0, 640, 480, backdrop.handle, 0);
      scene.draw(sprite.handle, blocks.handle, wide.handle);
      SetBlendModeAndParam(0, 255);
      SetDrawBrightness(255, 255, 255);
      Picture picture;
      EXPECT_EQ(0, ReadDrawScreenPicture(NULL, &picture)) << scene.name;
      std::vector<uint32_t> &pixels = shot[scene.name];
      for (int y = 0; y < picture.Height(); y++) {
        for (int x = 0; x < picture.Width(); x++) pixels.push_back(picture.At(x, y));
      }
    }
  }
  PresentScreen();
  EndFrameworkInMode();
  return shot;
}

void ToPicture(const std::vector<uint32_t> &pixels, Picture *p) {
  p->Resize(640, 480);
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 640; x++) p->Set(x, y, pixels[static_cast<size_t>(y) * 640 + x]);
  }
}

class DrawCallsOnScreenTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-draw-calls"); }
};

TEST_F(DrawCallsOnScreenTest, EveryScenePicturesAlikeOnBothPaths) {
  const auto hardware = DrawScenes(1);
  const auto software = DrawScenes(0);
  const std::string depth = std::to_string(ScreenBits());
  for (const Scene &scene : Scenes()) {
    SCOPED_TRACE(scene.name);
    Picture hw, sw;
    ASSERT_EQ(1u, hardware.count(scene.name));
    ToPicture(hardware.at(scene.name), &hw);
    std::string stem = std::string(scene.name) + "_" + depth;
    for (char &c : stem) {
      if (c == ' ') c = '_';
    }
    if (scene.model) {
      Picture wanted(640, 480);
      wanted.Fill(Rect{0, 0, 640, 480}, AtDepth(kBackdrop));
      scene.model(&wanted);
      EXPECT_TRUE(PicturesMatch(wanted, hw, scene.tolerance, (stem + "_hardware").c_str()));
      if (!scene.hardwareOnly) {
        ToPicture(software.at(scene.name), &sw);
        EXPECT_TRUE(PicturesMatch(wanted, sw, scene.tolerance, (stem + "_software").c_str()));
      }
    }
    if (!scene.hardwareOnly) {
      ToPicture(software.at(scene.name), &sw);
      EXPECT_TRUE(PicturesMatch(sw, hw, scene.between, (stem + "_paths").c_str()));
    }
  }
}

}  // namespace
