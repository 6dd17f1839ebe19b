// Model textures: graph handles made from the image files a model names.
// The converter and the native loader call LoadModelTexture for each
// texture; images become graphs once model drawing makes them, until then a
// texture loads as no data and no graph.
#ifndef VELVANE_MODEL_MODEL_TEXTURE_H
#define VELVANE_MODEL_MODEL_TEXTURE_H

// What a loaded texture hands back. The file data blocks belong to the
// caller (the model texture keeps them for a rebuild after a device reset).
struct ModelTextureLoad {
  void *colourData;
  int colourSize;
  void *alphaData;
  int alphaSize;
  int graphHandle;  // -1 when none was made
  int width;        // the graph's size, 0 without a graph
  int height;
  int hasAlpha;
};

// A texture request as the model hands it over.
struct ModelTextureRequest {
  const char16_t *colourPath;  // full path, or null
  const char16_t *alphaPath;   // full path, or null
  const char16_t *directory;   // the model's folder, or null
  int bumpMap;
  float bumpHeight;
  int reverse;
  const void *fileLoader;  // the caller's file reader record, or null
};

// Loads one texture; 0 with out filled, or -1 (out cleared, nothing kept).
int LoadModelTexture(const ModelTextureRequest *request, ModelTextureLoad *out);

// Test seam: replaces the loader (null restores it).
typedef int (*ModelTextureLoader)(const ModelTextureRequest *request, ModelTextureLoad *out);
void SetModelTextureLoader(ModelTextureLoader loader);

#endif  // VELVANE_MODEL_MODEL_TEXTURE_H
