// Any bytes through the whole reader table, then decoded to plain pixels
// and converted to 32-bit ARGB.
#include "image_fuzz.h"

VV_IMAGE_FUZZ_TARGET(nullptr)
