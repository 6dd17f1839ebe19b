#include "game/game_main.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

#include "game/manager/game_manager.h"
#include "game/scenes/title_scenes.h"
#include "shell_test.h"

namespace {

using Names = std::vector<std::string>;

const char kQuestion[] =
    "\x83t\x83\x8B\x83X\x83N\x83\x8A\x81[\x83\x93\x83\x82\x81[\x83h\x82\xC5\x8E\xC0\x8Ds\x82\xB5"
    "\x82\xDC\x82\xB7\x82\xA9";
const char kQuestionCaption[] = "\x83" "E\x83" "B\x83\x93\x83h\x83" "E\x90\xDD\x92\xE8";
const char kMissingSuffix[] = "\x82\xCD\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81" "B";

// A whole run: every pump moves the clock one frame on.
class GameMainTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    fake::OnCall("PumpMessages", [](int) { fake::AdvanceClock(kPassMs); });
  }

  // The names of the calls from the first call of from on, up to the first
  // call of to (excluded), of the categories that shape a run.
  static Names Between(const std::string &from, const std::string &to) {
    Names names;
    bool on = from.empty();
    for (const fake::Call &call : fake::Calls()) {
      if (call.name == from) on = true;
      if (on && call.name == to) break;
      if (on) names.push_back(call.name);
    }
    return names;
  }

  static std::vector<fake::Call> Boxes() { return fake::CallsOf(fake::CALL_BOX); }
};

std::vector<fake::InputFrame> ButtonsOn(int frame, int buttons) {
  std::vector<fake::InputFrame> input(static_cast<size_t>(frame));
  input.back().buttons = buttons;
  return input;
}

TEST_F(GameMainTest, FirstRunQuitByARightClickAfterBothFades) {
  fake::ScriptAnswers({MESSAGE_BOX_ANSWER_YES});
  fake::ScriptInput(ButtonsOn(kFadeFrames - 1, kRight));  // counter 1 as the fade-in ends
  std::string hiScoreAtEnd = "unset", initAtEnd = "unset", keysAtEnd = "unset";
  fake::OnCall("EndFramework", [&](int) {
    hiScoreAtEnd = gametest::ReadFile("./Data/HiScore.dat");
    initAtEnd = gametest::ReadFile("./Data/Init.dat");
    keysAtEnd = gametest::ReadFile("./Data/KeyConfig.dat");
  });

  EXPECT_EQ(GameMain(), 0);

  EXPECT_EQ(Between("", "PumpMessages"),
            (Names{"SetWindowTitle", "SetWindowIcon", "SetLogOutputFlag", "ChangeWindowMode",
                   "InitFramework", "ShowMessageBox", "SetScreenMode", "ChangeWindowMode",
                   "SetDrawClipRect", "SetColorKey", "SetMouseCursorVisible", "SetDefaultFontSize",
                   "SetDepthTest3D", "SetDepthWrite3D", "SetRunWhileInactive", "SetDrawTarget",
                   "DrawFormattedText", "PresentScreen",
                   // the manager: input, music, then effects
                   "GetMousePosition", "LoadStreamSoundFromFile", "LoadSoundFromFile", "LoadSoundFromFile",
                   // the title: loading screen, black, picture
                   "ClearDrawTarget", "SetDrawBrightness", "DrawFormattedText", "PresentScreen",
                   "SetDrawBrightness", "SetDrawBrightness", "SetDefaultLightDiffuse",
                   "LoadGraphFromFile", "GetGraphHandleSize", "LoadDividedGraph"}));
  const std::vector<fake::Call> system = fake::CallsOf(fake::CALL_SYSTEM);
  EXPECT_EQ(system[0].text, "Pellacor");
  EXPECT_EQ(system[1].args, std::vector<double>{101});
  EXPECT_EQ(system[2].args, std::vector<double>{0});
  EXPECT_EQ(system[3].args, std::vector<double>{1});
  EXPECT_EQ(system[5].args, (std::vector<double>{640, 480, 16, 60}));
  EXPECT_EQ(system[6].args, std::vector<double>{0});  // Yes: full screen
  EXPECT_EQ(system[7].args, (std::vector<double>{0, 0, 640, 480}));
  EXPECT_EQ(system[8].args, (std::vector<double>{255, 0, 255}));
  EXPECT_EQ(system[13].args, std::vector<double>{1});
  EXPECT_EQ(system[14].args, std::vector<double>{-2});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, std::string(kQuestion) + "|" + kQuestionCaption);
  EXPECT_EQ(Boxes()[0].args, (std::vector<double>{1, MESSAGE_BOX_YES_NO}));  // owned by the window

  // Fade-in, fade-out, then the quit flag ends the next pass.
  EXPECT_EQ(fake::CallCount("PumpMessages"), 2 * kFadeFrames + 1);
  EXPECT_EQ(fake::CallCount("PresentScreen"), 2 + 2 * kFadeFrames);  // not on the last pass
  EXPECT_EQ(Between("DeleteGraphHandle", "~"),
            (Names{"DeleteGraphHandle", "DeleteGraphHandle", "DeleteAllGraphHandles",
                   "EndFramework", "DeleteAllSoundHandles"}));

  EXPECT_EQ(hiScoreAtEnd, std::string("\x88\x13\0\0", 4));
  EXPECT_EQ(initAtEnd, "");
  EXPECT_EQ(keysAtEnd, "");
  EXPECT_EQ(gametest::ReadFile("./Data/Init.dat"), "\xCD\xCC\x8C\x3F");
  EXPECT_EQ(gametest::ReadFile("./Data/KeyConfig.dat").size(), 76u);
}

TEST_F(GameMainTest, NoMeansAWindowAndTheSettingsValueIsAlways1Point1) {
  gametest::WriteFile("./Data/Init.dat", std::string("\0\0\0\x40", 4));
  fake::FailCall("PumpMessages", 3);
  EXPECT_EQ(GameMain(), 0);
  const std::vector<fake::Call> system = fake::CallsOf(fake::CALL_SYSTEM);
  ASSERT_EQ(system[6].name, "ChangeWindowMode");
  EXPECT_EQ(system[6].args, std::vector<double>{1});
  EXPECT_EQ(fake::CallCount("GetAllKeyStates"), 2);
  EXPECT_EQ(gametest::ReadFile("./Data/Init.dat"), "\xCD\xCC\x8C\x3F");
}

TEST_F(GameMainTest, FrameworkThatDoesNotStartEndsAtOnce) {
  fake::FailCall("InitFramework", 1);
  EXPECT_EQ(GameMain(), -1);
  EXPECT_EQ(fake::NamesOf(fake::CALL_SYSTEM),
            (Names{"SetWindowTitle", "SetWindowIcon", "SetLogOutputFlag", "ChangeWindowMode",
                   "InitFramework"}));
  EXPECT_EQ(fake::Calls().size(), fake::NamesOf(fake::CALL_SYSTEM).size());
  EXPECT_EQ(gametest::ReadFile("./Data/HiScore.dat"), "");
  EXPECT_EQ(gametest::ReadFile("./Data/Init.dat"), "");
  EXPECT_EQ(gametest::ReadFile("./Data/KeyConfig.dat"), "");
}

TEST_F(GameMainTest, MissingTableShowsOneBoxAndBadMusicLineTwo) {
  gametest::WriteFile("./Script/InitData/Music.dat", "missing.ogg");
  fake::FailCall("PumpMessages", 1);  // a closed window ends the loop
  std::remove("./Script/InitData/Sound.dat");
  EXPECT_EQ(GameMain(), 0);
  std::vector<std::string> texts;
  for (const fake::Call &box : Boxes()) texts.push_back(box.text);
  EXPECT_EQ(texts, (Names{std::string(kQuestion) + "|" + kQuestionCaption,
                          "./Music/missing.ogg|NoData", "missing.ogg|NoData",
                          std::string("./Script/InitData/Sound.dat") + kMissingSuffix + "|NoData"}));
  for (size_t i = 1; i < Boxes().size(); ++i) {
    EXPECT_EQ(Boxes()[i].args, (std::vector<double>{0, MESSAGE_BOX_OK}));  // no owner
  }
  EXPECT_EQ(gametest::ReadFile("./Data/HiScore.dat"), std::string("\x88\x13\0\0", 4));
}

TEST_F(GameMainTest, EscapeInAFadeEndsAtTheNextPass) {
  fake::OnCall("PumpMessages", [](int n) {
    fake::AdvanceClock(kPassMs);
    if (n == 5) fake::SetKeyDown(1, true);
  });
  gametest::WriteFile("./Data/HiScore.dat", std::string("\x2A\0\0\0", 4));
  EXPECT_EQ(GameMain(), 0);
  EXPECT_EQ(fake::CallCount("PumpMessages"), 5);
  EXPECT_EQ(fake::CallCount("GetAllKeyStates"), 4);  // no frame on the last pass
  EXPECT_EQ(gametest::ReadFile("./Data/HiScore.dat"), std::string("\x2A\0\0\0", 4));
}

}  // namespace
