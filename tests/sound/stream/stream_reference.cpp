#include "sound/stream/stream_reference.h"

namespace {

void AppendUpTo(Bytes *out, const Bytes &data, size_t from, size_t n) {
  for (size_t i = from; i < data.size() && out->size() < n; i++) out->push_back(data[i]);
}

}  // namespace

Bytes ExpectedPlay(const ReferenceStream &stream, size_t n) {
  Bytes out;
  if (stream.loopPointBytes >= 0) {
    const Bytes &data = stream.sources[0].data;
    AppendUpTo(&out, data, 0, n);
    while (out.size() < n) AppendUpTo(&out, data, static_cast<size_t>(stream.loopPointBytes), n);
    return out;
  }
  Bytes series;
  for (const ReferenceSource &source : stream.sources) {
    for (int pass = 0; pass <= source.loopCount; pass++) AppendUpTo(&series, source.data, 0, SIZE_MAX);
  }
  AppendUpTo(&out, series, 0, n);
  while (out.size() < n) {
    if (!stream.looping || series.empty()) {
      out.resize(n, stream.silence);
    } else {
      AppendUpTo(&out, series, 0, n);
    }
  }
  return out;
}
