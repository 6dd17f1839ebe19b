#include "graphics/text/font_handles.h"

// No font can be created yet, so no handle names one.
int DeleteFontHandle(int) { return -1; }
