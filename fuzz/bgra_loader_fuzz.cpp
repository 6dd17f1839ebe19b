// Any bytes offered to the BGRA reader alone.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(BgraImageLoader)
