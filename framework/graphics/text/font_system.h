// The font system as graphics start-up, shut-down and mode changes use it,
// and the default font the draw calls without a font handle use.
#ifndef VELVANE_GRAPHICS_FONT_SYSTEM_H
#define VELVANE_GRAPHICS_FONT_SYSTEM_H

// Font table and settings to their defaults, then the default font made
// (graphics start-up); 0.
int InitFontSettings(void);
// Deletes every font, the default font with them; 0.
int EndFontSystem(void);
// Deletes every font and makes the default font again from its current
// settings (or the defaults when there is none); 0.
int InitFontSystem(void);
// Remembers the default font's face, size and thickness across a mode
// change (nothing when there is none) and makes it again afterwards.
void RememberDefaultFont(void);
void RecreateRememberedDefaultFont(void);
// Makes the default font match its settings, re-making it only when they
// differ; 0.
int RefreshDefaultFont(void);

#endif  // VELVANE_GRAPHICS_FONT_SYSTEM_H
