// The font table as the rest of the framework uses it.
#ifndef VELVANE_GRAPHICS_FONT_HANDLES_H
#define VELVANE_GRAPHICS_FONT_HANDLES_H

#include "graphics/text/font_record.h"

// The Windows character set a font of the character-set code asks for.
int WindowsCharSetOf(int charSetCode);
// Deletes every font; 0.
int DeleteAllFontHandles(void);
// Makes every font again in its own slot under its own handle, keeping
// spacing and delete notice (a device rebuild); 0.
int ReloadAllFonts(void);
// Empties the table and the creation settings (font start-up).
void ResetFontTable(void);
// Glyph caches in system memory (1) even on the Direct3D path.
void SetFontCacheInSystemMemory(int on);
// The live fonts, for tests.
int GetFontCount(void);

#endif  // VELVANE_GRAPHICS_FONT_HANDLES_H
