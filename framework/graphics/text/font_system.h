// The font system as graphics start-up, shut-down and mode changes use it.
#ifndef VELVANE_GRAPHICS_FONT_SYSTEM_H
#define VELVANE_GRAPHICS_FONT_SYSTEM_H

// Font settings to their defaults at graphics start-up; 0.
int InitFontSettings(void);
// Deletes every font handle and the default font; 0.
int EndFontSystem(void);
// Remembers the default font's face, size and thickness across a mode
// change (nothing when there is none) and makes it again afterwards.
void RememberDefaultFont(void);
void RecreateRememberedDefaultFont(void);
// Rebuilds every font's glyphs after a device rebuild; 0.
int ReloadFonts(void);

#endif  // VELVANE_GRAPHICS_FONT_SYSTEM_H
