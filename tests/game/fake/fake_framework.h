// A stand-in for the framework on the host: it defines exactly the
// framework functions the game calls (and the game's message box), keeps
// ordered logs of the calls, plays scripted input and answers, and fails
// chosen calls. Graph sizes come from the PNG header at a path; model
// frame counts from a table.
#ifndef PELLACOR_TESTS_GAME_FAKE_FAKE_FRAMEWORK_H
#define PELLACOR_TESTS_GAME_FAKE_FAKE_FRAMEWORK_H

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "game/message_box.h"
#include "game/stage_state.h"

namespace fake {

// CALL_SYSTEM: framework start and end, window and settings calls;
// CALL_DRAW: draws, clears, presentation, brightness and light.
enum Category {
  CALL_INPUT, CALL_GRAPH, CALL_DRAW, CALL_MODEL, CALL_CAMERA, CALL_SOUND, CALL_BOX, CALL_SYSTEM
};

struct Call {
  Category category;
  std::string name;
  std::string text;  // path, file name or message text
  std::vector<double> args;
  int result;
};

// Forgets every handle, log entry, script and failure; the clock restarts.
void Reset();
// Off: nothing is logged (the benchmarks).
void SetRecording(bool on);
const std::vector<Call> &Calls();
// The calls of one category, in order.
std::vector<Call> CallsOf(Category category);
// Names of the calls of one category, in order.
std::vector<std::string> NamesOf(Category category);
void ClearCalls();

// One frame of input, taken by each GetAllKeyStates call; after the script
// ends nothing is held and the mouse rests.
struct InputFrame {
  std::vector<int> keys;
  int padBits = 0;
  int buttons = 0;  // bit 0 left, 1 right, 2 middle
  int moveX = 0, moveY = 0;
};
void ScriptInput(const std::vector<InputFrame> &frames);
void SetCursor(int x, int y);
int CursorX();
int CursorY();

// Milliseconds of the virtual clock, masked to 31 bits as the real one.
void AdvanceClock(uint32_t milliseconds);

// Frame count of the models loaded from path (default 4).
void SetModelFrameCount(const std::string &path, int count);
// function fails (-1) for path / on its n-th call (from 1) since Reset.
void FailPath(const std::string &function, const std::string &path);
void FailCall(const std::string &function, int n);
// Answers of the next message boxes; without one a box answers OK or No.
void ScriptAnswers(const std::vector<MessageBoxAnswer> &answers);

// Runs at every call of function with its count since Reset (from 1),
// before the call acts: moves the clock, presses keys, looks at files ...
void OnCall(const std::string &function, std::function<void(int n)> hook);
// Keys CheckKeyDown reports down, apart from the scripted frames.
void SetKeyDown(int key, bool down);
void SetWindowActive(bool active);
// The file a graph was loaded from, and its cell (-1: the whole image),
// also after it was deleted.
std::string GraphPath(int handle);
int GraphCell(int handle);
// Whether a sound handle is live (sounds die with DeleteAllSoundHandles).
int LiveSoundCount();
// The window handle GetWindowHandle gives.
void *WindowHandle();

bool IsLiveGraph(int handle);
int LiveGraphCount();
bool IsLiveModel(int handle);
int LiveModelCount();
// The path the instance's model data was loaded from ("" for a bad handle).
std::string ModelPathOf(int handle);
// How often function was called since Reset.
int CallCount(const std::string &function);

// The stage's sounds, logged as CALL_SOUND.
class Sound : public StageSound {
 public:
  void PlaySoundEffect(const char *fileName) override;
  void PlayStageMusic() override;
  void StopAllMusic() override;
};

}  // namespace fake

#endif
