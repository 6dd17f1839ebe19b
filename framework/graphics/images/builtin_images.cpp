// The two pictures the model textures fall back on, held as run-length
// encoded TGA files (image type 10) with the new-style footer.
#include "graphics/images/image_loaders.h"

#define VV_TGA_FOOTER                                                                  \
  0, 0, 0, 0, 0, 0, 0, 0, 'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-', 'X', 'F', \
      'I', 'L', 'E', '.', 0

// 8 x 8, 32 bits, 8 alpha bits, rows top to bottom: each row one run of
// eight opaque white pixels.
#define VV_WHITE_ROW 0x87, 0xFF, 0xFF, 0xFF, 0xFF
const uint8_t kWhiteImageTga[WHITE_IMAGE_TGA_SIZE] = {
    0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 32, 0x28,
    VV_WHITE_ROW, VV_WHITE_ROW, VV_WHITE_ROW, VV_WHITE_ROW,
    VV_WHITE_ROW, VV_WHITE_ROW, VV_WHITE_ROW, VV_WHITE_ROW,
    VV_TGA_FOOTER};

// 256 x 8, 24 bits, rows top to bottom: each row four runs of 64 pixels of
// grey 0, 85, 170 and 255.
#define VV_TOON_ROW \
  0xBF, 0, 0, 0, 0xBF, 0x55, 0x55, 0x55, 0xBF, 0xAA, 0xAA, 0xAA, 0xBF, 0xFF, 0xFF, 0xFF
const uint8_t kToonRampImageTga[TOON_RAMP_TGA_SIZE] = {
    0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 8, 0, 24, 0x20,
    VV_TOON_ROW, VV_TOON_ROW, VV_TOON_ROW, VV_TOON_ROW,
    VV_TOON_ROW, VV_TOON_ROW, VV_TOON_ROW, VV_TOON_ROW,
    VV_TGA_FOOTER};
