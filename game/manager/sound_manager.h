// The game's music and effects, loaded once from two text tables and then
// played and stopped by file name.
#ifndef PELLACOR_GAME_MANAGER_SOUND_MANAGER_H
#define PELLACOR_GAME_MANAGER_SOUND_MANAGER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "game/stage_state.h"

// Characters a table line is read in at most; a longer line reads as several.
constexpr size_t kTableLineChars = 254;

struct SoundEntry {
  int handle;
  std::string fileName;  // as written in the table
  int loop;              // 0 or 1
};

// One line of the music table: the file name, then an optional loop flag
// and loop position.
struct MusicLine {
  std::string fileName;
  int loop = 1;
  bool hasLoopPosition = false;
  int loopPositionMs = 0;
};

// The lines of a table file as the game reads them: CR LF counts as LF (as
// text mode does), every read takes at most kTableLineChars characters, a
// line feed among them, and the line ends at its line feed (dropped).
std::vector<std::string> SplitTableLines(const uint8_t *bytes, size_t size);
// Fields separated by runs of commas; false for a line without a file name.
bool ParseMusicLine(const std::string &line, MusicLine &music);

class SoundManager : public StageSound {
 public:
  SoundManager() = default;
  // Deletes every sound handle of the program.
  ~SoundManager() override;
  SoundManager(const SoundManager &) = delete;
  SoundManager &operator=(const SoundManager &) = delete;

  // "./Script/InitData/Music.dat": stream sounds under "./Music/".
  void LoadMusicList();
  // "./Script/InitData/Sound.dat": effects under "./Sound/", three buffers each.
  void LoadSoundList();

  void PlayStageMusic() override;
  void PlaySoundEffect(const char *fileName) override;
  void StopAllMusic() override;

  const std::vector<SoundEntry> &Music() const { return music_; }
  const std::vector<SoundEntry> &Effects() const { return effects_; }

 private:
  // Adds an entry per line; a missing table or a refused line is shown in a
  // "NoData" box.
  void LoadTable(const char *path, bool (SoundManager::*addEntry)(const std::string &));
  bool AddMusicEntry(const std::string &line);
  bool AddSoundEntry(const std::string &line);

  std::vector<SoundEntry> music_;
  std::vector<SoundEntry> effects_;
};

#endif
