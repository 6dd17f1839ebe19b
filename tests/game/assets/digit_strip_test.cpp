#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

#include "game/assets/sprite_strip.h"
#include "game_test.h"

namespace {

class DigitStripTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    gametest::WritePng("./Graph/Figure.png", 160, 24);
  }

  // Each draw as "name digit x y" (the digit read back from the cell).
  static std::vector<std::string> Drawn() {
    std::vector<std::string> draws;
    for (const fake::Call &call : fake::CallsOf(fake::CALL_DRAW)) {
      if (call.name == "DrawTextAt") {
        draws.push_back(call.name + " " + call.text + " " + std::to_string(int(call.args[0])) + " " +
                        std::to_string(int(call.args[1])));
        continue;
      }
      const bool rotated = call.name == "DrawGraphRotated";
      const int handle = static_cast<int>(call.args[rotated ? 4 : 2]);
      draws.push_back(call.name + " " + std::to_string(fake::GraphCell(handle)) + " " +
                      std::to_string(int(call.args[0])) + " " + std::to_string(int(call.args[1])));
    }
    return draws;
  }
};

using Draws = std::vector<std::string>;

TEST_F(DigitStripTest, NumbersRightAlignedWithLeadingZeros) {
  DigitStrip digits;
  ASSERT_EQ(digits.FrameCount(), 10);
  fake::ClearCalls();
  DrawNumber(8, 12345, 592, digits, 176);
  EXPECT_EQ(Drawn(), (Draws{"DrawGraphAt 5 608 176", "DrawGraphAt 4 592 176", "DrawGraphAt 3 576 176",
                            "DrawGraphAt 2 560 176", "DrawGraphAt 1 544 176", "DrawGraphAt 0 528 176",
                            "DrawGraphAt 0 512 176", "DrawGraphAt 0 496 176"}));
  const struct {
    int count, value;
    Draws draws;
  } cases[] = {
      {0, 7, {}},
      {-1, 7, {}},
      {2, 0, {"DrawGraphAt 0 32 0", "DrawGraphAt 0 16 0"}},
      {2, -1, {"DrawGraphAt 0 16 0"}},  // the units digit is negative and not drawn
      {1, 123, {"DrawGraphAt 3 32 0"}},
  };
  for (const auto &c : cases) {
    fake::ClearCalls();
    DrawNumber(c.count, c.value, 16, digits, 0);
    EXPECT_EQ(Drawn(), c.draws) << c.count << " " << c.value;
  }
}

TEST_F(DigitStripTest, ComboWithoutLeadingZeros) {
  DigitStrip digits;
  const struct {
    int value;
    Draws draws;
  } cases[] = {
      {0, {"DrawGraphRotated 0 616 432"}},
      {105, {"DrawGraphRotated 5 616 432", "DrawGraphRotated 0 600 432", "DrawGraphRotated 1 584 432"}},
      {-13, {"DrawTextAt \x83G\x83\x89 608 420", "DrawTextAt \x83G\x83\x89 592 420"}},
  };
  for (const auto &c : cases) {
    fake::ClearCalls();
    DrawComboNumber(c.value, digits, 1.5f);
    EXPECT_EQ(Drawn(), c.draws) << c.value;
  }
  fake::ClearCalls();
  DrawComboNumber(7, digits, 1.5f);
  EXPECT_EQ(fake::CallsOf(fake::CALL_DRAW)[0].args[2], 1.5);
}

TEST_F(DigitStripTest, NothingWithoutThePicture) {
  std::remove("./Graph/Figure.png");
  DigitStrip digits;
  fake::ClearCalls();
  DrawNumber(2, 12, 0, digits, 0);
  DrawComboNumber(3, digits, 1.0f);
  EXPECT_TRUE(fake::CallsOf(fake::CALL_DRAW).empty());
}

}  // namespace
