#include "game/manager/sound_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell_test.h"

namespace {

using Lines = std::vector<std::string>;

class SoundManagerTest : public ShellTest {
 protected:
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const fake::Call &call : fake::CallsOf(fake::CALL_BOX)) texts.push_back(call.text);
    return texts;
  }

  // The sound calls as "name text args...".
  std::vector<std::string> SoundCalls() {
    std::vector<std::string> calls;
    for (const fake::Call &call : fake::CallsOf(fake::CALL_SOUND)) {
      std::string line = call.name + " " + call.text;
      for (double arg : call.args) line += " " + std::to_string(static_cast<long long>(arg));
      calls.push_back(line);
    }
    return calls;
  }
};

Lines Split(const std::string &bytes) {
  return SplitTableLines(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

TEST(TableLinesTest, ReadLikeTextModeInPiecesOf254) {
  const std::string long300(300, 'a');
  const struct {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\n", {"a\rb"}},
      {"\n\n", {"", ""}},
      {std::string("a\0b\nc", 5), {"a", "c"}},
      {long300 + "\nz", {std::string(254, 'a'), std::string(46, 'a'), "z"}},
      {std::string(254, 'b') + "\n", {std::string(254, 'b'), ""}},
  };
  for (const auto &c : cases) EXPECT_EQ(Split(c.bytes), c.lines) << c.bytes.size();
}

TEST(TableLinesTest, MusicLineFields) {
  const struct {
    const char *line;
    bool ok;
    const char *name;
    int loop;
    bool hasPosition;
    int position;
  } cases[] = {
      {"block.ogg", true, "block.ogg", 1, false, 0},
      {"block.ogg,0", true, "block.ogg", 0, false, 0},
      {"block.ogg,1,5000", true, "block.ogg", 1, true, 5000},
      {",,block.ogg,,7,,-3,9", true, "block.ogg", 1, true, -3},
      {"a.ogg, 2x", true, "a.ogg", 1, false, 0},
      {"a.ogg,x", true, "a.ogg", 0, false, 0},
      {"a.ogg,1,99999999999", true, "a.ogg", 1, true, 2147483647},
      {"", false, "", 0, false, 0},
      {",,,", false, "", 0, false, 0},
  };
  for (const auto &c : cases) {
    MusicLine music;
    ASSERT_EQ(ParseMusicLine(c.line, music), c.ok) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(music.fileName, c.name) << c.line;
    EXPECT_EQ(music.loop, c.loop) << c.line;
    EXPECT_EQ(music.hasLoopPosition, c.hasPosition) << c.line;
    if (c.hasPosition) {
      EXPECT_EQ(music.loopPositionMs, c.position) << c.line;
    }
  }
}

TEST_F(SoundManagerTest, MusicLinesPlayAsTheyAsk) {
  const struct {
    const char *table;
    std::vector<std::string> calls;  // # stands for the music's handle
  } cases[] = {
      {"block.ogg",
       {"LoadStreamSoundFromFile ./Music/block.ogg", "StopSoundHandle  #", "PlaySoundHandle  # 3 1"}},
      {"block.ogg,0",
       {"LoadStreamSoundFromFile ./Music/block.ogg", "StopSoundHandle  #", "PlaySoundHandle  # 1 1"}},
      {"block.ogg,1,5000",
       {"LoadStreamSoundFromFile ./Music/block.ogg", "SetSoundLoopPositionMs  5000 #",
        "StopSoundHandle  #", "PlaySoundHandle  # 3 1"}},
  };
  for (const auto &c : cases) {
    fake::ClearCalls();
    gametest::WriteFile("./Script/InitData/Music.dat", c.table);
    SoundManager sounds;
    sounds.LoadMusicList();
    ASSERT_EQ(sounds.Music().size(), 1u);
    sounds.PlayStageMusic();
    std::vector<std::string> expected;
    for (std::string call : c.calls) {
      const size_t at = call.find('#');
      if (at != std::string::npos) call.replace(at, 1, std::to_string(sounds.Music()[0].handle));
      expected.push_back(call);
    }
    EXPECT_EQ(SoundCalls(), expected) << c.table;
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SoundManagerTest, EffectsByExactName) {
  gametest::WriteFile("./Script/InitData/Sound.dat", "delete.wav \nshok.wav\n" + std::string(300, 'x'));
  SoundManager sounds;
  sounds.LoadSoundList();
  const std::vector<fake::Call> loads = fake::CallsOf(fake::CALL_SOUND);
  ASSERT_EQ(loads.size(), 4u);
  EXPECT_EQ(loads[0].text, "./Sound/delete.wav ");
  EXPECT_EQ(loads[1].args, (std::vector<double>{3, -1}));
  // Windows opens a name with a trailing space as the name without it; the
  // entry keeps the name as written all the same.
  const bool trimmed = loads[0].result != -1;
  std::vector<std::string> boxes = {std::string(254, 'x') + "|NoData", std::string(46, 'x') + "|NoData"};
  if (!trimmed) boxes.insert(boxes.begin(), "delete.wav |NoData");
  EXPECT_EQ(Boxes(), boxes);
  ASSERT_EQ(sounds.Effects().size(), trimmed ? 2u : 1u);
  const SoundEntry &shok = sounds.Effects().back();
  EXPECT_EQ(shok.fileName, "shok.wav");
  fake::ClearCalls();
  sounds.PlaySoundEffect("delete.wav");
  sounds.PlaySoundEffect("SHOK.WAV");
  EXPECT_TRUE(SoundCalls().empty());
  sounds.PlaySoundEffect("shok.wav");
  EXPECT_EQ(SoundCalls(), std::vector<std::string>{"PlaySoundHandle  " + std::to_string(shok.handle) + " 1 1"});
}

TEST_F(SoundManagerTest, LineWithoutAFileNameIsRefused) {
  gametest::WriteFile("./Script/InitData/Music.dat", ",,\nblock.ogg");
  SoundManager sounds;
  sounds.LoadMusicList();
  EXPECT_EQ(Boxes(), std::vector<std::string>{",,|NoData"});
  EXPECT_EQ(sounds.Music().size(), 1u);
}

TEST_F(SoundManagerTest, EmptyListsPlayNothing) {
  SoundManager sounds;
  sounds.PlayStageMusic();
  sounds.PlaySoundEffect("delete.wav");
  sounds.StopAllMusic();
  EXPECT_TRUE(SoundCalls().empty());
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
