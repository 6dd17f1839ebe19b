#include "game/manager/sound_manager.h"

#include <limits.h>
#include <stdio.h>

#include "game/message_box.h"
#include "velvane.h"

namespace {

const char kMusicTablePath[] = "./Script/InitData/Music.dat";
const char kSoundTablePath[] = "./Script/InitData/Sound.dat";
const char kMusicFolder[] = "./Music/";
const char kSoundFolder[] = "./Sound/";
const char kStageMusic[] = "block.ogg";
const char kNoDataCaption[] = "NoData";
constexpr int kEffectBuffers = 3;
constexpr int kPlayBackground = 1;
constexpr int kPlayLoop = 3;

void ShowNoData(const std::string &text) {
  ShowMessageBox(text.c_str(), kNoDataCaption, nullptr, MESSAGE_BOX_OK);
}

// The whole file, or false when it cannot be opened.
bool ReadTableFile(const char *path, std::vector<uint8_t> &bytes) {
  FILE *file = fopen(path, "rb");
  if (!file) return false;
  uint8_t chunk[4096];
  size_t size;
  while ((size = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + size);
  fclose(file);
  return true;
}

// Integer text read as the runtime's atoi does (white space, sign, digits,
// anything else ends it), saturating instead of overflowing.
int TextToInt(const std::string &text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    if (value <= INT_MAX) value = value * 10 + (text[at] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

const SoundEntry *FindEntry(const std::vector<SoundEntry> &list, const char *fileName) {
  for (const SoundEntry &entry : list) {
    if (entry.fileName == fileName) return &entry;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> SplitTableLines(const uint8_t *bytes, size_t size) {
  std::string text;
  text.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n') continue;
    text.push_back(static_cast<char>(bytes[i]));
  }
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    // One read: up to kTableLineChars characters, the line feed among them.
    size_t end = at;
    while (end < text.size() && end - at < kTableLineChars) {
      if (text[end++] == '\n') break;
    }
    const std::string read = text.substr(at, end - at);
    // The line feed, or a NUL byte before it, ends the line as a C string.
    lines.push_back(read.substr(0, read.find_first_of(std::string("\n\0", 2))));
    at = end;
  }
  return lines;
}

bool ParseMusicLine(const std::string &line, MusicLine &music) {
  std::vector<std::string> fields;
  size_t at = 0;
  while (fields.size() < 3) {
    while (at < line.size() && line[at] == ',') ++at;
    if (at == line.size()) break;
    const size_t end = line.find(',', at);
    fields.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? line.size() : end;
  }
  if (fields.empty()) return false;
  music = MusicLine();
  music.fileName = fields[0];
  if (fields.size() > 1) music.loop = TextToInt(fields[1]) != 0 ? 1 : 0;
  if (fields.size() > 2) {
    music.hasLoopPosition = true;
    music.loopPositionMs = TextToInt(fields[2]);
  }
  return true;
}

SoundManager::~SoundManager() {
  DeleteAllSoundHandles();
  music_.clear();
  effects_.clear();
}

void SoundManager::LoadMusicList() { LoadTable(kMusicTablePath, &SoundManager::AddMusicEntry); }
void SoundManager::LoadSoundList() { LoadTable(kSoundTablePath, &SoundManager::AddSoundEntry); }

void SoundManager::LoadTable(const char *path, bool (SoundManager::*addEntry)(const std::string &)) {
  std::vector<uint8_t> bytes;
  if (!ReadTableFile(path, bytes)) {
    ShowNoData(std::string(path) + "は存在しません。");
    return;
  }
  for (const std::string &line : SplitTableLines(bytes.data(), bytes.size())) {
    if (!(this->*addEntry)(line)) ShowNoData(line);
  }
}

bool SoundManager::AddMusicEntry(const std::string &line) {
  MusicLine music;
  if (!ParseMusicLine(line, music)) return false;
  const std::string path = kMusicFolder + music.fileName;
  const int handle = LoadStreamSoundFromFile(path.c_str());
  if (handle == -1) {
    ShowNoData(path);
    return false;
  }
  if (music.hasLoopPosition) SetSoundLoopPositionMs(music.loopPositionMs, handle);
  music_.push_back(SoundEntry{handle, music.fileName, music.loop});
  return true;
}

bool SoundManager::AddSoundEntry(const std::string &line) {
  const std::string path = kSoundFolder + line;
  const int handle = LoadSoundFromFile(path.c_str(), kEffectBuffers, -1);
  if (handle == -1) return false;
  effects_.push_back(SoundEntry{handle, line, 0});
  return true;
}

void SoundManager::PlayStageMusic() {
  StopAllMusic();
  const SoundEntry *entry = FindEntry(music_, kStageMusic);
  if (entry) PlaySoundHandle(entry->handle, entry->loop ? kPlayLoop : kPlayBackground, 1);
}

void SoundManager::PlaySoundEffect(const char *fileName) {
  const SoundEntry *entry = FindEntry(effects_, fileName);
  if (entry) PlaySoundHandle(entry->handle, kPlayBackground, 1);
}

void SoundManager::StopAllMusic() {
  for (const SoundEntry &entry : music_) StopSoundHandle(entry.handle);
}
