#include <gtest/gtest.h>

#include "game/field/character.h"

namespace {

class Plain : public CCharacter {
 public:
  void Init() override {}
  void Unlink() override {}
};

TEST(CharacterTest, TurnsWrapByWholeFloatTurns) {
  Plain object;
  object.RotateBy(7.0f);
  EXPECT_FLOAT_EQ(object.GetAngle(), 7.0f - 6.2831855f);
  Plain twice;
  twice.RotateBy(13.0f);
  EXPECT_EQ(twice.GetAngle(), (13.0f - 6.2831855f) - 6.2831855f);
  Plain back;
  back.SetAngle(0.005f);
  back.RotateBackStep();
  EXPECT_EQ(back.GetAngle(), (0.005f - 0.01f) + 6.2831855f);
}

TEST(CharacterTest, WrapEdgesStay) {
  Plain full;
  full.SetAngle(6.2831855f);
  full.RotateBy(0.0f);
  EXPECT_EQ(full.GetAngle(), 6.2831855f);
  Plain zero;
  zero.RotateBackBy(0.0f);
  EXPECT_EQ(zero.GetAngle(), 0.0f);
  Plain large;
  large.SetAngle(10.0f);
  large.RotateBackBy(0.0f);
  EXPECT_EQ(large.GetAngle(), 10.0f);
  large.RotateStep();
  EXPECT_LT(large.GetAngle(), 6.2831855f);
}

TEST(CharacterTest, DefaultsAndDamage) {
  Plain object;
  EXPECT_EQ(object.GetLife(), 1);
  EXPECT_EQ(object.GetSphere().radius, 16.0f);
  EXPECT_EQ(object.GetHalfSizes().x, 12.0f);
  object.Damage(5);
  EXPECT_EQ(object.GetLife(), -4);
  object.SetAngle(1.0f);
  const OrientedBox box = object.GetBox();
  EXPECT_EQ(box.axes[0][0], 1.0f);
  EXPECT_EQ(box.axes[0][1], 0.0f);
  EXPECT_EQ(box.axes[1][1], 1.0f);
}

}  // namespace
