// Drives stream sounds over the fake device the way the update thread
// does: the play cursor moves in seeded, irregular steps of 10 to 300 ms of
// audio, and the refill pass runs after each step; no step may lock bytes
// written and not yet played.
#ifndef VELVANE_TESTS_SOUND_STREAM_DRIVER_H
#define VELVANE_TESTS_SOUND_STREAM_DRIVER_H

#include <stdint.h>

#include <string>

#include "sound_fixture.h"

struct ReferenceStream;

// Compares what was played with the reference, naming the first byte that
// differs.
void ExpectPlayed(const ReferenceStream &reference, const Bytes &played);

class StreamTest : public SoundTest {
 protected:
  void SetUp() override;
  // A stream sound decoded from a file image held in memory (type 2).
  int StreamFromImage(const Bytes &image);
  // The fake streaming buffer a stream sound plays in.
  FakeBuffer *StreamBuffer(int handle);
  // Steps and refills until at least bytes have been played or the buffer
  // stopped; everything played meanwhile.
  Bytes Drive(int handle, size_t bytes);
  // One step of the cursor by ms of audio, then the refill pass.
  void Step(int handle, int ms);
  uint32_t seed = 12345;
};

#endif  // VELVANE_TESTS_SOUND_STREAM_DRIVER_H
