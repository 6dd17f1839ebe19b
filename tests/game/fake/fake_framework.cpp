#include "fake/fake_framework.h"

#include <stdarg.h>
#include <stdio.h>

#include <deque>
#include <map>
#include <set>
#include <utility>

#include "velvane.h"

namespace {

constexpr int kModelFrameDefault = 4;
constexpr int kGraphKind = 1;
constexpr int kModelKind = 10;
constexpr int kSoundKind = 2;

struct GraphRecord {
  int width, height;
};

struct ModelInstance {
  int data;  // key into State::modelData
};

// Shared by its instances, gone with the last one.
struct ModelData {
  std::string path;
  int frames;
  int instances;
};

struct State {
  bool recording = true;
  std::vector<fake::Call> calls;
  std::map<std::string, int> callCounts;
  std::set<std::pair<std::string, std::string>> failPaths;
  std::set<std::pair<std::string, int>> failCalls;
  std::deque<fake::InputFrame> input;
  fake::InputFrame current;
  int cursorX = 320, cursorY = 240;
  uint32_t clock = 0;
  std::map<std::string, int> frameCounts;
  std::deque<MessageBoxAnswer> answers;
  std::map<int, GraphRecord> graphs;
  std::map<int, ModelInstance> models;
  std::map<int, ModelData> modelData;
  int nextData = 0;
  int nextSlot = 0;
  std::map<std::string, std::function<void(int)>> hooks;
  std::set<int> keysDown;
  bool windowActive = true;
  std::set<int> sounds;
  std::map<int, std::pair<std::string, int>> graphOrigins;  // kept after deletion
};

State &S() {
  static State state;
  return state;
}

int MakeHandle(int kind) {
  const int slot = S().nextSlot++ & 0xFFFF;
  const int check = (S().nextSlot >> 16) & 0x7FF;
  return kind << 27 | check << 16 | slot;
}

// Counts the call and tells whether it is to fail.
bool Failing(const char *function, const std::string &path = std::string()) {
  State &s = S();
  const int n = ++s.callCounts[function];
  auto hook = s.hooks.find(function);
  if (hook != s.hooks.end()) hook->second(n);
  return s.failCalls.count({function, n}) != 0 || s.failPaths.count({function, path}) != 0;
}

int Record(fake::Category category, const char *name, const std::string &text,
           std::vector<double> args, int result) {
  if (S().recording) S().calls.push_back(fake::Call{category, name, text, std::move(args), result});
  return result;
}

// Width and height from a PNG file's signature and IHDR chunk.
bool ReadPngSize(const char *path, int &width, int &height) {
  FILE *file = fopen(path, "rb");
  if (!file) return false;
  unsigned char header[24];
  const size_t size = fread(header, 1, sizeof header, file);
  fclose(file);
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < sizeof header) return false;
  for (int i = 0; i < 8; ++i) {
    if (header[i] != kSignature[i]) return false;
  }
  if (header[12] != 'I' || header[13] != 'H' || header[14] != 'D' || header[15] != 'R')
    return false;
  auto big = [&](int at) {
    return static_cast<int>(static_cast<uint32_t>(header[at]) << 24 | header[at + 1] << 16 |
                            header[at + 2] << 8 | header[at + 3]);
  };
  width = big(16);
  height = big(20);
  return width > 0 && height > 0;
}

bool LiveGraph(int handle) { return S().graphs.count(handle) != 0; }

const ModelData *DataOf(int handle) {
  auto it = S().models.find(handle);
  return it == S().models.end() ? nullptr : &S().modelData[it->second.data];
}

int NewInstance(int data) {
  const int handle = MakeHandle(kModelKind);
  S().models[handle] = ModelInstance{data};
  S().modelData[data].instances += 1;
  return handle;
}

void DeleteInstance(int handle) {
  const int data = S().models[handle].data;
  S().models.erase(handle);
  if (--S().modelData[data].instances == 0) S().modelData.erase(data);
}

}  // namespace

namespace fake {

void Reset() {
  State &s = S();
  const int nextSlot = s.nextSlot;  // handles stay distinct across tests
  s = State();
  s.nextSlot = nextSlot;
}

void SetRecording(bool on) { S().recording = on; }
const std::vector<Call> &Calls() { return S().calls; }

std::vector<Call> CallsOf(Category category) {
  std::vector<Call> result;
  for (const Call &call : S().calls) {
    if (call.category == category) result.push_back(call);
  }
  return result;
}

std::vector<std::string> NamesOf(Category category) {
  std::vector<std::string> names;
  for (const Call &call : CallsOf(category)) names.push_back(call.name);
  return names;
}

void ClearCalls() { S().calls.clear(); }

void ScriptInput(const std::vector<InputFrame> &frames) {
  S().input.assign(frames.begin(), frames.end());
}

void SetCursor(int x, int y) {
  S().cursorX = x;
  S().cursorY = y;
}

int CursorX() { return S().cursorX; }
int CursorY() { return S().cursorY; }
void AdvanceClock(uint32_t milliseconds) { S().clock += milliseconds; }
void SetModelFrameCount(const std::string &path, int count) { S().frameCounts[path] = count; }
void FailPath(const std::string &function, const std::string &path) {
  S().failPaths.insert({function, path});
}
void FailCall(const std::string &function, int n) { S().failCalls.insert({function, n}); }
void ScriptAnswers(const std::vector<MessageBoxAnswer> &answers) {
  S().answers.assign(answers.begin(), answers.end());
}

void OnCall(const std::string &function, std::function<void(int n)> hook) {
  S().hooks[function] = std::move(hook);
}
void SetKeyDown(int key, bool down) {
  if (down) {
    S().keysDown.insert(key);
  } else {
    S().keysDown.erase(key);
  }
}
void SetWindowActive(bool active) { S().windowActive = active; }

std::string GraphPath(int handle) {
  auto it = S().graphOrigins.find(handle);
  return it == S().graphOrigins.end() ? std::string() : it->second.first;
}

int GraphCell(int handle) {
  auto it = S().graphOrigins.find(handle);
  return it == S().graphOrigins.end() ? -1 : it->second.second;
}

int LiveSoundCount() { return static_cast<int>(S().sounds.size()); }
void *WindowHandle() {
  static int window;
  return &window;
}

bool IsLiveGraph(int handle) { return LiveGraph(handle); }
int LiveGraphCount() { return static_cast<int>(S().graphs.size()); }
bool IsLiveModel(int handle) { return DataOf(handle) != nullptr; }
int LiveModelCount() { return static_cast<int>(S().models.size()); }

std::string ModelPathOf(int handle) {
  const ModelData *data = DataOf(handle);
  return data ? data->path : std::string();
}

int CallCount(const std::string &function) {
  auto it = S().callCounts.find(function);
  return it == S().callCounts.end() ? 0 : it->second;
}

void Sound::PlaySoundEffect(const char *fileName) {
  Record(CALL_SOUND, "PlaySoundEffect", fileName, {}, 0);
}
void Sound::PlayStageMusic() { Record(CALL_SOUND, "PlayStageMusic", "", {}, 0); }
void Sound::StopAllMusic() { Record(CALL_SOUND, "StopAllMusic", "", {}, 0); }

}  // namespace fake

using fake::CALL_CAMERA;
using fake::CALL_DRAW;
using fake::CALL_GRAPH;
using fake::CALL_INPUT;
using fake::CALL_MODEL;

// Input -------------------------------------------------------------------

int GetAllKeyStates(char *keyStates) {
  State &s = S();
  Failing("GetAllKeyStates");
  if (s.input.empty()) {
    s.current = fake::InputFrame();
  } else {
    s.current = s.input.front();
    s.input.pop_front();
  }
  s.cursorX += s.current.moveX;
  s.cursorY += s.current.moveY;
  for (int i = 0; i < 256; ++i) keyStates[i] = 0;
  for (int key : s.current.keys) {
    if (key >= 0 && key < 256) keyStates[key] = 1;
  }
  return Record(CALL_INPUT, "GetAllKeyStates", "", {}, 0);
}

int GetJoypadState(int pad) {
  Failing("GetJoypadState");
  return Record(CALL_INPUT, "GetJoypadState", "", {double(pad)}, pad == 1 ? S().current.padBits : 0);
}

int GetMouseButtons(void) {
  Failing("GetMouseButtons");
  return Record(CALL_INPUT, "GetMouseButtons", "", {}, S().current.buttons);
}

int GetMousePosition(int *x, int *y) {
  Failing("GetMousePosition");
  if (x) *x = S().cursorX;
  if (y) *y = S().cursorY;
  return Record(CALL_INPUT, "GetMousePosition", "", {}, 0);
}

int SetMousePosition(int x, int y) {
  Failing("SetMousePosition");
  fake::SetCursor(x, y);
  return Record(CALL_INPUT, "SetMousePosition", "", {double(x), double(y)}, 0);
}

int GetNowMilliseconds(void) {
  Failing("GetNowMilliseconds");
  return static_cast<int>(S().clock & 0x7FFFFFFFu);
}

// Graphs ------------------------------------------------------------------

int LoadGraphFromFile(const char *path, int flag) {
  int width = 0, height = 0;
  int result = -1;
  if (!Failing("LoadGraphFromFile", path) && ReadPngSize(path, width, height)) {
    result = MakeHandle(kGraphKind);
    S().graphs[result] = GraphRecord{width, height};
    S().graphOrigins[result] = {path, -1};
  }
  return Record(CALL_GRAPH, "LoadGraphFromFile", path, {double(flag)}, result);
}

int LoadDividedGraph(const char *path, int count, int columns, int rows, int cellWidth,
                     int cellHeight, int *handles, int flag) {
  int width = 0, height = 0;
  int result = -1;
  if (!Failing("LoadDividedGraph", path) && ReadPngSize(path, width, height) && count > 0 &&
      columns > 0 && rows > 0 && count <= columns * rows && handles) {
    for (int i = 0; i < count; ++i) {
      handles[i] = MakeHandle(kGraphKind);
      S().graphs[handles[i]] = GraphRecord{cellWidth, cellHeight};
      S().graphOrigins[handles[i]] = {path, i};
    }
    result = 0;
  }
  return Record(CALL_GRAPH, "LoadDividedGraph", path,
                {double(count), double(columns), double(rows), double(cellWidth),
                 double(cellHeight), double(flag)},
                result);
}

int GetGraphHandleSize(int handle, int *width, int *height) {
  int result = -1;
  if (!Failing("GetGraphHandleSize") && LiveGraph(handle)) {
    if (width) *width = S().graphs[handle].width;
    if (height) *height = S().graphs[handle].height;
    result = 0;
  }
  return Record(CALL_GRAPH, "GetGraphHandleSize", "", {double(handle)}, result);
}

int DeleteGraphHandle(int handle) {
  int result = -1;
  if (!Failing("DeleteGraphHandle") && LiveGraph(handle)) {
    S().graphs.erase(handle);
    result = 0;
  }
  return Record(CALL_GRAPH, "DeleteGraphHandle", "", {double(handle)}, result);
}

int DrawGraphAt(int x, int y, int handle, int transparent) {
  const int result = !Failing("DrawGraphAt") && LiveGraph(handle) ? 0 : -1;
  return Record(CALL_DRAW, "DrawGraphAt", "", {double(x), double(y), double(handle), double(transparent)},
                result);
}

int DrawGraphBillboard(Vector3 position, float centreX, float centreY, float size, float angle,
                       int handle, int transparent, int turn) {
  const int result = !Failing("DrawGraphBillboard") && LiveGraph(handle) ? 0 : -1;
  return Record(CALL_DRAW, "DrawGraphBillboard", "",
                {position.x, position.y, position.z, centreX, centreY, size, angle, double(handle),
                 double(transparent), double(turn)},
                result);
}

int SetCameraLookAt(Vector3 position, Vector3 target) {
  Failing("SetCameraLookAt");
  return Record(CALL_CAMERA, "SetCameraLookAt", "",
                {position.x, position.y, position.z, target.x, target.y, target.z}, 0);
}

int SetProjectionCenter(float x, float y) {
  Failing("SetProjectionCenter");
  return Record(CALL_CAMERA, "SetProjectionCenter", "", {x, y}, 0);
}

// Models ------------------------------------------------------------------

int LoadModel(const char *path) {
  int result = -1;
  FILE *file = fopen(path, "rb");
  if (file) fclose(file);
  if (!Failing("LoadModel", path) && file) {
    auto count = S().frameCounts.find(path);
    const int data = S().nextData++;
    S().modelData[data] =
        ModelData{path, count == S().frameCounts.end() ? kModelFrameDefault : count->second, 0};
    result = NewInstance(data);
  }
  return Record(CALL_MODEL, "LoadModel", path, {}, result);
}

int VLMCloneInstance(int handle) {
  int result = -1;
  if (!Failing("VLMCloneInstance") && DataOf(handle)) result = NewInstance(S().models[handle].data);
  return Record(CALL_MODEL, "VLMCloneInstance", "", {double(handle)}, result);
}

int VLMDeleteInstance(int handle) {
  int result = -1;
  if (!Failing("VLMDeleteInstance") && DataOf(handle)) {
    DeleteInstance(handle);
    result = 0;
  }
  return Record(CALL_MODEL, "VLMDeleteInstance", "", {double(handle)}, result);
}

int VLMSetInstancePosition(int handle, float x, float y, float z) {
  const int result = !Failing("VLMSetInstancePosition") && DataOf(handle) ? 0 : -1;
  return Record(CALL_MODEL, "VLMSetInstancePosition", "", {double(handle), x, y, z}, result);
}

int VLMSetInstanceRotation(int handle, float x, float y, float z) {
  const int result = !Failing("VLMSetInstanceRotation") && DataOf(handle) ? 0 : -1;
  return Record(CALL_MODEL, "VLMSetInstanceRotation", "", {double(handle), x, y, z}, result);
}

int VLMDrawInstance(int handle) {
  const int result = !Failing("VLMDrawInstance") && DataOf(handle) ? 0 : -1;
  return Record(CALL_MODEL, "VLMDrawInstance", "", {double(handle)}, result);
}

int VLMDrawInstanceFrame(int handle, int frameIndex) {
  const ModelData *data = DataOf(handle);
  const int result = !Failing("VLMDrawInstanceFrame") && data && frameIndex >= 0 &&
                             frameIndex < data->frames
                         ? 0
                         : -1;
  return Record(CALL_MODEL, "VLMDrawInstanceFrame", "", {double(handle), double(frameIndex)},
                result);
}

int DrawGraphRotated(int cx, int cy, double scale, double angle, int handle, int transparent,
                     int turn) {
  const int result = !Failing("DrawGraphRotated") && LiveGraph(handle) ? 0 : -1;
  return Record(CALL_DRAW, "DrawGraphRotated", "",
                {double(cx), double(cy), scale, angle, double(handle), double(transparent), double(turn)},
                result);
}

int DrawTextAt(int x, int y, const char *text, int color, int edgeColor) {
  const int result = Failing("DrawTextAt") ? -1 : 0;
  return Record(CALL_DRAW, "DrawTextAt", text, {double(x), double(y), double(color), double(edgeColor)},
                result);
}

int DrawFormattedText(int x, int y, int color, const char *format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  const int result = Failing("DrawFormattedText") ? -1 : 0;
  return Record(CALL_DRAW, "DrawFormattedText", text, {double(x), double(y), double(color)}, result);
}

int DeleteAllGraphHandles(void) {
  Failing("DeleteAllGraphHandles");
  S().graphs.clear();
  return Record(CALL_GRAPH, "DeleteAllGraphHandles", "", {}, 0);
}

// Calls that only take values: logged, failing when told to.
namespace {
int Plain(fake::Category category, const char *name, std::vector<double> args,
          const std::string &text = std::string()) {
  return Record(category, name, text, std::move(args), Failing(name) ? -1 : 0);
}
}  // namespace

int ClearDrawTarget(const Rect *rect) { return Plain(CALL_DRAW, "ClearDrawTarget", {rect ? 1.0 : 0.0}); }
int PresentScreen(void) { return Plain(CALL_DRAW, "PresentScreen", {}); }
int SetDrawBrightness(int r, int g, int b) {
  return Plain(CALL_DRAW, "SetDrawBrightness", {double(r), double(g), double(b)});
}
int SetDefaultLightDiffuse(ColorF color) {
  return Plain(CALL_DRAW, "SetDefaultLightDiffuse", {color.r, color.g, color.b, color.a});
}
uint32_t PackDrawColor(int r, int g, int b) {
  return static_cast<uint32_t>((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
}

using fake::CALL_SYSTEM;

int SetWindowTitle(const char *title) { return Plain(CALL_SYSTEM, "SetWindowTitle", {}, title); }
int SetWindowIcon(int resourceId) { return Plain(CALL_SYSTEM, "SetWindowIcon", {double(resourceId)}); }
int SetLogOutputFlag(int on) { return Plain(CALL_SYSTEM, "SetLogOutputFlag", {double(on)}); }
int ChangeWindowMode(int windowed) { return Plain(CALL_SYSTEM, "ChangeWindowMode", {double(windowed)}); }
int InitFramework(void) { return Plain(CALL_SYSTEM, "InitFramework", {}); }
int EndFramework(void) { return Plain(CALL_SYSTEM, "EndFramework", {}); }
void *GetWindowHandle(void) { return fake::WindowHandle(); }
int SetScreenMode(int width, int height, int colorBits, int refreshRate) {
  return Plain(CALL_SYSTEM, "SetScreenMode",
               {double(width), double(height), double(colorBits), double(refreshRate)});
}
int SetDrawClipRect(int x1, int y1, int x2, int y2) {
  return Plain(CALL_SYSTEM, "SetDrawClipRect", {double(x1), double(y1), double(x2), double(y2)});
}
int SetColorKey(int r, int g, int b) {
  return Plain(CALL_SYSTEM, "SetColorKey", {double(r), double(g), double(b)});
}
int SetMouseCursorVisible(int show) {
  return Plain(CALL_SYSTEM, "SetMouseCursorVisible", {double(show)});
}
int SetDefaultFontSize(int size) { return Plain(CALL_SYSTEM, "SetDefaultFontSize", {double(size)}); }
int SetDepthTest3D(int on) { return Plain(CALL_SYSTEM, "SetDepthTest3D", {double(on)}); }
int SetDepthWrite3D(int on) { return Plain(CALL_SYSTEM, "SetDepthWrite3D", {double(on)}); }
int SetRunWhileInactive(int on) { return Plain(CALL_SYSTEM, "SetRunWhileInactive", {double(on)}); }
int SetDrawTarget(int target) { return Plain(CALL_SYSTEM, "SetDrawTarget", {double(target)}); }
int IsWindowActive(void) { return S().windowActive ? 1 : 0; }

// A failed PumpMessages call (FailCall) ends the program like a closed window.
int PumpMessages(void) { return Plain(CALL_SYSTEM, "PumpMessages", {}); }

int CheckKeyDown(int keyCode) {
  Failing("CheckKeyDown");
  return S().keysDown.count(keyCode) ? 1 : 0;
}

// Sounds ------------------------------------------------------------------

namespace {
// A sound loads when its file exists.
int LoadSound(const char *name, const char *path, std::vector<double> args) {
  int result = -1;
  FILE *file = fopen(path, "rb");
  if (file) fclose(file);
  if (!Failing(name, path) && file) {
    result = MakeHandle(kSoundKind);
    S().sounds.insert(result);
  }
  return Record(fake::CALL_SOUND, name, path, std::move(args), result);
}

int SoundCall(const char *name, int handle, std::vector<double> args) {
  const int result = !Failing(name) && S().sounds.count(handle) ? 0 : -1;
  return Record(fake::CALL_SOUND, name, "", std::move(args), result);
}
}  // namespace

int LoadSoundFromFile(const char *path, int bufferCount, int sharedStreamHandle) {
  return LoadSound("LoadSoundFromFile", path, {double(bufferCount), double(sharedStreamHandle)});
}
int LoadStreamSoundFromFile(const char *path) { return LoadSound("LoadStreamSoundFromFile", path, {}); }
int SetSoundLoopPositionMs(int ms, int handle) {
  return SoundCall("SetSoundLoopPositionMs", handle, {double(ms), double(handle)});
}
int PlaySoundHandle(int handle, int playType, int restart) {
  return SoundCall("PlaySoundHandle", handle, {double(handle), double(playType), double(restart)});
}
int StopSoundHandle(int handle) { return SoundCall("StopSoundHandle", handle, {double(handle)}); }
int DeleteAllSoundHandles(void) {
  Failing("DeleteAllSoundHandles");
  S().sounds.clear();
  return Record(fake::CALL_SOUND, "DeleteAllSoundHandles", "", {}, 0);
}

// The game's message box -------------------------------------------------

MessageBoxAnswer ShowMessageBox(const char *text, const char *caption, void *owner,
                                MessageBoxButtons buttons) {
  State &s = S();
  Failing("ShowMessageBox");
  MessageBoxAnswer answer = buttons == MESSAGE_BOX_OK ? MESSAGE_BOX_ANSWER_OK : MESSAGE_BOX_ANSWER_NO;
  if (!s.answers.empty()) {
    answer = s.answers.front();
    s.answers.pop_front();
  }
  Record(fake::CALL_BOX, "ShowMessageBox", std::string(text) + "|" + caption,
         {owner ? 1.0 : 0.0, double(buttons)}, answer);
  return answer;
}
