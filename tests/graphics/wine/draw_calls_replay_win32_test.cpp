// The game's start-up and frame calls replayed on the real device and on
// the software renderer: graphs from image files, divided graphs and a
// graph from a base image, the clip and the colour key, clears, keyed
// draws, turned draws, brightness fades and blended draws, frame after
// frame, each frame read back before presenting. Both paths must give the
// same pictures within the turned draws' tolerance; the hardware path also
// with the device's capabilities cut down (textures of at most 256, no
// blend operation), and a program whose 3-D renderer is switched off falls
// back to the software pictures. On the device a billboard under the game's
// camera lands inside the rectangle its measurement gives.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/gfx_device.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "picture_compare.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const uint32_t kMagenta = 0xFF00FF;
const int kFrames = 3;
const int kSpriteW = 40, kSpriteH = 24, kCell = 16, kCells = 4;
const int kSpriteX = 100, kSpriteY = 200;

int ScreenBits() {
  const char *bits = getenv("VELVANE_DRAW_BITS");
  return bits && atoi(bits) == 16 ? 16 : 32;
}

// At 16 bits a keyed graph (alpha test) is an A1R5G5B5 texture on the
// device, while the software graph keeps the screen's 5-6-5: green comes
// out one 6-bit step apart (4 or 5 once read back as 8 bits).
int SameDrawChannelTolerance() { return ScreenBits() == 16 ? 5 : 0; }

bool ThreeDSwitchedOff() { return getenv("VELVANE_DRAW_NO3D") != nullptr; }

// Sprite colours keep blue at 128 or more, the backdrop's below 64, so a
// drawn sprite pixel never equals the backdrop under it at either depth.
bool SpriteKeyed(int x, int y) { return (x + 2 * y) % 7 == 0 && x > 1; }

uint32_t SpriteColour(int x, int y) {
  const uint32_t r = 40 + x * 5 % 200, g = 30 + y * 9 % 210, b = 128 + (x * 3 + y * 7) % 120;
  return r << 16 | g << 8 | b;
}

uint32_t BackdropColour(int x, int y) {
  return static_cast<uint32_t>((x / 8 * 24) % 256) << 16 |
         static_cast<uint32_t>((y / 8 * 20) % 256) << 8 | static_cast<uint32_t>((x + y) / 16 % 64);
}

// The image files the game would load, without alpha as its pictures are: a
// keyed sprite and a strip of four digit cells, each a pattern of its own
// with keyed corners.
void WriteSourceFiles() {
  Picture sprite(kSpriteW, kSpriteH);
  for (int y = 0; y < kSpriteH; y++) {
    for (int x = 0; x < kSpriteW; x++) sprite.Set(x, y, SpriteKeyed(x, y) ? kMagenta : SpriteColour(x, y));
  }
  ASSERT_EQ(0, sprite.WriteRgbBmp("replay_sprite.bmp"));
  Picture digits(kCell * kCells, kCell);
  for (int y = 0; y < kCell; y++) {
    for (int x = 0; x < kCell * kCells; x++) {
      const int cx = x % kCell, cell = x / kCell;
      const bool corner = (cx < 3 && y < 3) || (cx > 12 && y > 12);
      const uint32_t v = static_cast<uint32_t>(60 * cell + 4 * cx) << 16 |
                         static_cast<uint32_t>(200 - 8 * y) << 8 | static_cast<uint32_t>(140 + 6 * cx);
      digits.Set(x, y, corner ? kMagenta : v);
    }
  }
  ASSERT_EQ(0, digits.WriteRgbBmp("replay_digits.bmp"));
}

std::unique_ptr<Picture> ReadBack() {
  std::unique_ptr<Picture> p(new Picture);
  EXPECT_EQ(0, ReadDrawScreenPicture(NULL, p.get()));
  return p;
}

// What one run of the replay read back.
struct ReplayShots {
  std::vector<std::unique_ptr<Picture>> frames;
  std::unique_ptr<Picture> backdrop;   // the backdrop alone
  std::unique_ptr<Picture> billboard;  // the backdrop, then a billboard
  Rect billboardArea = {0, 0, 0, 0};   // measured on the device
  int hardware = 0;
};

// The game's camera over a field whose last cell is (14, 14).
void AimGameCamera() {
  const float a = 14 * 16.0f, b = 14 * -16.0f, c = (14 + 14 + 2) / 2 * -32.0f;
  SetCameraLookAt(Vector3{a, b - 160.0f, c}, Vector3{a, b, 0.0f});
  SetProjectionCenter(240.0f, 240.0f);
}

void DrawFrame(int frame, int backdrop, int sprite, const int *cells) {
  ClearDrawTarget(NULL);
  DrawGraphAt(0, 0, backdrop, 0);
  DrawGraphAt(kSpriteX, kSpriteY, sprite, 1);
  for (int i = 0; i < kCells; i++) DrawGraphAt(300 + 20 * i, 40, cells[i], 1);
  DrawGraphRotated(500 + 8 * frame, 48, 1.0, 0.0, cells[frame % kCells], 1, 0);
  DrawGraphRotated(420, 300, 1.5, 0.5 + 0.3 * frame, cells[(frame + 1) % kCells], 1, 0);
  const int level = 255 - 80 * frame;
  SetDrawBrightness(level, level, level);
  DrawGraphAt(60, 360, sprite, 1);
  SetDrawBrightness(255, 255, 255);
  SetBlendModeAndParam(DRAW_BLEND_SUB, 255);
  DrawGraphAt(200, 360, sprite, 1);
  SetBlendModeAndParam(DRAW_BLEND_ALPHA, 128);
  DrawGraphAt(300, 360, sprite, 1);
  SetBlendModeAndParam(DRAW_BLEND_NONE, 255);
  DrawRectGraph(520, 400, 8, 4, 20, 12, sprite, 1, frame & 1);
}

void Replay(int hardware, const GfxCaps *caps, ReplayShots *shots) {
  g_gfxTestSwitches.capsOverride = caps;
  FrameworkMode mode;
  mode.hardware = hardware;
  mode.bits = ScreenBits();
  mode.log = 0;
  ASSERT_EQ(0, StartFrameworkInMode(mode));
  shots->hardware = IsHardwareRenderingActive();
  SetDrawTarget(-2);
  SetDrawClipRect(0, 0, 640, 480);
  SetColorKey(255, 0, 255);
  SetDefaultFontSize(16);
  SetDepthTest3D(1);
  SetDepthWrite3D(1);
  const int sprite = LoadGraphFromFile("replay_sprite.bmp", 0);
  int cells[kCells] = {-1, -1, -1, -1};
  EXPECT_EQ(0, LoadDividedGraph("replay_digits.bmp", kCells, kCells, 1, kCell, kCell, cells, 0));
  Picture back(640, 480);
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 640; x++) back.Set(x, y, BackdropColour(x, y));
  }
  const int backdrop = MakeGraphFromBaseImage(&back.image);
  EXPECT_NE(-1, sprite);
  EXPECT_NE(-1, backdrop);
  for (int frame = 0; frame < kFrames; frame++) {
    DrawFrame(frame, backdrop, sprite, cells);
    shots->frames.push_back(ReadBack());
    PresentScreen();
  }
  ClearDrawTarget(NULL);
  DrawGraphAt(0, 0, backdrop, 0);
  shots->backdrop = ReadBack();
  AimGameCamera();
  const Vector3 at = {14 * 16.0f, 14 * -16.0f, 0.0f};
  EXPECT_EQ(0, DrawGraphBillboard(at, 0.5f, 0.5f, 48.0f, 0.3f, cells[2], 1, 0));
  if (shots->hardware) {
    HardwareDrawGraphBillboard(0, at.x, at.y, at.z, 0.5f, 0.5f, 48.0f, 0.3f,
                               GetGraphRecord(cells[2]), 1, 0, BILLBOARD_MEASURE,
                               &shots->billboardArea);
  }
  shots->billboard = ReadBack();
  PresentScreen();
  DeleteAllGraphHandles();
  EndFrameworkInMode();
  g_gfxTestSwitches.capsOverride = nullptr;
}

// Pixels of r where the two pictures differ.
int DifferingIn(const Picture &a, const Picture &b, const Rect &r) {
  int count = 0;
  for (int y = r.top; y < r.bottom; y++) {
    for (int x = r.left; x < r.right; x++) count += a.At(x, y) != b.At(x, y);
  }
  return count;
}

// Where the billboard changed the backdrop, as text.
std::string ChangedBounds(const ReplayShots &shots) {
  Rect b = {640, 480, 0, 0};
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 640; x++) {
      if (shots.backdrop->At(x, y) == shots.billboard->At(x, y)) continue;
      b = Rect{x < b.left ? x : b.left, y < b.top ? y : b.top, x + 1 > b.right ? x + 1 : b.right,
               y + 1 > b.bottom ? y + 1 : b.bottom};
    }
  }
  return std::to_string(b.left) + "," + std::to_string(b.top) + "-" + std::to_string(b.right) +
         "," + std::to_string(b.bottom);
}

// The keyed sprite of the first frame: every unkeyed pixel drawn, every
// keyed one leaving the backdrop.
void ExpectKeyedSprite(const ReplayShots &shots) {
  const Picture &frame = *shots.frames[0];
  const Picture &backdrop = *shots.backdrop;
  int wrong = 0;
  for (int y = 0; y < kSpriteH; y++) {
    for (int x = 0; x < kSpriteW; x++) {
      const bool drawn = frame.At(kSpriteX + x, kSpriteY + y) != backdrop.At(kSpriteX + x, kSpriteY + y);
      wrong += drawn == SpriteKeyed(x, y);
    }
  }
  EXPECT_EQ(0, wrong) << (shots.hardware ? "hardware" : "software");
}

// Turned draws: the device puts a scaled graph's centre half a pixel from
// the software blit's, so a few hundred pixels of the turned cell differ.
PictureTolerance BetweenPaths() { return PictureTolerance{ScreenBits() == 16 ? 9 : 8, 400}; }

void ExpectSamePictures(const ReplayShots &wanted, const ReplayShots &got, const char *stem,
                        const PictureTolerance &tolerance) {
  ASSERT_EQ(static_cast<size_t>(kFrames), got.frames.size());
  ASSERT_EQ(static_cast<size_t>(kFrames), wanted.frames.size());
  for (int frame = 0; frame < kFrames; frame++) {
    const std::string name = std::string(stem) + "_frame" + std::to_string(frame) + "_" +
                             std::to_string(ScreenBits());
    EXPECT_TRUE(PicturesMatch(*wanted.frames[frame], *got.frames[frame], tolerance, name.c_str()));
  }
  EXPECT_TRUE(PicturesMatch(*wanted.backdrop, *got.backdrop,
                            PictureTolerance{SameDrawChannelTolerance(), 0},
                            (std::string(stem) + "_backdrop").c_str()));
}

// The device's own caps with the largest texture 256 and no blend
// operation.
const GfxCaps *CutDownCaps() {
  static GfxCaps caps;
  FrameworkMode mode;
  mode.bits = ScreenBits();
  mode.log = 0;
  if (StartFrameworkInMode(mode) != 0) return nullptr;
  caps = g_d3d.caps;
  EndFrameworkInMode();
  caps.maxTextureWidth = caps.maxTextureHeight = 256;
  caps.primitiveMiscCaps &= ~(1u << 11);
  return &caps;
}

class GameReplayTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnterPrivateDirectory("graphics-draw-replay");
    WriteSourceFiles();
  }
};

TEST_F(GameReplayTest, BothPathsGiveTheSamePictures) {
  if (ThreeDSwitchedOff()) GTEST_SKIP() << "no device in this program";
  ReplayShots hardware, software;
  Replay(1, nullptr, &hardware);
  Replay(0, nullptr, &software);
  ASSERT_EQ(1, hardware.hardware);
  ASSERT_EQ(0, software.hardware);
  ExpectKeyedSprite(hardware);
  ExpectKeyedSprite(software);
  ExpectSamePictures(software, hardware, "replay", BetweenPaths());
  // The software billboard draws nothing.
  EXPECT_EQ(0, DifferingIn(*software.backdrop, *software.billboard, Rect{0, 0, 640, 480}));
}

TEST_F(GameReplayTest, BillboardUnderTheGameCameraStaysInItsMeasuredArea) {
  if (ThreeDSwitchedOff()) GTEST_SKIP() << "no device in this program";
  ReplayShots hardware;
  Replay(1, nullptr, &hardware);
  const Rect r = hardware.billboardArea;
  ASSERT_LT(r.left, r.right);
  ASSERT_LT(r.top, r.bottom);
  ASSERT_GE(r.left, 0);
  ASSERT_LE(r.right, 640);
  ASSERT_GE(r.top, 0);
  ASSERT_LE(r.bottom, 480);
  const int inside = DifferingIn(*hardware.backdrop, *hardware.billboard, r);
  const int everywhere = DifferingIn(*hardware.backdrop, *hardware.billboard, Rect{0, 0, 640, 480});
  EXPECT_EQ(everywhere, inside) << "measured " << r.left << "," << r.top << "-" << r.right << ","
                                << r.bottom << "; drawn " << ChangedBounds(hardware);
  // A turned square with keyed corners covers well over a third of its
  // bounding rectangle.
  EXPECT_GT(inside * 3, (r.right - r.left) * (r.bottom - r.top)) << inside;
}

TEST_F(GameReplayTest, CutDownDeviceSplitsAndEmulatesAlike) {
  if (ThreeDSwitchedOff()) GTEST_SKIP() << "no device in this program";
  const GfxCaps *caps = CutDownCaps();
  ASSERT_NE(nullptr, caps);
  ReplayShots hardware, software;
  Replay(1, caps, &hardware);
  Replay(0, nullptr, &software);
  ASSERT_EQ(1, hardware.hardware);
  ExpectKeyedSprite(hardware);
  ExpectSamePictures(software, hardware, "replay_cut_down", BetweenPaths());
}

TEST_F(GameReplayTest, WithoutThreeDTheSoftwarePicturesCome) {
  if (!ThreeDSwitchedOff()) GTEST_SKIP() << "the 3-D renderer is on in this program";
  SwitchOffThreeD();
  ReplayShots fallback, software;
  Replay(1, nullptr, &fallback);
  Replay(0, nullptr, &software);
  EXPECT_EQ(0, fallback.hardware);
  ExpectKeyedSprite(fallback);
  ExpectSamePictures(software, fallback, "replay_no3d", PictureTolerance{0, 0});
}

}  // namespace
