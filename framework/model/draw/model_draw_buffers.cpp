#include "model/draw/model_draw_buffers.h"

int ReleaseModelDrawBuffers(void) { return 0; }

int ReloadModelTextures(void) { return 0; }
