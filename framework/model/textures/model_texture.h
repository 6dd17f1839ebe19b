// Model textures: graph handles made from the image files a model names.
// The converter and the native loader call LoadModelTexture for each
// texture; the file data stays with the model so the graphs can be made
// again after a device reset or a screen-mode change without file access.
#ifndef VELVANE_MODEL_MODEL_TEXTURE_H
#define VELVANE_MODEL_MODEL_TEXTURE_H

#include "velvane.h"

// A caller's own file reader (model loaders that read from somewhere other
// than the file-access table). Paths are in code page 932.
struct ModelFileLoader {
  // 0 with data and size set, or -1.
  int (*read)(const char *path, void **data, int *size, void *user);
  // Hands back what read gave (may be null).
  void (*release)(void *data, void *user);
  void *user;
};

// What a loaded texture hands back. The file data blocks and stored paths
// belong to the caller (the model texture keeps them).
struct ModelTextureLoad {
  void *colourData;
  int colourSize;
  void *alphaData;
  int alphaSize;
  int graphHandle;  // -1 when none was made
  int width;        // the graph's size, 0 without a graph
  int height;
  int hasAlpha;
  char *storedColourPath;  // relative to the model's folder, code page 932
  char *storedAlphaPath;
};

// A texture request as the model hands it over.
struct ModelTextureRequest {
  const char16_t *colourPath;  // full path, or null
  const char16_t *alphaPath;   // full path, or null
  const char16_t *directory;   // the model's folder, or null
  int bumpMap;
  float bumpHeight;
  int reverse;
  const ModelFileLoader *fileLoader;  // null: the file-access table
  int storePaths;                     // 1: fill the stored paths
};

// Loads one texture; 0 with out filled, or -1 (out cleared, nothing kept).
// A file that cannot be read is logged and replaced by white.
int LoadModelTexture(const ModelTextureRequest *request, ModelTextureLoad *out);

// Makes (handle -1) or refills (a live handle) the graph of a model texture
// from its images, with a full mip-map chain and no colour key; the handle,
// or -1.
int MakeModelTextureGraph(BASEIMAGE *colour, BASEIMAGE *alpha, int handle);

// Test seam: replaces the loader (null restores it).
typedef int (*ModelTextureLoader)(const ModelTextureRequest *request, ModelTextureLoad *out);
void SetModelTextureLoader(ModelTextureLoader loader);

#endif  // VELVANE_MODEL_MODEL_TEXTURE_H
