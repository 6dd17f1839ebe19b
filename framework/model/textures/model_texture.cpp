#include "model/textures/model_texture.h"

#include <string.h>

namespace {

// Nothing makes graphs for models yet: a texture is accepted with no data.
int LoadNothing(const ModelTextureRequest *, ModelTextureLoad *) { return 0; }

struct ModelTextureState {
  ModelTextureLoader loader = LoadNothing;
};
ModelTextureState g_textures;

}  // namespace

int LoadModelTexture(const ModelTextureRequest *request, ModelTextureLoad *out) {
  memset(out, 0, sizeof(*out));
  out->graphHandle = -1;
  if (g_textures.loader(request, out) == 0) return 0;
  memset(out, 0, sizeof(*out));
  out->graphHandle = -1;
  return -1;
}

void SetModelTextureLoader(ModelTextureLoader loader) { g_textures.loader = loader ? loader : LoadNothing; }
