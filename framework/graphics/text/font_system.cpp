#include "graphics/text/font_system.h"

int InitFontSettings(void) { return 0; }

int EndFontSystem(void) { return 0; }

void RememberDefaultFont(void) {}

void RecreateRememberedDefaultFont(void) {}

int ReloadFonts(void) { return 0; }
