#include <gtest/gtest.h>

#include <string>

#include "core/log_capture.h"
#include "model/loaders/model_load_param.h"
#include "model/model_dump.h"
#include "model/model_fixture.h"
#include "model/system/model_system.h"

namespace {

class MqoSmokeTest : public model_fixture::ModelSystemTest {};

TEST_F(MqoSmokeTest, LoadsAQuad) {
  LogCapture log;
  const std::string text =
      "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nMaterial 1 {\r\n\t\"red\" col(1 0 0 1) dif(0.5) power(5)\r\n}\r\n"
      "Object \"quad\" {\r\n\tdepth 0\r\n\tvertex 4 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t1 1 0\r\n\t\t0 1 0\r\n\t}\r\n"
      "\tface 1 {\r\n\t\t4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1)\r\n\t}\r\n}\r\nEof\r\n";
  ModelLoadParam param = {text.c_str(), static_cast<int>(text.size()), "a/quad.mqo", "quad", "/tmp", nullptr};
  const int handle = LoadMqoModel(&param);
  ASSERT_GE(handle, 0) << log.Text();
  printf("%s", model_dump::DumpModelData(LookupModelData(handle)).c_str());
  EXPECT_EQ(0, ReleaseModelData(handle));
}

}  // namespace
