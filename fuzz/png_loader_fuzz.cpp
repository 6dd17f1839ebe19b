// Any bytes offered to the PNG reader alone.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(PngImageLoader)
