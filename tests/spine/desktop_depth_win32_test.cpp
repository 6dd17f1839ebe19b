// A 24-bit desktop: this program links its own desktop depth in place of
// the system's, since no display here can be switched to 24 bits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/core_state.h"
#include "core/base/platform.h"
#include "spine_support.h"
#include "velvane.h"

int PlatformDesktopColorBits(void) { return 24; }

namespace {

TEST(DesktopDepth, TwentyFourBitDesktopRefusesToStartInWindowMode) {
  EnterPrivateDirectory("desktop24");
  int bits = 0;
  GetDesktopMode(NULL, NULL, &bits);
  EXPECT_EQ(24, bits);
  EXPECT_EQ(-1, StartFrameworkWindowed());
  const std::vector<std::string> lines = ReadLogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("Velvaneは２４ビットカラーモードに対応していません", lines.back()) << JoinLines(lines);
  EXPECT_EQ(0, IsFrameworkStarting());
  EXPECT_EQ(0, IsFrameworkInitialised());
  EXPECT_EQ(nullptr, GetWindowHandle());
}

}  // namespace
