#include "model/textures/model_texture.h"

#include <string.h>

#include "core/base/platform.h"
#include "core/debug/log_text.h"
#include "core/debug/memory.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/images/image_loaders.h"
#include "model/textures/texture_images.h"
#include "model/textures/whole_file.h"

namespace {

enum {
  MODEL_CODE_PAGE = 932,
  NARROW_PATH_BYTES = 1024,
  READ_OK = 0,
  READ_MISSING = -1,
  READ_COPY_FAILED = -2
};

int LoadTextureFiles(const ModelTextureRequest *request, ModelTextureLoad *out);

struct ModelTextureState {
  ModelTextureLoader loader = LoadTextureFiles;
};
ModelTextureState g_textures;

void Narrow(const char16_t *path, char *out) {
  PlatformUtf16ToCodePage(MODEL_CODE_PAGE, path, out, NARROW_PATH_BYTES);
}

// The path relative to the model's folder, in a block of its own.
char *StorePath(const char16_t *path, const char16_t *directory) {
  char16_t relative[PATH_BUFFER_SIZE];
  if (MakeRelativePathW(path, directory, relative) < 0) return NULL;
  char narrow[NARROW_PATH_BYTES];
  Narrow(relative, narrow);
  const size_t length = strlen(narrow) + 1;
  char *block = static_cast<char *>(VV_ALLOC(length));
  if (block) memcpy(block, narrow, length);
  return block;
}

// The caller's reader hands out its own block: it is copied so the model
// frees every file block the same way.
int ReadThroughLoader(const ModelFileLoader *loader, const char16_t *path, void **data, int *size) {
  char narrow[NARROW_PATH_BYTES];
  Narrow(path, narrow);
  void *theirs = NULL;
  int length = 0;
  if (loader->read(narrow, &theirs, &length, loader->user) < 0 || !theirs || length < 0) return READ_MISSING;
  void *own = VV_ALLOC(length > 0 ? length : 1);
  if (own) memcpy(own, theirs, static_cast<size_t>(length));
  if (loader->release) loader->release(theirs, loader->user);
  if (!own) return READ_COPY_FAILED;
  *data = own;
  *size = length;
  return READ_OK;
}

int ReadTextureFile(const ModelTextureRequest *request, const char16_t *path, void **data, int *size) {
  *data = NULL;
  *size = 0;
  if (request->fileLoader) return ReadThroughLoader(request->fileLoader, path, data, size);
  return ReadWholeFileW(path, data, size) < 0 ? READ_MISSING : READ_OK;
}

// The white image stands in for a file that cannot be read.
int CopyWhiteImage(void **data, int *size) {
  *data = VV_ALLOC(WHITE_IMAGE_TGA_SIZE);
  if (!*data) {
    return WriteLogLine("Load Texture Error : エラー回避用テクスチャを格納する領域の確保に失敗しました");
  }
  memcpy(*data, kWhiteImageTga, WHITE_IMAGE_TGA_SIZE);
  *size = WHITE_IMAGE_TGA_SIZE;
  return 0;
}

// Reads a named file; one that is missing is logged with missingLine and
// replaced by white. -1 only when memory runs out.
int ReadNamedFile(const ModelTextureRequest *request, const char16_t *path, const char *missingLine,
                  void **data, int *size) {
  char narrow[NARROW_PATH_BYTES];
  Narrow(path, narrow);
  const int read = ReadTextureFile(request, path, data, size);
  if (read == READ_COPY_FAILED) {
    return WriteLogText("Load Texture Error : カラーチャンネル画像ファイル %s を保存するメモリの確保に失敗しました\n",
                        narrow);
  }
  if (read == READ_OK) return 0;
  WriteLogText(missingLine, narrow);
  return CopyWhiteImage(data, size);
}

// Without a named alpha file the colour file's "_a" sibling is taken when
// it exists; its absence is no error. -1 only when memory runs out.
int ReadSiblingAlpha(const ModelTextureRequest *request, void **data, int *size) {
  char16_t name[PATH_BUFFER_SIZE];
  if (MakeAlphaImageNameW(name, PATH_BUFFER_SIZE, request->colourPath) < 0) return 0;
  return ReadTextureFile(request, name, data, size) == READ_COPY_FAILED ? -1 : 0;
}

int StorePaths(const ModelTextureRequest *request, ModelTextureLoad *out) {
  if (!request->storePaths || !request->directory) return 0;
  if (request->colourPath) {
    out->storedColourPath = StorePath(request->colourPath, request->directory);
    if (!out->storedColourPath) {
      return WriteLogLine(
          "Load Texture Error : テクスチャ用のカラー画像ファイルパスを保存するメモリ領域の確保に失敗しました\n");
    }
  }
  if (request->alphaPath) out->storedAlphaPath = StorePath(request->alphaPath, request->directory);
  return 0;
}

int ReadFiles(const ModelTextureRequest *request, ModelTextureLoad *out) {
  if (request->colourPath &&
      ReadNamedFile(request, request->colourPath,
                    "Load Texture Error : カラーチャンネル画像ファイル %s の読み込みに失敗しました\n",
                    &out->colourData, &out->colourSize) < 0) {
    return -1;
  }
  if (request->alphaPath) {
    return ReadNamedFile(request, request->alphaPath,
                         "Load Texture Error : アルファチャンネル用テクスチャファイル %s の読み込みに失敗しました\n",
                         &out->alphaData, &out->alphaSize);
  }
  return request->colourPath ? ReadSiblingAlpha(request, &out->alphaData, &out->alphaSize) : 0;
}

int MakeGraph(const ModelTextureRequest *request, ModelTextureLoad *out) {
  BASEIMAGE colour, alpha;
  if (MakeModelTextureImages(&colour, &alpha, out->colourData, out->colourSize, out->alphaData, out->alphaSize,
                             request->bumpMap, request->bumpHeight, request->reverse) < 0) {
    return WriteLogLine("Load Texture Error : テクスチャ用の BASEIMAGE の作成に失敗しました\n");
  }
  out->graphHandle = MakeModelTextureGraph(&colour, out->alphaData ? &alpha : NULL, -1);
  if (out->graphHandle != -1) {
    out->width = colour.width;
    out->height = colour.height;
    out->hasAlpha = out->alphaData ? 1 : ImageHasTranslucentPixel(&colour);
  }
  FreeBaseImage(&colour);
  FreeBaseImage(&alpha);
  return out->graphHandle == -1 ? -1 : 0;
}

void FreeLoad(ModelTextureLoad *out) {
  VV_FREE(out->storedColourPath);
  VV_FREE(out->storedAlphaPath);
  if (out->graphHandle != -1) DeleteGraphHandle(out->graphHandle);
  VV_FREE(out->colourData);
  VV_FREE(out->alphaData);
}

// A texture that names no file has no data and no graph.
int LoadTextureFiles(const ModelTextureRequest *request, ModelTextureLoad *out) {
  if (StorePaths(request, out) < 0 || ReadFiles(request, out) < 0) {
    FreeLoad(out);
    return -1;
  }
  if (!out->colourData && !out->alphaData) return 0;
  if (MakeGraph(request, out) < 0) {
    FreeLoad(out);
    return -1;
  }
  return 0;
}

void ClearLoad(ModelTextureLoad *out) {
  memset(out, 0, sizeof(*out));
  out->graphHandle = -1;
}

}  // namespace

int LoadModelTexture(const ModelTextureRequest *request, ModelTextureLoad *out) {
  ClearLoad(out);
  if (g_textures.loader(request, out) == 0) return 0;
  ClearLoad(out);
  return -1;
}

int MakeModelTextureGraph(BASEIMAGE *colour, BASEIMAGE *alpha, int handle) {
  const int keyApplied = g_drawSettings.colorKeyNotApplied ? 0 : 1;
  SetNewGraphMipmapLevels(1, -1);
  SetColorKeyEnabled(0);
  int result = handle;
  if (handle == -1) {
    result = MakeGraphFromBaseImages(colour, alpha, 1, 0, 0);
  } else if (RemakeGraphFromBaseImages(colour, alpha, handle, 1, 0, 0) < 0) {
    result = -1;
  }
  SetColorKeyEnabled(keyApplied);
  SetNewGraphMipmapLevels(0, -1);
  return result;
}

void SetModelTextureLoader(ModelTextureLoader loader) { g_textures.loader = loader ? loader : LoadTextureFiles; }
