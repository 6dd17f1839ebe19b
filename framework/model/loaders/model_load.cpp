// LoadModel: the one public entry that turns a model file into a model
// instance handle. The whole file is read into memory once and offered to
// the loaders in a fixed order until one accepts it.
#include <limits.h>
#include <string.h>

#include "core/base/core_state.h"
#include "core/debug/memory.h"
#include "core/files/file_access.h"
#include "core/util/strings.h"
#include "graphics/text/char_class.h"
#include "model/data/instance_build.h"
#include "model/draw/model_draw_buffers.h"
#include "model/loaders/model_load_param.h"
#include "model/system/model_system.h"

namespace {

const ModelLoader kLoaders[] = {LoadNativeModel, LoadMqoModel, LoadXModel, LoadPmdModel, LoadVmdModel};

// The names a loader needs beside the file, each within the platform's
// path length.
struct ModelPaths {
  char directory[PATH_BUFFER_SIZE];
  char fileName[PATH_BUFFER_SIZE];
  char modelName[PATH_BUFFER_SIZE];
};

int CharSize(const char *p) { return MultiByteCharSize(p, GetFrameworkCharSet()); }

// Index of the last '\\', '/' or ':' that is a character of its own; -1.
int LastSeparator(const char *path) {
  int last = -1;
  for (int i = 0; path[i]; i += CharSize(path + i)) {
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') last = i;
  }
  return last;
}

// The folder part as it is made full: a relative "Model/Ball.mqo" gives
// "Model", a drive path "D:\x.mqo" keeps "D:\", "D:x.mqo" gives "D:".
int FolderLength(const char *path, int separator) {
  if (path[separator] == ':') return separator + 1;
  if (separator == 0 || path[separator - 1] != ':') return separator;
  return separator + 1;
}

bool SplitModelPath(const char *path, ModelPaths *out) {
  if (strlen(path) >= PATH_BUFFER_SIZE) return false;
  const int separator = LastSeparator(path);
  if (separator < 0) {
    if (FileAccessGetCurrentDir(out->directory) < 0) return false;
    CopyString(out->fileName, path);
  } else {
    char folder[PATH_BUFFER_SIZE];
    const int length = FolderLength(path, separator);
    memcpy(folder, path, static_cast<size_t>(length));
    folder[length] = 0;
    if (MakeFullPath(folder, out->directory, NULL) < 0) return false;
    CopyString(out->fileName, path + separator + 1);
  }
  CopyString(out->modelName, out->fileName);
  char *dot = const_cast<char *>(FindCharMb(out->modelName, '.'));
  if (dot) *dot = 0;
  return true;
}

int CannotRead(const char *path) { return WriteLogLineFormat("モデルファイル %s が読み込めませんでした", path); }

// The whole file and a zero byte after it; null (logged) on failure.
char *ReadModelFile(const char *path, int *size) {
  const FileHandle file = FileAccessOpen(path, 0, 1, 0);
  if (!file) {
    CannotRead(path);
    return NULL;
  }
  FileAccessSeek(file, 0, 2);
  const int length = FileAccessTell(file);
  FileAccessSeek(file, 0, 0);
  if (length < 0 || length > INT_MAX - 64) {
    FileAccessClose(file);
    CannotRead(path);
    return NULL;
  }
  char *image = static_cast<char *>(AllocMemory(length + 1, "", 0));
  if (!image) {
    FileAccessClose(file);
    WriteLogLineFormat("モデルファイル %s のデータを格納するメモリ領域の確保に失敗しました", path);
    return NULL;
  }
  const int read = length > 0 ? FileAccessRead(image, 1, length, file) : 0;
  FileAccessClose(file);
  if (read != length) {
    FreeMemory(image);
    CannotRead(path);
    return NULL;
  }
  image[length] = 0;
  *size = length;
  return image;
}

int MakeFirstInstance(const char *path, int dataHandle) {
  const int instance = TakeModelInstanceSlot();
  if (instance < 0) {
    WriteLogLineFormat("モデルファイル %s のモデルハンドルの作成に失敗しました", path);
  } else if (BuildModelInstance(instance, dataHandle) == 0) {
    return instance;
  } else {
    WriteLogLineFormat("モデルファイル %s のモデル基本データからモデルデータへの変換に失敗しました", path);
  }
  // No instance holds the data, so releasing it frees it.
  ReleaseModelData(dataHandle);
  if (instance >= 0) DeleteModelInstance(instance);
  return -1;
}

}  // namespace

int LoadModel(const char *path) {
  if (!IsModelSystemStarted() || !path) return -1;
  ModelPaths paths;
  if (!SplitModelPath(path, &paths)) return CannotRead(path);
  int size = 0;
  char *image = ReadModelFile(path, &size);
  if (!image) return -1;
  const ModelLoadParam param = {image, size, path, paths.modelName, paths.directory, NULL};
  int dataHandle = -1;
  for (size_t i = 0; i < sizeof(kLoaders) / sizeof(kLoaders[0]) && dataHandle < 0; i++) dataHandle = kLoaders[i](&param);
  if (dataHandle >= 0) SetupDrawBuffers(LookupModelData(dataHandle), 1);
  FreeMemory(image);
  if (dataHandle < 0) return -1;
  return MakeFirstInstance(path, dataHandle);
}
