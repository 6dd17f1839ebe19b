#include "graphics/images/image_loaders.h"

int TgaImageLoader(StreamSource *, BASEIMAGE *) { return -1; }
