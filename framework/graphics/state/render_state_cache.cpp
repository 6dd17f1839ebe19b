#include "graphics/state/render_state_cache.h"

int SetupDeviceStates(void) { return 0; }

void ForgetSceneAndShaderState(void) {}

void SetDeviceAlphaDefaults(void) {}

int EndDeviceScene(void) { return 0; }
