// The images of a model texture made from its kept file data: decoded,
// a height map turned into a normal map, sides rounded up to powers of
// two (capped at half the device's largest texture), turned by 180
// degrees when asked.
#ifndef VELVANE_MODEL_TEXTURE_IMAGES_H
#define VELVANE_MODEL_TEXTURE_IMAGES_H

#include "velvane.h"

// Fills colour (and alpha when alpha data is given) from the file data;
// without colour data the colour image is opaque white at the alpha
// image's size. 0, or -1 with nothing kept.
int MakeModelTextureImages(BASEIMAGE *colour, BASEIMAGE *alpha, const void *colourData, int colourSize,
                           const void *alphaData, int alphaSize, int bump, float bumpHeight, int reverse);
// 1 when the image's format has an alpha channel and a pixel's alpha is
// not 255.
int ImageHasTranslucentPixel(const BASEIMAGE *image);

#endif  // VELVANE_MODEL_TEXTURE_IMAGES_H
