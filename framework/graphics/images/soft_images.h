// Soft-image handles: base images the program edits on the CPU, held
// behind handles of their own kind. The public functions (deletion) are in
// velvane.h.
#ifndef VELVANE_GRAPHICS_SOFT_IMAGES_H
#define VELVANE_GRAPHICS_SOFT_IMAGES_H

#include "velvane.h"

enum { SOFT_IMAGE_MAX = 8192 };

// Takes over image (its pixels included, the record is zero-filled) as a
// new soft image; the handle, or -1 when the table is full or memory runs
// out (image is then left as it was).
int AddSoftImage(BASEIMAGE *image);
// Live soft images.
int GetSoftImageCount(void);

#endif  // VELVANE_GRAPHICS_SOFT_IMAGES_H
