#include <string.h>

#include "core/archive/archive.h"

namespace {

// The key constants of the format, chosen once here: the writer tool builds
// its keys through these same functions.
const unsigned char kDefaultFill = 0x6B;
const unsigned char kAlternateFill = 0xC3;

// Each key position turns its byte by a transformation of its own: a left
// rotation, then an optional complement, then an XOR.
struct KeyStep {
  unsigned char rotate;
  unsigned char complement;
  unsigned char mask;
};

const KeyStep kKeySteps[KRZ_KEY_SIZE] = {
    {0, 1, 0x00}, {4, 0, 0x00}, {3, 0, 0x00}, {0, 0, 0x3C}, {1, 1, 0x00}, {4, 0, 0x96},
    {5, 0, 0x00}, {0, 0, 0xE1}, {4, 1, 0x00}, {2, 0, 0x47}, {6, 1, 0x1B}, {7, 0, 0x00}};

unsigned char RotateLeft(unsigned char b, int n) {
  return n == 0 ? b : static_cast<unsigned char>((b << n) | (b >> (8 - n)));
}

}  // namespace

void MakeArchiveKey(const char *keyString, unsigned char key[KRZ_KEY_SIZE]) {
  const size_t length = keyString ? strlen(keyString) : 0;
  for (int i = 0; i < KRZ_KEY_SIZE; ++i) {
    // An empty string has no byte to repeat: it means the default key.
    unsigned char b = length ? static_cast<unsigned char>(keyString[static_cast<size_t>(i) % length])
                             : kDefaultFill;
    b = RotateLeft(b, kKeySteps[i].rotate);
    if (kKeySteps[i].complement) b = static_cast<unsigned char>(~b);
    key[i] = static_cast<unsigned char>(b ^ kKeySteps[i].mask);
  }
}

void MakeAlternateArchiveKey(unsigned char key[KRZ_KEY_SIZE]) {
  memset(key, kAlternateFill, KRZ_KEY_SIZE);
}

int ArchiveXor(const unsigned char key[KRZ_KEY_SIZE], void *data, int64_t size,
               int64_t position) {
  unsigned char *p = static_cast<unsigned char *>(data);
  int k = static_cast<int>(position % KRZ_KEY_SIZE);
  int64_t i = 0;
  for (; i < size && k != 0; ++i) {
    p[i] ^= key[k];
    k = (k + 1) % KRZ_KEY_SIZE;
  }
  // Aligned to the key: whole 12-byte runs as three words.
  uint32_t words[3];
  memcpy(words, key, sizeof(words));
  for (; i + KRZ_KEY_SIZE <= size; i += KRZ_KEY_SIZE) {
    uint32_t run[3];
    memcpy(run, p + i, sizeof(run));
    run[0] ^= words[0];
    run[1] ^= words[1];
    run[2] ^= words[2];
    memcpy(p + i, run, sizeof(run));
  }
  for (; i < size; ++i) {
    p[i] ^= key[k];
    k = (k + 1) % KRZ_KEY_SIZE;
  }
  return k;
}
