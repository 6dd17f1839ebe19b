// Any bytes offered to the BMP reader alone.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(BmpImageLoader)
