#include "game/scenes/title_scenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "game/scenes/stage_scene.h"
#include "shell_test.h"

namespace {

using TitleScenesTest = ShellTest;

std::vector<int> Brightness() {
  std::vector<int> levels;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_DRAW)) {
    if (call.name == "SetDrawBrightness") levels.push_back(static_cast<int>(call.args[0]));
  }
  return levels;
}

TEST_F(TitleScenesTest, FadesInAndOutInTwentySixSteps) {
  Install(new CTitle);
  fake::ClearCalls();
  FadeIn(kLeft);
  std::vector<int> expected;
  for (int level = 10; level < 255; level += 10) expected.push_back(level);
  expected.push_back(255);
  EXPECT_EQ(Brightness(), expected);
  EXPECT_EQ(Game().scene->fadeOut, 1);
  fake::ClearCalls();
  Idle(kFadeFrames);
  expected.clear();
  for (int level = 245; level > 0; level -= 10) expected.push_back(level);
  expected.push_back(0);
  // The last frame switches to the tutorial, whose loading screen shows.
  const std::vector<int> levels = Brightness();
  ASSERT_GE(levels.size(), expected.size());
  EXPECT_EQ(std::vector<int>(levels.begin(), levels.begin() + kFadeFrames), expected);
  EXPECT_NE(SceneAs<CTutorial>(), nullptr);
  EXPECT_EQ(gametest::DrawnPictures().back(), "Tutorial.png 0 0");  // drawn on the switching frame
}

TEST_F(TitleScenesTest, ClicksDuringTheFadeInAreIgnored) {
  Install(new CTitle);
  std::vector<int> buttons(kFadeFrames + 4, 0);
  for (int frame = 0; frame < kFadeFrames - 2; frame += 2) buttons[static_cast<size_t>(frame)] = kLeft;
  Frames(buttons);
  EXPECT_EQ(Game().scene->brightness, 255);
  EXPECT_EQ(Game().scene->fadeOut, 0);
}

TEST_F(TitleScenesTest, RightClickChoices) {
  const struct {
    int held;  // buttons held through the fade-in besides the right press
    int choice;
  } cases[] = {{0, CTitle::CHOICE_QUIT}, {kLeft, CTitle::CHOICE_START}};
  for (const auto &c : cases) {
    Install(new CTitle);
    std::vector<int> buttons(kFadeFrames, c.held);
    buttons[kFadeFrames - 2] |= kRight;
    Frames(buttons);
    ASSERT_NE(SceneAs<CTitle>(), nullptr);
    EXPECT_EQ(SceneAs<CTitle>()->choice, c.choice) << c.held;
    EXPECT_EQ(Game().scene->fadeOut, 1);
  }
  Idle(kFadeFrames);
  EXPECT_NE(SceneAs<CTutorial>(), nullptr);
}

TEST_F(TitleScenesTest, QuitChoiceStaysBlackAndSetsTheQuitFlag) {
  Install(new CTitle);
  FadeIn(kRight);
  Idle(kFadeFrames - 1);
  EXPECT_EQ(Game().quit, 0);
  Idle(1);
  EXPECT_EQ(Game().quit, 1);
  EXPECT_NE(SceneAs<CTitle>(), nullptr);
  EXPECT_FALSE(Pass());
  EXPECT_EQ(Game().scene, nullptr);
}

TEST_F(TitleScenesTest, HeldLeftDoesNotSkipTheTutorial) {
  Install(new CTitle);
  std::vector<int> buttons(3 * kFadeFrames + 10, kLeft);  // pressed on the title, never released
  std::fill(buttons.begin(), buttons.begin() + kFadeFrames - 2, 0);
  Frames(buttons);
  ASSERT_NE(SceneAs<CTutorial>(), nullptr);
  EXPECT_EQ(Game().scene->brightness, 255);
  EXPECT_EQ(Game().scene->fadeOut, 0);
}

TEST_F(TitleScenesTest, NoFirstStageGoesBackToTheTitle) {
  std::remove("./Script/Stage/1.csv");
  Install(new CTutorial);
  FadeIn(kLeft);
  Idle(kFadeFrames - 1);
  fake::ClearCalls();
  Idle(1);  // tutorial -> stage Init -> no stage -> title
  ASSERT_NE(SceneAs<CTitle>(), nullptr);
  EXPECT_EQ(Game().scene->game, &Game());
  EXPECT_EQ(Game().scene->brightness, 0);
  EXPECT_EQ(gametest::DrawnPictures(), std::vector<std::string>{"Title.png 0 0"});
  EXPECT_EQ(fake::LiveGraphCount(), 2);  // the title's picture alone
}

}  // namespace
