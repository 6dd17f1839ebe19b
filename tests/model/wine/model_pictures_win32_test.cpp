// Models drawn by the real device under Wine against the picture the CPU
// reference (model_reference.h) makes of the same written model: a lit
// textured cube, turned, drawn from CPU arrays, after a device restore and
// after a screen-mode change and back. Interior pixels must agree within
// a small rounding step; pixels next to a projected edge may differ, but
// only a bounded share of them.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>
#include <vector>

#include "graphics/device/gfx_device.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/images/image_fixtures.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "graphics/wine/picture_compare.h"
#include "model/draw/model_draw_buffers.h"
#include "model/wine/model_reference.h"
#include "spine_support.h"
#include "tools/mqo_write.h"
#include "velvane.h"

namespace {

using model_reference::Mat4;
using model_reference::Texels;
using model_reference::Vec3;

const uint32_t kBackground = 0x305070;
const int kAtlasWidth = 64, kAtlasHeight = 32, kCell = 16, kInset = 4;
// One colour per face, each channel 0 or 255 so every texture format
// holds it exactly.
const uint32_t kFaceColours[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu, 0xFFFF00FFu};

// The run on a 640 x 480 display of its own takes the full-screen test
// alone; the others run in window mode on the shared screen.
bool FullScreenRun() { return getenv("VELVANE_MODEL_FULLSCREEN") != nullptr; }

// The screen depth of this run: 32 unless the environment asks for 16.
int ScreenBits() {
  const char *bits = getenv("VELVANE_MODEL_BITS");
  return bits && atoi(bits) == 16 ? 16 : 32;
}

// The atlas: a 4 x 2 grid of 16 x 16 cells, face f in cell f.
Texels MakeAtlas() {
  Texels atlas;
  atlas.width = kAtlasWidth;
  atlas.height = kAtlasHeight;
  atlas.argb.assign(static_cast<size_t>(kAtlasWidth) * kAtlasHeight, 0xFF808080u);
  for (int f = 0; f < 6; f++) {
    const int cx = (f % 4) * kCell, cy = (f / 4) * kCell;
    for (int y = cy; y < cy + kCell; y++) {
      for (int x = cx; x < cx + kCell; x++) atlas.argb[static_cast<size_t>(y) * kAtlasWidth + x] = kFaceColours[f];
    }
  }
  return atlas;
}

Bytes AtlasPng(const Texels &atlas) {
  PngSpec spec;
  spec.width = atlas.width;
  spec.height = atlas.height;
  for (int y = 0; y < atlas.height; y++) {
    Bytes row;
    for (int x = 0; x < atlas.width; x++) {
      const uint32_t c = atlas.argb[static_cast<size_t>(y) * atlas.width + x];
      row.insert(row.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
    spec.rows.push_back(row);
  }
  return MakePng(spec);
}

MqoWriteMaterial AtlasMaterial(const std::string &texture) {
  MqoWriteMaterial material;
  material.name = "atlas";
  material.dif = 0.8f;
  material.amb = 0.6f;
  material.tex = texture;
  return material;
}

// A cube of side 2 x half around centre: 8 positions, 6 quads wound so
// that they face outwards in the framework's space (the file's z
// negated), each mapped to its atlas cell inset by 4 texels so that
// filtering and the first mip level meet one colour. Corner colours
// (COL) when given, one per face corner.
MqoWriteObject MakeCubeObject(const std::string &name, Vec3 centre, float half, int material,
                              const std::vector<uint32_t> &colours = {}) {
  MqoWriteObject cube;
  cube.name = name;
  for (int i = 0; i < 8; i++) {
    const double x = centre.x + ((i & 1) ? half : -half), y = centre.y + ((i & 2) ? half : -half);
    const double z = centre.z + ((i & 4) ? half : -half);
    cube.vertices.insert(cube.vertices.end(), {static_cast<float>(x), static_cast<float>(y), static_cast<float>(-z)});
  }
  // Corners of each face in ring order; the ring is turned round where it
  // would face inwards.
  const int rings[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  const Vec3 outward[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  for (int f = 0; f < 6; f++) {
    std::vector<int> ring(rings[f], rings[f] + 4);
    auto at = [&](int corner) {
      const int v = ring[static_cast<size_t>(corner)];
      return Vec3{cube.vertices[3 * v], cube.vertices[3 * v + 1], -cube.vertices[3 * v + 2]};
    };
    const Vec3 a = at(0), b = at(1), d = at(3);
    const Vec3 e1 = {b.x - a.x, b.y - a.y, b.z - a.z}, e2 = {d.x - a.x, d.y - a.y, d.z - a.z};
    const Vec3 n = {e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    if (n.x * outward[f].x + n.y * outward[f].y + n.z * outward[f].z < 0) std::swap(ring[1], ring[3]);
    MqoWriteFace face;
    face.v = ring;
    face.material = material;
    const float u0 = static_cast<float>((f % 4) * kCell + kInset) / kAtlasWidth;
    const float u1 = static_cast<float>((f % 4) * kCell + kCell - kInset) / kAtlasWidth;
    const float v0 = static_cast<float>((f / 4) * kCell + kInset) / kAtlasHeight;
    const float v1 = static_cast<float>((f / 4) * kCell + kCell - kInset) / kAtlasHeight;
    face.uv = {u0, v0, u1, v0, u1, v1, u0, v1};
    if (!colours.empty()) face.col.assign(colours.begin(), colours.end());
    cube.faces.push_back(face);
  }
  return cube;
}

MqoWriteModel MakeCubeModel(const std::string &texture) {
  MqoWriteModel model;
  model.materials.push_back(AtlasMaterial(texture));
  model.objects.push_back(MakeCubeObject("cube", Vec3{0, 0, 0}, 1.0f, 0));
  return model;
}

void WriteFile(const std::string &path, const std::string &data) {
  FILE *file = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  fwrite(data.data(), 1, data.size(), file);
  fclose(file);
}

Matrix4x4 ToFloats(const Mat4 &m) {
  Matrix4x4 out;
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) out.m[r][c] = static_cast<float>(m.m[r][c]);
  }
  return out;
}

// The float matrix the framework gets, widened again for the reference.
Mat4 AsSent(const Mat4 &m) {
  const Matrix4x4 f = ToFloats(m);
  Mat4 out;
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) out.m[r][c] = f.m[r][c];
  }
  return out;
}

struct Comparison {
  int interiorMismatches = 0;
  int edgePixels = 0;
  int edgeMismatches = 0;
};

// Edge pixels: those with a different face (or the background) among
// their eight neighbours.
bool NearEdge(const model_reference::Result &r, int x, int y) {
  const int face = r.face[static_cast<size_t>(y) * r.width + x];
  for (int dy = -1; dy <= 1; dy++) {
    for (int dx = -1; dx <= 1; dx++) {
      const int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= r.width || ny >= r.height) continue;
      if (r.face[static_cast<size_t>(ny) * r.width + nx] != face) return true;
    }
  }
  return false;
}

bool ChannelsWithin(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    if (abs(static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255)) > tolerance) return false;
  }
  return true;
}

class ModelPictureTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnterPrivateDirectory("model-pictures");
    atlas = MakeAtlas();
    const Bytes png = AtlasPng(atlas);
    WriteFile("atlas.png", std::string(png.begin(), png.end()));
    WriteFile("cube.mqo", WriteMqo(MakeCubeModel("atlas.png")));
    // The same atlas with an "_a" file beside it: face 0 at half opacity.
    WriteFile("atlasA.png", std::string(png.begin(), png.end()));
    halfAtlas = atlas;
    Texels alpha = atlas;
    for (size_t i = 0; i < alpha.argb.size(); i++) alpha.argb[i] = 0xFFFFFFFFu;
    for (int y = 0; y < kCell; y++) {
      for (int x = 0; x < kCell; x++) {
        alpha.argb[static_cast<size_t>(y) * kAtlasWidth + x] = 0xFF808080u;
        uint32_t &texel = halfAtlas.argb[static_cast<size_t>(y) * kAtlasWidth + x];
        texel = (texel & 0xFFFFFFu) | 0x80000000u;
      }
    }
    const Bytes alphaPng = AtlasPng(alpha);
    WriteFile("atlasA_a.png", std::string(alphaPng.begin(), alphaPng.end()));
    WriteFile("cube_a.mqo", WriteMqo(MakeCubeModel("atlasA.png")));
    WriteFile("missing.mqo", WriteMqo(MakeCubeModel("missing.png")));
    WriteFile("col.mqo", WriteMqo(ColModel()));
    WriteFile("hidden.mqo", WriteMqo(HiddenModel()));
    WriteFile("frames.mqo", WriteMqo(FramesModel()));
  }
  // A material without a texture over corner colours.
  static MqoWriteModel ColModel() {
    MqoWriteModel model;
    MqoWriteMaterial paint;
    paint.name = "paint";
    paint.col[0] = 1.0f, paint.col[1] = 0.9f, paint.col[2] = 0.8f;
    paint.dif = 0.9f;
    paint.amb = 0.4f;
    model.materials.push_back(paint);
    model.objects.push_back(
        MakeCubeObject("cube", Vec3{0, 0, 0}, 1.0f, 0, {0xFF2020E0u, 0xFF20E020u, 0xFFE02020u, 0xFFC0C0C0u}));
    return model;
  }
  // A cube and, beside it, a smaller hidden one.
  static MqoWriteModel HiddenModel() {
    MqoWriteModel model = MakeCubeModel("atlas.png");
    MqoWriteObject hidden = MakeCubeObject("hidden", Vec3{-1.6, 0.4, -1.0}, 0.5f, 0);
    hidden.visible = 0;
    model.objects.push_back(hidden);
    return model;
  }
  // Three small cubes, one frame each.
  static MqoWriteModel FramesModel() {
    MqoWriteModel model;
    model.materials.push_back(AtlasMaterial("atlas.png"));
    model.objects.push_back(MakeCubeObject("left", Vec3{-1.6, 0, 0}, 0.6f, 0));
    model.objects.push_back(MakeCubeObject("middle", Vec3{0, 0.5, 0.4}, 0.6f, 0));
    model.objects.push_back(MakeCubeObject("right", Vec3{1.4, -0.3, -0.6}, 0.6f, 0));
    return model;
  }
  void SetUp() override {
    if (FullScreenRun()) GTEST_SKIP() << "window-mode pictures run on the shared screen";
  }
  void TearDown() override {
    for (int handle : {cube, other}) {
      if (handle >= 0) VLMDeleteInstance(handle);
    }
    SetModelVertexBuffersInUse(1);
    EndFrameworkInMode();
    g_gfxTestSwitches.noEx = 0;
  }
  void Start(int noEx, int windowed = 1) {
    g_gfxTestSwitches.noEx = noEx;
    FrameworkMode mode;
    mode.bits = ScreenBits();
    mode.windowed = windowed;
    ASSERT_EQ(0, StartFrameworkInMode(mode));
    ASSERT_EQ(1, IsHardwareRenderingActive());
    cube = LoadModel("cube.mqo");
    ASSERT_GE(cube, 0);
    scene.background = kBackground;
    scene.view = AsSent(model_reference::LookAt(Vec3{2.4, 3.0, -4.6}, Vec3{0, 0, 0}, Vec3{0, 1, 0}));
    scene.projection = AsSent(model_reference::Perspective(0.9, 640.0 / 480.0, 0.5, 100.0));
    // The framework's default light: directional along (1, -1, 1), white,
    // with ambient 0.33; the device ambient is set here.
    scene.light.direction = Vec3{1, -1, 1};
    for (int k = 0; k < 3; k++) {
      scene.light.diffuse[k] = 1.0;
      scene.light.lightAmbient[k] = 0.33;
      scene.light.ambient[k] = 0x33 / 255.0;
    }
  }
  void SetCamera() {
    const Matrix4x4 view = ToFloats(scene.view), projection = ToFloats(scene.projection);
    SetViewMatrix(&view);
    SetProjectionMatrix(&projection);
  }
  // Clears colour and depth, draws the cube and reads the back buffer.
  std::vector<uint32_t> DrawCube() {
    return Draw([this] { EXPECT_EQ(0, VLMDrawInstance(cube)); });
  }
  // The same around other draws.
  template <typename Drawing>
  std::vector<uint32_t> Draw(Drawing drawing) {
    SetCamera();
    GfxDevice *device = GetGfxDevice();
    FlushVertexBatch();
    EndDeviceScene();
    device->Clear(GFX_CLEAR_TARGET | GFX_CLEAR_ZBUFFER, 0xFF000000u | kBackground, 1.0f);
    SetDeviceAmbientColor(0xFF333333u);
    drawing();
    FlushVertexBatch();
    EndDeviceScene();
    std::vector<uint32_t> pixels(640 * 480);
    EXPECT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
    return pixels;
  }
  model_reference::Result Expected(const Mat4 &world) {
    return model_reference::Render(scene, {Placed(&writtenCube, world, &atlas)});
  }
  static model_reference::Instance Placed(const MqoWriteModel *model, const Mat4 &world, const Texels *texture) {
    model_reference::Instance instance;
    instance.model = model;
    instance.world = world;
    instance.textures.push_back(texture);
    return instance;
  }
  // Loads another model in place of the cube.
  void LoadInstead(const char *path) {
    ASSERT_EQ(0, VLMDeleteInstance(cube));
    cube = LoadModel(path);
    ASSERT_GE(cube, 0);
  }
  // Interior pixels within the rounding step of the screen's depth; edge
  // mismatches at most one in twenty edge pixels.
  void ExpectMatches(const model_reference::Result &expected, const std::vector<uint32_t> &shown, const char *name) {
    const bool sixteen = ScreenBits() == 16;
    const int tolerance = sixteen ? 9 : 2;
    Comparison c;
    int offGrid = 0;
    Picture wanted(expected.width, expected.height), got(expected.width, expected.height);
    for (int y = 0; y < expected.height; y++) {
      for (int x = 0; x < expected.width; x++) {
        const size_t at = static_cast<size_t>(y) * expected.width + x;
        const uint32_t want = sixteen ? model_reference::To565(expected.argb[at]) : expected.argb[at];
        wanted.Set(x, y, want);
        got.Set(x, y, shown[at]);
        offGrid += model_reference::To565(shown[at]) != (shown[at] | 0xFF000000u);
        const bool edge = NearEdge(expected, x, y);
        if (edge) c.edgePixels++;
        if (ChannelsWithin(want, shown[at], tolerance)) continue;
        if (edge) c.edgeMismatches++;
        else c.interiorMismatches++;
      }
    }
    EXPECT_EQ(0, c.interiorMismatches) << name;
    // A 16-bit screen holds only 5, 6, 5-bit colours.
    if (sixteen) {
      EXPECT_EQ(0, offGrid) << name;
    }
    EXPECT_LE(c.edgeMismatches, c.edgePixels / 20) << name << ": " << c.edgePixels << " edge pixels";
    printf("%s: %d interior mismatches, %d of %d edge pixels differ\n", name, c.interiorMismatches, c.edgeMismatches,
           c.edgePixels);
    if (c.interiorMismatches || c.edgeMismatches > c.edgePixels / 20) {
      wanted.WriteBmp((std::string(name) + "_expected.bmp").c_str());
      got.WriteBmp((std::string(name) + "_actual.bmp").c_str());
    }
  }
  void ExpectSamePictureAfterRestore(int noEx, const char *name) {
    Start(noEx);
    const std::vector<uint32_t> before = DrawCube();
    const int rebuilds = GetGraphicsRebuildCount();
    ASSERT_EQ(0, RestoreGraphicsDevice());
    ASSERT_LT(rebuilds, GetGraphicsRebuildCount());
    const std::vector<uint32_t> after = DrawCube();
    ExpectMatches(Expected(model_reference::Identity()), after, name);
    EXPECT_TRUE(before == after);
  }
  // Some of the cube's faces must show: the comparison is not of empty
  // pictures.
  static void ExpectCubeShown(const model_reference::Result &expected) {
    int covered = 0;
    for (int face : expected.face) covered += face != 0;
    EXPECT_GT(covered, 20000);
  }

  static Texels atlas, halfAtlas;
  MqoWriteModel writtenCube = MakeCubeModel("atlas.png");
  model_reference::Scene scene;
  int cube = -1, other = -1;
};

Texels ModelPictureTest::atlas, ModelPictureTest::halfAtlas;

TEST_F(ModelPictureTest, LitTexturedCube) {
  Start(0);
  const model_reference::Result expected = Expected(model_reference::Identity());
  ExpectCubeShown(expected);
  ExpectMatches(expected, DrawCube(), "cube");
}

TEST_F(ModelPictureTest, TurnedInstance) {
  Start(0);
  ASSERT_EQ(0, VLMSetInstanceRotation(cube, 0.4f, 0.7f, 0.2f));
  ASSERT_EQ(0, VLMSetInstancePosition(cube, 0.3f, -0.2f, 0.5f));
  const Mat4 world = model_reference::Multiply(
      model_reference::Multiply(model_reference::Multiply(model_reference::RotationX(0.4f), model_reference::RotationY(0.7f)),
                                model_reference::RotationZ(0.2f)),
      model_reference::Translation(0.3f, -0.2f, 0.5f));
  ExpectMatches(Expected(world), DrawCube(), "turned");
}

TEST_F(ModelPictureTest, CpuArraysDrawTheSamePicture) {
  Start(0);
  SetModelVertexBuffersInUse(0);
  ExpectMatches(Expected(model_reference::Identity()), DrawCube(), "cpu_arrays");
}

// Restored directly in window mode: the plain device and the Ex device
// (never lost, rebuilt anyway).
TEST_F(ModelPictureTest, SamePictureAfterARestoreOfThePlainDevice) {
  ExpectSamePictureAfterRestore(1, "restored");
}

TEST_F(ModelPictureTest, SamePictureAfterARestoreOfTheExDevice) {
  ExpectSamePictureAfterRestore(0, "restored_ex");
}

TEST_F(ModelPictureTest, SamePictureAfterAScreenModeChangeAndBack) {
  Start(0);
  const std::vector<uint32_t> before = DrawCube();
  ASSERT_EQ(0, SetScreenMode(800, 600, ScreenBits(), 0));
  ASSERT_EQ(0, SetScreenMode(640, 480, ScreenBits(), 0));
  ASSERT_EQ(1, IsHardwareRenderingActive());
  const std::vector<uint32_t> after = DrawCube();
  ExpectMatches(Expected(model_reference::Identity()), after, "mode_change");
  EXPECT_TRUE(before == after);
}

}  // namespace

namespace {

TEST_F(ModelPictureTest, AlphaFileMakesOneFaceHalfSeeThrough) {
  Start(0);
  LoadInstead("cube_a.mqo");
  const MqoWriteModel written = MakeCubeModel("atlasA.png");
  ExpectMatches(model_reference::Render(scene, {Placed(&written, model_reference::Identity(), &halfAtlas)}),
                DrawCube(), "alpha_file");
}

TEST_F(ModelPictureTest, MissingTextureDrawsWhiteTimesTheMaterial) {
  Start(0);
  LoadInstead("missing.mqo");
  const MqoWriteModel written = MakeCubeModel("missing.png");
  ExpectMatches(model_reference::Render(scene, {Placed(&written, model_reference::Identity(), nullptr)}), DrawCube(),
                "missing_texture");
}

TEST_F(ModelPictureTest, ColourOnlyMaterialShadesTheCornerColours) {
  Start(0);
  LoadInstead("col.mqo");
  const MqoWriteModel written = ColModel();
  ExpectMatches(model_reference::Render(scene, {Placed(&written, model_reference::Identity(), nullptr)}), DrawCube(),
                "corner_colours");
}

TEST_F(ModelPictureTest, TwoClonesOverlapInDepth) {
  Start(0);
  other = VLMCloneInstance(cube);
  ASSERT_GE(other, 0);
  ASSERT_EQ(0, VLMSetInstancePosition(other, 0.9f, 0.4f, 1.1f));
  ASSERT_EQ(0, VLMSetInstanceRotation(other, 0.0f, 0.6f, 0.0f));
  const Mat4 moved = model_reference::Multiply(model_reference::RotationY(0.6f), model_reference::Translation(0.9f, 0.4f, 1.1f));
  // The nearer cube drawn last and first: the depth test gives one picture.
  const model_reference::Result expected = model_reference::Render(
      scene, {Placed(&writtenCube, moved, &atlas), Placed(&writtenCube, model_reference::Identity(), &atlas)});
  ExpectMatches(expected, Draw([this] {
                  EXPECT_EQ(0, VLMDrawInstance(other));
                  EXPECT_EQ(0, VLMDrawInstance(cube));
                }),
                "clones_far_first");
  ExpectMatches(expected, Draw([this] {
                  EXPECT_EQ(0, VLMDrawInstance(cube));
                  EXPECT_EQ(0, VLMDrawInstance(other));
                }),
                "clones_near_first");
}

TEST_F(ModelPictureTest, HiddenObjectIsNotDrawn) {
  Start(0);
  LoadInstead("hidden.mqo");
  const MqoWriteModel written = HiddenModel();
  ExpectMatches(model_reference::Render(scene, {Placed(&written, model_reference::Identity(), &atlas)}), DrawCube(),
                "hidden_object");
}

TEST_F(ModelPictureTest, FrameByFrameDrawsMakeTheWholePicture) {
  Start(0);
  LoadInstead("frames.mqo");
  const MqoWriteModel written = FramesModel();
  const model_reference::Result expected =
      model_reference::Render(scene, {Placed(&written, model_reference::Identity(), &atlas)});
  ExpectMatches(expected, DrawCube(), "frames_whole");
  ExpectMatches(expected, Draw([this] {
                  for (int f = 0; f < 3; f++) EXPECT_EQ(0, VLMDrawInstanceFrame(cube, f));
                }),
                "frames_one_by_one");
}

}  // namespace

namespace {

// Full screen on a 640 x 480 display: the plain device really lost by
// deactivation and restored on reactivation.
class ModelFullScreenPictureTest : public ModelPictureTest {
 protected:
  void SetUp() override {
    if (!FullScreenRun()) GTEST_SKIP() << "runs on a 640 x 480 display of its own";
  }
  void SwitchAwayAndBack() {
    HWND window = static_cast<HWND>(GetGfxDevice()->MainWindow());
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(-1, TestDeviceWithPresent());
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    ShowWindow(window, SW_RESTORE);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
  }
};

TEST_F(ModelFullScreenPictureTest, SamePictureAfterTheDeviceIsLostAndRestored) {
  Start(1, 0);
  const std::vector<uint32_t> before = DrawCube();
  ExpectMatches(Expected(model_reference::Identity()), before, "full_screen");
  const int rebuilds = GetGraphicsRebuildCount();
  SwitchAwayAndBack();
  ASSERT_LT(rebuilds, GetGraphicsRebuildCount());
  EXPECT_EQ(0, IsGraphicsDeviceLost());
  const std::vector<uint32_t> after = DrawCube();
  ExpectMatches(Expected(model_reference::Identity()), after, "full_screen_restored");
  EXPECT_TRUE(before == after);
}

}  // namespace
