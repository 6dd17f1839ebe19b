#include "graphics/images/image_loaders.h"

int DdsImageLoader(StreamSource *, BASEIMAGE *) { return -1; }
