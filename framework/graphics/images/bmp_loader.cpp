#include "graphics/images/image_loaders.h"

int BmpImageLoader(StreamSource *, BASEIMAGE *) { return -1; }
