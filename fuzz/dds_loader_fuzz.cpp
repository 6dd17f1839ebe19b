// Any bytes offered to the DDS reader alone.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(DdsImageLoader)
