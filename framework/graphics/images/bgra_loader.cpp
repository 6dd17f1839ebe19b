#include "graphics/images/image_loaders.h"

int BgraImageLoader(StreamSource *, BASEIMAGE *) { return -1; }
