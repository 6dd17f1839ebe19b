#include "graphics/images/soft_images.h"

// No soft image can be created yet: the table is always empty.
int DeleteSoftImage(int) { return -1; }

int DeleteAllSoftImages(void) { return 0; }
