#include "model/draw/model_draw_buffers.h"

// No device resource is made for models yet, so there is nothing to make
// or free.
int SetupDrawBuffers(ModelData *, int) { return 0; }

void ReleaseModelDrawBuffers(ModelData *) {}

void ReleaseInstanceBuffers(ModelInstance *) {}

int MakeInstanceBuffers(ModelInstance *) { return 0; }

void DeleteModelTextureGraph(int) {}

int ReleaseAllModelDrawBuffers(void) { return 0; }

int CreateAllModelDrawBuffers(void) { return 0; }

int ReloadModelTextures(void) { return 0; }
