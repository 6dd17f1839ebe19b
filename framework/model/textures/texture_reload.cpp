#include "model/textures/texture_reload.h"

#include "model/data/model_data.h"
#include "model/draw/model_draw_buffers.h"
#include "model/system/model_system.h"
#include "model/textures/builtin_textures.h"
#include "model/textures/model_texture.h"
#include "model/textures/texture_images.h"

namespace {

bool HasFileData(const ModelTexture *texture) { return texture->imageData || texture->alphaImageData; }

// The texture's images into handle (-1: a new graph); the handle, or -1.
int RemakeTextureGraph(const ModelTexture *texture, int handle) {
  BASEIMAGE colour, alpha;
  if (MakeModelTextureImages(&colour, &alpha, texture->imageData, texture->imageDataSize, texture->alphaImageData,
                             texture->alphaImageDataSize, texture->bumpMap, texture->bumpHeight,
                             texture->reverse) < 0) {
    return -1;
  }
  const int result = MakeModelTextureGraph(&colour, texture->alphaImageData ? &alpha : NULL, handle);
  FreeBaseImage(&colour);
  FreeBaseImage(&alpha);
  return result;
}

void RefillDataTextures(ModelData *data) {
  for (int i = 0; i < data->textureCount; i++) {
    const ModelTexture *texture = &data->textures[i];
    if (HasFileData(texture) && texture->graphHandle != -1) RemakeTextureGraph(texture, texture->graphHandle);
  }
}

// The instances that draw with the data's texture take its new handle.
void FollowNewHandle(ModelData *data, int index, int oldHandle) {
  for (ModelInstance *instance = data->firstInstance; instance; instance = instance->nextInstance) {
    TextureInstance *texture = &instance->textures[index];
    if (texture->ownGraphHandle == -1 && texture->graphHandle == oldHandle) {
      texture->graphHandle = data->textures[index].graphHandle;
    }
  }
}

void RemakeDataTextures(ModelData *data) {
  for (int i = 0; i < data->textureCount; i++) {
    ModelTexture *texture = &data->textures[i];
    if (!HasFileData(texture)) continue;
    const int oldHandle = texture->graphHandle;
    texture->graphHandle = RemakeTextureGraph(texture, -1);
    FollowNewHandle(data, i, oldHandle);
  }
}

}  // namespace

int VLMReloadTextures(void) {
  ReloadBuiltinModelTextures();
  ForEachModelData(RefillDataTextures);
  return 0;
}

int RemakeModelGraphicsAfterModeChange(void) {
  ForEachModelData(RemakeDataTextures);
  VLMCreateAllDrawBuffers();
  return 0;
}
