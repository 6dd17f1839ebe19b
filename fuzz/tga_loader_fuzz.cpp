// Any bytes offered to the TGA reader alone.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(TgaImageLoader)
