// Font handles.
#ifndef VELVANE_GRAPHICS_FONT_HANDLES_H
#define VELVANE_GRAPHICS_FONT_HANDLES_H

// Deletes a font handle; 0, or -1 for a handle that names no font.
int DeleteFontHandle(int handle);

#endif  // VELVANE_GRAPHICS_FONT_HANDLES_H
