// The support calls beside the draw paths: the material goes through the
// cache, a caller's stage set holds for the caller's own draws only, and an
// installed one for every draw until taken back.
#include <gtest/gtest.h>
#include <string.h>

#include "graphics/device/gfx_device.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw_calls/draw_fixture.h"
#include "graphics/draw_calls/draw_support.h"
#include "velvane.h"

namespace {

class DrawSupportTest : public DrawFixture {
 protected:
  // One stage adding the texture factor to the texture.
  TextureStageSet AddingSet(GfxTexture *texture) {
    TextureStageSet set;
    memset(&set, 0, sizeof set);
    set.alphaFunc = CMP_ALWAYS;
    set.srcBlend = BLEND_ONE;
    set.destBlend = BLEND_ONE;
    set.blendOp = BLENDOP_ADD;
    set.alphaBlendEnable = 1;
    set.textureFactor = static_cast<int>(0xFF204060u);
    set.stageCount = 1;
    set.stages[0] = TextureStageRecord{texture, 0, 0, TA_TEXTURE, TA_TFACTOR, TOP_ADD,
                                       TA_TEXTURE, TA_TFACTOR, TOP_ADD};
    return set;
  }
  uint32_t ColourOp() { return device.GetTextureStageState(0, TSS_COLOROP); }
};

TEST_F(DrawSupportTest, MaterialIsSentOnceThroughTheCache) {
  GfxMaterial material = {};
  material.diffuse = ColorF{0.5f, 0.25f, 1.0f, 1.0f};
  material.power = 8.0f;
  const int before = device.CountCalls("SetMaterial");
  EXPECT_EQ(0, SetDeviceMaterial(&material));
  EXPECT_EQ(0, SetDeviceMaterial(&material));
  EXPECT_EQ(before + 1, device.CountCalls("SetMaterial"));
  EXPECT_EQ(0, memcmp(&material, &device.mirror.material, sizeof material));
}

TEST_F(DrawSupportTest, StateRecordDrawsWhatWasQueuedAndTheNextDrawChoosesAgain) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, DrawGraphAt(10, 10, g.handle, 1));
  ASSERT_EQ(6, g_vertexBatch.count);
  const uint32_t builtIn = ColourOp();
  ASSERT_NE(static_cast<uint32_t>(TOP_ADD), builtIn);
  const TextureStageSet set = AddingSet(g.parts().entries[0].videoTexture);
  EXPECT_EQ(0, ApplyDrawStateRecord(&set, 0, static_cast<int>(0xFF102030u)));
  EXPECT_EQ(0, g_vertexBatch.count);
  EXPECT_EQ(static_cast<uint32_t>(TOP_ADD), ColourOp());
  EXPECT_EQ(0xFF102030u, device.GetRenderState(RS_TEXTUREFACTOR));
  // Same graph, same mode: only the marks make the draw send its own again.
  ASSERT_EQ(0, DrawGraphAt(10, 10, g.handle, 1));
  EXPECT_EQ(builtIn, ColourOp());
  EXPECT_EQ("", Join(Mismatches()));
}

TEST_F(DrawSupportTest, InstalledStageSetHoldsForEveryDrawUntilTakenBack) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, DrawGraphAt(10, 10, g.handle, 1));
  const uint32_t builtIn = ColourOp();
  TextureStageSet set = AddingSet(g.parts().entries[0].videoTexture);
  set.stageCount = 0;  // the count argument decides
  EXPECT_EQ(-1, SetTextureStageSet(9, 1, &set));
  EXPECT_EQ(-1, SetTextureStageSet(-1, 1, &set));
  EXPECT_EQ(builtIn, ColourOp());
  EXPECT_EQ(0, SetTextureStageSet(1, 1, &set));
  EXPECT_EQ(static_cast<uint32_t>(TOP_ADD), ColourOp());
  EXPECT_EQ(0xFF204060u, device.GetRenderState(RS_TEXTUREFACTOR));
  for (int mode : {0, 1, 4}) {
    SetBlendModeAndParam(mode, 200);
    ASSERT_EQ(0, DrawGraphAt(10, 10, g.handle, 1));
    EXPECT_EQ(static_cast<uint32_t>(TOP_ADD), ColourOp()) << mode;
  }
  SetBlendModeAndParam(0, 255);
  EXPECT_EQ(0, SetTextureStageSet(1, 0, &set));
  ASSERT_EQ(0, DrawGraphAt(10, 10, g.handle, 1));
  EXPECT_EQ(builtIn, ColourOp());
}

TEST_F(DrawSupportTest, WithoutADeviceNothingIsSent) {
  EndGraphicsSystem();
  auto sent = [&] {
    return device.CountCalls("SetMaterial") + device.CountCalls("SetTextureStageState");
  };
  const int before = sent();
  GfxMaterial material = {};
  material.power = 3.0f;
  const TextureStageSet set = AddingSet(nullptr);
  EXPECT_EQ(0, SetDeviceMaterial(&material));
  EXPECT_EQ(0, SetTextureStageSet(1, 1, &set));
  EXPECT_EQ(before, sent());
}

}  // namespace
