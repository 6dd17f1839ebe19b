// The game's models as the MQO loader reads them: each loads into model
// data with the frames the game draws by index, every frame with a mesh
// (a frame has one mesh per material it uses).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "model/loaders/model_load_param.h"
#include "model/model_fixture.h"

namespace {

using GameModelsTest = model_fixture::ModelSystemTest;

std::string ReadAsset(const std::string &name) {
  std::ifstream in(std::string(VELVANE_GAME_ASSETS) + "/Model/" + name + ".mqo", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST_F(GameModelsTest, FramesTheGameDraws) {
  const struct {
    const char *name;
    int frames;  // Player: bar, two caps, the held ball; block: one per life
  } cases[] = {{"Player", 4},    {"Ball", 1},     {"block", 3},   {"BomBlock", 2},
               {"HardBlock", 1}, {"BadBlock", 1}, {"SpeedUp", 1}, {"Turnabout", 1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string image = ReadAsset(c.name);
    ASSERT_FALSE(image.empty());
    const std::string path = std::string("C:\\game\\Model\\") + c.name + ".mqo";
    ModelLoadParam param = {image.c_str(), static_cast<int>(image.size()), path.c_str(), c.name,
                            "C:\\game\\Model", nullptr};
    const int handle = LoadMqoModel(&param);
    ASSERT_GE(handle, 0);
    const ModelData *data = LookupModelData(handle);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->frameCount, c.frames);
    for (int i = 0; i < data->frameCount; ++i) EXPECT_GE(data->frames[i].meshCount, 1) << i;
    EXPECT_EQ(ReleaseModelData(handle), 0);
  }
}

}  // namespace
