// What LoadModel hands every model loader: the whole file in memory and the
// names the loaders need beside it.
#ifndef VELVANE_MODEL_MODEL_LOAD_PARAM_H
#define VELVANE_MODEL_MODEL_LOAD_PARAM_H

struct ModelLoadParam {
  const char *fileImage;  // the file's bytes, then one zero byte
  int fileSize;           // without the zero byte
  const char *filePath;   // as the caller gave it
  const char *modelName;  // file name without folder and extension
  const char *directory;  // full path of the file's folder
  const void *reserved;   // the caller's texture file reader record, or null
};

// A loader: a model data handle, or -1 for a file of another format and for
// a failure.
typedef int (*ModelLoader)(const ModelLoadParam *param);

// The MQO loader; the formats still to come refuse every file (-1, no line).
int LoadNativeModel(const ModelLoadParam *param);
int LoadMqoModel(const ModelLoadParam *param);
int LoadXModel(const ModelLoadParam *param);
int LoadPmdModel(const ModelLoadParam *param);
int LoadVmdModel(const ModelLoadParam *param);

#endif  // VELVANE_MODEL_MODEL_LOAD_PARAM_H
