// Any bytes offered to the JPEG reader alone.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(JpegImageLoader)
