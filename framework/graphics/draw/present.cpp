#include "graphics/draw/present.h"

#include "core/base/core_state.h"

int PresentScreenRect(const Rect *) { return IsFrameworkInitialised() ? 0 : -1; }

int PresentScreen(void) { return PresentScreenRect(nullptr); }

int PresentForRedraw(void) { return PresentScreenRect(nullptr); }
