#include "graphics/draw/lights.h"

int DeleteAllLightHandles(void) { return 0; }

int UpdateDeviceLights(void) { return 0; }
