// Turns a filled intermediate model into one shared ModelData: polygons
// triangulated, normals built where the model has none, one model-data mesh
// per material of each mesh with deduplicated vertices and triangle lists
// that 16-bit indices can draw, frame matrices split into their parts,
// textures loaded, materials copied.
#ifndef VELVANE_MODEL_CONVERT_READ_MODEL_H
#define VELVANE_MODEL_CONVERT_READ_MODEL_H

#include "model/read/read_model.h"

// A kind-0 list takes triangles while it holds fewer indices than this, so
// it ends with at most 21,834 triangles (65,502 indices).
enum { CONVERT_LIST_INDEX_LIMIT = 65500, CONVERT_LIST_MAX_TRIANGLES = (CONVERT_LIST_INDEX_LIMIT + 2) / 3 };

// The new model-data handle, or -1 (logged). directory is the model file's
// folder (null: none), textureLoader the caller's file reader record passed
// on to the texture loader. The caller frees the model afterwards.
// Rigid models only: a model with skin weights, shapes or animations is
// refused.
int ConvertReadModelToModelData(ReadModel *model, const char *directory, const void *textureLoader);

#endif  // VELVANE_MODEL_CONVERT_READ_MODEL_H
