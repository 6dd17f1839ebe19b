// What a stream sound plays, worked out from the sources alone: each
// source played (loop count + 1) times in order, then silence for a single
// play or the whole series again for a looping one; a single source with a
// loop point plays once and then repeats its tail from that point.
#ifndef VELVANE_TESTS_SOUND_STREAM_REFERENCE_H
#define VELVANE_TESTS_SOUND_STREAM_REFERENCE_H

#include <stddef.h>

#include <vector>

#include "sound_fixture.h"

struct ReferenceSource {
  Bytes data;
  int loopCount;  // ignored when the stream has a loop point
};

struct ReferenceStream {
  std::vector<ReferenceSource> sources;
  bool looping = false;
  long loopPointBytes = -1;  // -1: none
  unsigned char silence = 0;
};

// The first n bytes the stream plays.
Bytes ExpectedPlay(const ReferenceStream &stream, size_t n);

#endif  // VELVANE_TESTS_SOUND_STREAM_REFERENCE_H
