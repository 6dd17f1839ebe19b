// Soft-image handles: CPU-side images the program owns.
#ifndef VELVANE_GRAPHICS_SOFT_IMAGES_H
#define VELVANE_GRAPHICS_SOFT_IMAGES_H

// Deletes one soft image; 0, or -1 for a handle that names none.
int DeleteSoftImage(int handle);
// Deletes every soft image; 0.
int DeleteAllSoftImages(void);

#endif  // VELVANE_GRAPHICS_SOFT_IMAGES_H
