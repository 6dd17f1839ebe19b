// Stream reads and checks every image reader shares: exact reads, the bytes
// left in a stream and the accepted range of image sides.
#include "graphics/images/image_loaders.h"

int ReadStreamExact(StreamSource *source, void *buffer, int size) {
  if (size < 0) return -1;
  if (size == 0) return 0;
  const int read = source->functions.read(buffer, 1, size, source->stream);
  return read == size ? 0 : -1;
}

int StreamBytesLeft(StreamSource *source) {
  const int start = source->functions.tell(source->stream);
  if (start < 0 || source->functions.seek(source->stream, 0, 2) != 0) return -1;
  const int end = source->functions.tell(source->stream);
  if (source->functions.seek(source->stream, start, 0) != 0 || end < start) return -1;
  return end - start;
}

int ImageSidesAcceptable(int64_t width, int64_t height, int limit) {
  return width >= 1 && height >= 1 && width <= limit && height <= limit;
}

uint32_t ReadLe16At(const uint8_t *p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }

uint32_t ReadLe32At(const uint8_t *p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
