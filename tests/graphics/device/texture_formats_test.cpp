#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/device/texture_formats.h"
#include "graphics/device/gfx_fixture.h"

namespace {

GfxCaps Without(std::vector<int> textures, std::vector<int> targets = {}) {
  GfxCaps caps = FullGfxCaps();
  for (int format : textures) caps.texture[GfxCapsFormatIndex(format)] = 0;
  for (int format : targets) caps.renderTarget[GfxCapsFormatIndex(format)] = 0;
  return caps;
}

struct FormatCase {
  const char *name;
  GfxCaps caps;
  int displayFormat;
  int index;
  int expected;
  const char *line;  // must be in the log
};

class TextureFormatTest : public GfxFixture {};

TEST_F(TextureFormatTest, EachRowFallsBackInOrder) {
  const FormatCase cases[] = {
      {"all first choices 16", FullGfxCaps(), GFX_FMT_R5G6B5, TEXFMT_16, GFX_FMT_R5G6B5,
       "16bit カラーフォーマットは D3DFMT_R5G6B5 です"},
      {"A8R8G8B8 named with V_", FullGfxCaps(), GFX_FMT_X8R8G8B8, TEXFMT_ALPHA_32,
       GFX_FMT_A8R8G8B8, "アルファ付き 32bit カラーフォーマットは V_D3DFMT_A8R8G8B8 です"},
      {"no R5G6B5", Without({GFX_FMT_R5G6B5}), GFX_FMT_R5G6B5, TEXFMT_16, GFX_FMT_X1R5G5B5,
       "16bit カラーフォーマットは D3DFMT_X1R5G5B5 です"},
      {"no X8R8G8B8 takes entry 0", Without({GFX_FMT_R5G6B5, GFX_FMT_X8R8G8B8}),
       GFX_FMT_R5G6B5, TEXFMT_32, GFX_FMT_X1R5G5B5,
       "32bit カラーフォーマットは D3DFMT_X1R5G5B5 です"},
      {"no A4R4G4B4", Without({GFX_FMT_A4R4G4B4}), GFX_FMT_R5G6B5, TEXFMT_ALPHA_16,
       GFX_FMT_A8R8G8B8, "アルファ付き 16bit カラーフォーマットは V_D3DFMT_A8R8G8B8 です"},
      {"alpha test 16 third choice", Without({GFX_FMT_A1R5G5B5, GFX_FMT_A8R8G8B8}),
       GFX_FMT_R5G6B5, TEXFMT_ALPHATEST_16, GFX_FMT_A4R4G4B4,
       "アルファテスト用 16bit カラーフォーマットは D3DFMT_A4R4G4B4 です"},
      {"alpha test 32 second choice", Without({GFX_FMT_A8R8G8B8}), GFX_FMT_R5G6B5,
       TEXFMT_ALPHATEST_32, GFX_FMT_A1R5G5B5,
       "アルファテスト用 32bit カラーフォーマットは D3DFMT_A1R5G5B5 です"},
      {"DXT1 present", FullGfxCaps(), GFX_FMT_R5G6B5, TEXFMT_DXT1, GFX_FMT_DXT1,
       "ＤＸＴ１テクスチャフォーマットは V_D3DFMT_DXT1 です"},
      {"no DXT1 takes entry 4", Without({GFX_FMT_DXT1}), GFX_FMT_R5G6B5, TEXFMT_DXT1,
       GFX_FMT_A1R5G5B5, "ＤＸＴ１テクスチャフォーマットは使えません"},
      {"no DXT3 takes entry 3", Without({GFX_FMT_DXT3}), GFX_FMT_R5G6B5, 8, GFX_FMT_A8R8G8B8,
       "ＤＸＴ３テクスチャフォーマットは使えません"},
      {"row 11 on a 16-bit display", FullGfxCaps(), GFX_FMT_R5G6B5, TEXFMT_TARGET_16,
       GFX_FMT_R5G6B5, "描画用 16bit カラーフォーマットは D3DFMT_R5G6B5 です"},
      {"row 11 on a 32-bit display", FullGfxCaps(), GFX_FMT_X8R8G8B8, TEXFMT_TARGET_16,
       GFX_FMT_X1R5G5B5, "描画用 16bit カラーフォーマットは D3DFMT_X1R5G5B5 です"},
      {"row 11 last choice", Without({}, {GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5}), GFX_FMT_R5G6B5,
       TEXFMT_TARGET_16, GFX_FMT_X8R8G8B8,
       "描画用 16bit カラーフォーマットは D3DFMT_X8R8G8B8 です"},
      {"row 11 falls to entry 0",
       Without({}, {GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5, GFX_FMT_X8R8G8B8}), GFX_FMT_R5G6B5,
       TEXFMT_TARGET_16, GFX_FMT_R5G6B5,
       "使用できる描画用 16bit カラーフォーマットがありませんでした"},
      {"row 12 falls to entry 0",
       Without({}, {GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5, GFX_FMT_X8R8G8B8}), GFX_FMT_R5G6B5,
       TEXFMT_TARGET_32, GFX_FMT_R5G6B5,
       "使用できる描画用 32bit カラーフォーマットがありませんでした"},
      {"row 13 falls to entry 0", Without({}, {GFX_FMT_A8R8G8B8, GFX_FMT_A4R4G4B4}),
       GFX_FMT_R5G6B5, TEXFMT_TARGET_ALPHA_32, GFX_FMT_R5G6B5,
       "使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした"},
  };
  for (const FormatCase &c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    TextureFormatTable table = {};
    ASSERT_EQ(0, ChooseTextureFormats(&c.caps, c.displayFormat, 16, &table));
    EXPECT_EQ(c.expected, table.formats[c.index]);
    EXPECT_TRUE(Logged(c.line)) << log.Text();
  }
}

TEST_F(TextureFormatTest, EmptyRowFailsTheDevice) {
  const struct {
    GfxCaps caps;
    const char *line;
  } cases[] = {
      {Without({GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5}),
       "使用できる 16bit カラーフォーマットが見つかりませんでした"},
      {Without({GFX_FMT_A4R4G4B4, GFX_FMT_A8R8G8B8}),
       "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした"},
      {Without({GFX_FMT_A4R4G4B4, GFX_FMT_A8R8G8B8, GFX_FMT_A1R5G5B5}),
       "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした"},
  };
  for (const auto &c : cases) {
    log.Clear();
    TextureFormatTable table = {};
    EXPECT_EQ(-1, ChooseTextureFormats(&c.caps, GFX_FMT_R5G6B5, 16, &table));
    EXPECT_TRUE(Logged(c.line)) << log.Text();
  }
}

TEST_F(TextureFormatTest, ScreenDepthPairFollowsTheColourBits) {
  TextureFormatTable table = {};
  const GfxCaps caps = FullGfxCaps();
  ChooseTextureFormats(&caps, GFX_FMT_X8R8G8B8, 32, &table);
  EXPECT_EQ(table.formats[TEXFMT_TARGET_32], table.screenColorFormat);
  EXPECT_EQ(table.formats[TEXFMT_ALPHATEST_32], table.screenAlphaTestFormat);
  ChooseTextureFormats(&caps, GFX_FMT_R5G6B5, 16, &table);
  EXPECT_EQ(table.formats[TEXFMT_TARGET_16], table.screenColorFormat);
  EXPECT_EQ(table.formats[TEXFMT_ALPHATEST_16], table.screenAlphaTestFormat);
}

TEST_F(TextureFormatTest, DepthFormatsInOrder) {
  const struct {
    int d16, d24, d32, expected;
  } cases[] = {{1, 1, 1, GFX_FMT_D16}, {0, 1, 1, GFX_FMT_D24X8}, {0, 0, 1, GFX_FMT_D32},
               {0, 0, 0, GFX_FMT_UNKNOWN}};
  for (const auto &c : cases) {
    GfxCaps caps = FullGfxCaps();
    caps.depth[0] = c.d16;
    caps.depth[1] = c.d24;
    caps.depth[2] = c.d32;
    log.Clear();
    EXPECT_EQ(c.expected, ChooseDepthFormat(&caps));
    if (c.expected == GFX_FMT_UNKNOWN) {
      EXPECT_TRUE(Logged("使用できる Zバッファフォーマットが見つかりませんでした\r\n"));
    } else {
      EXPECT_TRUE(Logged(std::string("Ｚバッファのフォーマットは ") +
                         GfxFormatLogName(c.expected) + " です"));
    }
  }
}

}  // namespace
