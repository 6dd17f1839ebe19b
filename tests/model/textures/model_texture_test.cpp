// Model textures on the recording device: files read through a caller's
// reader, the white stand-in for a missing file and its log line, the "_a"
// sibling, stored paths, power-of-two graphs with mip-maps, the has-alpha
// flag, the allocation-failure walk, the built-in textures, and graphs made
// again after a device reset or a screen-mode change.
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "core/log_capture.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/images/image_fixtures.h"
#include "graphics/images/image_loaders.h"
#include "model/draw/model_draw_fixture.h"
#include "model/loaders/model_load_param.h"
#include "model/loaders/mqo_test_support.h"
#include "model/textures/builtin_textures.h"
#include "model/textures/model_texture.h"
#include "model/textures/texture_images.h"
#include "model/textures/texture_reload.h"
#include "tools/mqo_write.h"

namespace {

// Files served from memory by path, as a model loader's own reader would.
struct MemoryFiles {
  std::map<std::string, Bytes> files;
  std::vector<std::string> reads;
  int releases = 0;
};

int ReadMemoryFile(const char *path, void **data, int *size, void *user) {
  MemoryFiles *files = static_cast<MemoryFiles *>(user);
  files->reads.push_back(path);
  auto found = files->files.find(path);
  if (found == files->files.end()) return -1;
  *data = malloc(found->second.size());
  memcpy(*data, found->second.data(), found->second.size());
  *size = static_cast<int>(found->second.size());
  return 0;
}

void ReleaseMemoryFile(void *data, void *user) {
  free(data);
  static_cast<MemoryFiles *>(user)->releases++;
}

Bytes RgbaPng(int width, int height, uint8_t alphaOfFirst) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  spec.colorType = PNG_COLOR_TYPE_RGBA;
  for (int y = 0; y < height; y++) {
    Bytes row(static_cast<size_t>(width) * 4, 200);
    for (int x = 0; x < width; x++) row[static_cast<size_t>(x) * 4 + 3] = 255;
    if (y == 0) row[3] = alphaOfFirst;
    spec.rows.push_back(row);
  }
  return MakePng(spec);
}

bool HasLine(const std::vector<std::string> &lines, const std::string &wanted) {
  for (const std::string &line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

bool HasTextureError(const std::vector<std::string> &lines) {
  for (const std::string &line : lines) {
    if (line.rfind("Load Texture Error", 0) == 0) return true;
  }
  return false;
}

class ModelTextureTest : public ModelDrawTest {
 protected:
  void SetUp() override {
    ModelDrawTest::SetUp();
    loader = {ReadMemoryFile, ReleaseMemoryFile, &files};
    startBlocks = GetAllocatedBlockCount();
  }
  void TearDown() override {
    FreeOutputs();
    ModelDrawTest::TearDown();
  }
  ModelTextureRequest Request(const char16_t *colour, const char16_t *alpha = nullptr) {
    return ModelTextureRequest{colour, alpha, u"C:\\m", 0, 1.0f, 0, &loader, 1};
  }
  void FreeOutputs() {
    if (out.graphHandle != -1) DeleteGraphHandle(out.graphHandle);
    VV_FREE(out.colourData);
    VV_FREE(out.alphaData);
    VV_FREE(out.storedColourPath);
    VV_FREE(out.storedAlphaPath);
    memset(&out, 0, sizeof out);
    out.graphHandle = -1;
  }
  std::vector<std::string> Lines() const { return mqo_test::LogLines(log.Text()); }
  FakeGfxObject *TextureOf(int handle) { return device.Object(GetGraphTexture(handle)); }

  LogCapture log;
  MemoryFiles files;
  ModelFileLoader loader = {};
  ModelTextureLoad out = {nullptr, 0, nullptr, 0, -1, 0, 0, 0, nullptr, nullptr};
  int startBlocks = 0;
};

TEST_F(ModelTextureTest, MissingColourFileGivesWhiteAndItsLine) {
  const ModelTextureRequest request = Request(u"C:\\m\\wood.png");
  ASSERT_EQ(0, LoadModelTexture(&request, &out));
  ASSERT_EQ(WHITE_IMAGE_TGA_SIZE, out.colourSize);
  EXPECT_EQ(0, memcmp(kWhiteImageTga, out.colourData, WHITE_IMAGE_TGA_SIZE));
  EXPECT_EQ(nullptr, out.alphaData);
  EXPECT_TRUE(IsGraphHandleValid(out.graphHandle));
  EXPECT_EQ(8, out.width);
  EXPECT_EQ(8, out.height);
  EXPECT_EQ(0, out.hasAlpha);
  EXPECT_TRUE(HasLine(Lines(), "Load Texture Error : カラーチャンネル画像ファイル C:\\m\\wood.png の読み込みに失敗しました"));
  // The "_a" sibling was looked for, and its absence is no error.
  EXPECT_EQ((std::vector<std::string>{"C:\\m\\wood.png", "C:\\m\\wood_a.png"}), files.reads);
}

TEST_F(ModelTextureTest, SiblingAlphaFileIsFoundSilently) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  files.files["C:\\m\\wood_a.png"] = MakeSolidRgbPng(4, 4, 128, 128, 128);
  const ModelTextureRequest request = Request(u"C:\\m\\wood.png");
  ASSERT_EQ(0, LoadModelTexture(&request, &out));
  EXPECT_EQ(files.files["C:\\m\\wood_a.png"], Bytes(static_cast<uint8_t *>(out.alphaData),
                                                    static_cast<uint8_t *>(out.alphaData) + out.alphaSize));
  EXPECT_EQ(1, out.hasAlpha);
  EXPECT_FALSE(HasTextureError(Lines()));
  // Every block the reader gave was handed back.
  EXPECT_EQ(2, files.releases);
}

TEST_F(ModelTextureTest, NamedMissingAlphaFileGivesItsLineAndWhite) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  const ModelTextureRequest request = Request(u"C:\\m\\wood.png", u"C:\\m\\mask.png");
  ASSERT_EQ(0, LoadModelTexture(&request, &out));
  EXPECT_EQ(WHITE_IMAGE_TGA_SIZE, out.alphaSize);
  EXPECT_EQ(1, out.hasAlpha);
  EXPECT_TRUE(HasLine(Lines(), "Load Texture Error : アルファチャンネル用テクスチャファイル C:\\m\\mask.png の読み込みに失敗しました"));
}

TEST_F(ModelTextureTest, StoredPathsAreRelativeToTheModelsFolder) {
  files.files["C:\\m\\tex\\wood.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  files.files["C:\\m\\tex\\mask.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  const ModelTextureRequest request = Request(u"C:\\m\\tex\\wood.png", u"C:\\m\\tex\\mask.png");
  ASSERT_EQ(0, LoadModelTexture(&request, &out));
  ASSERT_NE(nullptr, out.storedColourPath);
  ASSERT_NE(nullptr, out.storedAlphaPath);
  EXPECT_STREQ("tex\\wood.png", out.storedColourPath);
  EXPECT_STREQ("tex\\mask.png", out.storedAlphaPath);
}

TEST_F(ModelTextureTest, GraphHasPowerOfTwoSidesAndAFullMipChain) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(100, 60, 10, 20, 30);
  const ModelTextureRequest request = Request(u"C:\\m\\wood.png");
  ASSERT_EQ(0, LoadModelTexture(&request, &out));
  EXPECT_EQ(128, out.width);
  EXPECT_EQ(64, out.height);
  FakeGfxObject *texture = TextureOf(out.graphHandle);
  ASSERT_NE(nullptr, texture);
  EXPECT_EQ(128, texture->width);
  EXPECT_EQ(64, texture->height);
  EXPECT_EQ(8u, texture->mips.size() + 1);  // 128 x 64 down to 1 x 1
}

TEST_F(ModelTextureTest, HasAlphaFollowsTheColourImagesPixels) {
  const struct {
    uint8_t alpha;
    int hasAlpha;
  } cases[] = {{255, 0}, {254, 1}, {0, 1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.alpha);
    files.files["C:\\m\\wood.png"] = RgbaPng(4, 4, c.alpha);
    const ModelTextureRequest request = Request(u"C:\\m\\wood.png");
    ASSERT_EQ(0, LoadModelTexture(&request, &out));
    EXPECT_EQ(c.hasAlpha, out.hasAlpha);
    FreeOutputs();
  }
}

TEST_F(ModelTextureTest, UndecodableDataFailsWithItsLineAndKeepsNothing) {
  files.files["C:\\m\\wood.png"] = Bytes{1, 2, 3, 4};
  const ModelTextureRequest request = Request(u"C:\\m\\wood.png");
  EXPECT_EQ(-1, LoadModelTexture(&request, &out));
  EXPECT_EQ(nullptr, out.colourData);
  EXPECT_EQ(-1, out.graphHandle);
  EXPECT_EQ(nullptr, out.storedColourPath);
  EXPECT_EQ(startBlocks, GetAllocatedBlockCount());
  EXPECT_TRUE(HasLine(Lines(), "Load Texture Error : テクスチャ用の BASEIMAGE の作成に失敗しました"));
}

// Every allocation of the load, the graph's included, fails once in turn:
// the load either fails keeping nothing or succeeds whole (a failed read of
// the "_a" sibling is no error).
TEST_F(ModelTextureTest, EveryAllocationFailureLeavesNothing) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(6, 5, 10, 20, 30);
  files.files["C:\\m\\wood_a.png"] = MakeSolidRgbPng(6, 5, 128, 128, 128);
  const ModelTextureRequest request = Request(u"C:\\m\\wood.png");
  const int plenty = 1000000;
  SetAllocationFailureCountdown(plenty);
  ASSERT_EQ(0, LoadModelTexture(&request, &out));
  const int total = plenty - SetAllocationFailureCountdown(0);
  FreeOutputs();
  const int liveTextures = device.LiveOf("texture");
  ASSERT_GT(total, 3);
  int failures = 0;
  for (int n = 1; n <= total; n++) {
    SCOPED_TRACE(n);
    SetAllocationFailureCountdown(n);
    const int result = LoadModelTexture(&request, &out);
    SetAllocationFailureCountdown(0);
    if (result == 0) {
      EXPECT_TRUE(IsGraphHandleValid(out.graphHandle));
      FreeOutputs();
    } else {
      failures++;
      EXPECT_EQ(nullptr, out.colourData);
      EXPECT_EQ(-1, out.graphHandle);
    }
    EXPECT_EQ(startBlocks, GetAllocatedBlockCount());
    EXPECT_EQ(liveTextures, device.LiveOf("texture"));
  }
  EXPECT_GT(failures, 0);
}

TEST_F(ModelTextureTest, BuiltinTexturesAreMadeOnceAndRemadeWhenDeleted) {
  const int white = GetWhiteModelTexture();
  ASSERT_TRUE(IsGraphHandleValid(white));
  EXPECT_EQ(white, GetWhiteModelTexture());
  const int ramp = GetBuiltinModelTexture(BUILTIN_TOON_RAMP);
  const int gradient = GetBuiltinModelTexture(BUILTIN_GRADIENT);
  ASSERT_TRUE(IsGraphHandleValid(ramp));
  ASSERT_TRUE(IsGraphHandleValid(gradient));
  EXPECT_EQ(-1, GetBuiltinModelTexture(-3));
  EXPECT_EQ(256, TextureOf(ramp)->width);
  EXPECT_EQ(8, TextureOf(ramp)->height);
  // Pixel (x, y) of the gradient is grey x.
  FakeGfxObject *texels = TextureOf(gradient);
  for (int x : {0, 1, 100, 255}) {
    for (int y : {0, 7}) {
      const uint8_t *p = &texels->pixels[static_cast<size_t>(y) * texels->pitch + x * 4];
      EXPECT_EQ(x, p[0]) << x << "," << y;
      EXPECT_EQ(x, p[1]);
      EXPECT_EQ(x, p[2]);
    }
  }
  DeleteGraphHandle(white);
  DeleteGraphHandle(gradient);
  EXPECT_TRUE(IsGraphHandleValid(GetWhiteModelTexture()));
  EXPECT_TRUE(IsGraphHandleValid(GetBuiltinModelTexture(BUILTIN_GRADIENT)));
  DeleteGraphHandle(GetWhiteModelTexture());
  DeleteGraphHandle(GetBuiltinModelTexture(BUILTIN_GRADIENT));
  DeleteGraphHandle(ramp);
}

// A one-quad model whose material names wood.png, loaded through the
// memory reader from C:\m.
class TexturedModelTest : public ModelTextureTest {
 protected:
  int LoadTexturedModel() {
    MqoWriteModel model;
    MqoWriteMaterial material;
    material.name = "wood";
    material.tex = "wood.png";
    model.materials.push_back(material);
    MqoWriteObject quad;
    quad.name = "quad";
    quad.vertices = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    MqoWriteFace face;
    face.v = {0, 1, 2, 3};
    face.material = 0;
    face.uv = {0, 1, 1, 1, 1, 0, 0, 0};
    quad.faces.push_back(face);
    model.objects.push_back(quad);
    text = WriteMqo(model);
    const ModelLoadParam param = {text.c_str(), static_cast<int>(text.size()), "C:\\m\\quad.mqo", "quad", "C:\\m",
                                  &loader};
    return LoadMqoModel(&param);
  }
  std::string text;
};

TEST_F(TexturedModelTest, ReloadRestoresEmptiedTexels) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  const int dataHandle = LoadTexturedModel();
  ASSERT_GE(dataHandle, 0);
  ModelData *data = LookupModelData(dataHandle);
  ASSERT_TRUE(IsGraphHandleValid(data->textures[0].graphHandle));
  FakeGfxObject *texels = TextureOf(data->textures[0].graphHandle);
  const std::vector<uint8_t> kept = texels->pixels;
  ASSERT_NE(std::vector<uint8_t>(kept.size(), 0), kept);
  std::fill(texels->pixels.begin(), texels->pixels.end(), 0);
  EXPECT_EQ(0, VLMReloadTextures());
  EXPECT_EQ(kept, texels->pixels);
}

TEST_F(TexturedModelTest, ReloadSkipsATextureWithoutFileData) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  const int dataHandle = LoadTexturedModel();
  ASSERT_GE(dataHandle, 0);
  ModelTexture *texture = &LookupModelData(dataHandle)->textures[0];
  FakeGfxObject *texels = TextureOf(texture->graphHandle);
  std::fill(texels->pixels.begin(), texels->pixels.end(), 0);
  void *colour = texture->imageData;
  texture->imageData = nullptr;
  EXPECT_EQ(0, VLMReloadTextures());
  EXPECT_EQ(std::vector<uint8_t>(texels->pixels.size(), 0), texels->pixels);
  texture->imageData = colour;
}

// A screen-mode change deletes every graph and draw buffer while the
// model lives on: the texture gets a new graph its instances follow, and
// the buffers come back.
TEST_F(TexturedModelTest, ModeChangeRemakesTexturesAndBuffers) {
  files.files["C:\\m\\wood.png"] = MakeSolidRgbPng(4, 4, 10, 20, 30);
  const int dataHandle = LoadTexturedModel();
  ASSERT_GE(dataHandle, 0);
  const int instance = NewInstance(dataHandle);
  ASSERT_GE(instance, 0);
  ModelData *data = LookupModelData(dataHandle);
  const int oldHandle = data->textures[0].graphHandle;
  const std::vector<uint8_t> kept = TextureOf(oldHandle)->pixels;
  VLMReleaseAllDrawBuffers();
  DeleteGraphHandle(oldHandle);
  ASSERT_EQ(0, data->drawBuffersReady);
  EXPECT_EQ(0, RemakeModelGraphicsAfterModeChange());
  const int newHandle = data->textures[0].graphHandle;
  ASSERT_TRUE(IsGraphHandleValid(newHandle));
  EXPECT_EQ(kept, TextureOf(newHandle)->pixels);
  EXPECT_EQ(newHandle, LookupModelInstance(instance)->textures[0].graphHandle);
  EXPECT_EQ(1, data->drawBuffersReady);
}

}  // namespace
