#include "model/read/read_model.h"

#include <string.h>

#include "core/debug/memory.h"
#include "core/files/file_access.h"
#include "core/util/strings.h"

namespace {

template <typename T>
T *Take(ReadModel *model) {
  return static_cast<T *>(AllocChainAlloc(sizeof(T), &model->chain));
}

// Appends a record to a model list of its kind; its index is the count
// before it.
template <typename T>
void AppendToModelList(T *record, int *count, T **first, T **last) {
  record->previous = *last;
  if (*last) (*last)->next = record;
  else *first = record;
  *last = record;
  record->index = (*count)++;
}

int PooledSize(size_t length) { return static_cast<int>((length + 1 + 3) & ~static_cast<size_t>(3)); }

char *HeapCopy(const char *text) {
  const size_t length = strlen(text);
  char *copy = static_cast<char *>(AllocMemory(static_cast<int>(length + 1), "", 0));
  if (copy) memcpy(copy, text, length + 1);
  return copy;
}

// Where a new frame goes in the depth-first list: after the deepest last
// descendant of its parent, after the parent itself while it has no
// children, and at the end without a parent.
ReadFrame *InsertionAnchor(const ReadModel *model, ReadFrame *parent) {
  if (!parent) return model->lastFrame;
  ReadFrame *anchor = parent;
  while (anchor->lastChild) anchor = anchor->lastChild;
  return anchor;
}

bool Opens(const char *path) {
  const FileHandle file = FileAccessOpen(path, 0, 1, 0);
  if (!file) return false;
  FileAccessClose(file);
  return true;
}

// The path stored for a texture: relative to the current directory, or
// the bare file name when only that opens.
void ResolveTexturePath(const char *path, const char *currentDir, char *out) {
  if (MakeRelativePath(path, currentDir, out) < 0) CopyStringN(out, path, PATH_BUFFER_SIZE - 1);
  if (Opens(out)) return;
  char bare[PATH_BUFFER_SIZE];
  if (SplitDirAndFileName(out, bare, NULL) == 0 && Opens(bare)) memcpy(out, bare, sizeof(bare));
}

bool PathMatches(const char *stored, const char *wanted) {
  if (!wanted) return stored == NULL;
  return stored && strcmp(stored, wanted) == 0;
}

}  // namespace

int ReadModelInit(ReadModel *model) {
  memset(model, 0, sizeof(*model));
  return 0;
}

int ReadModelTerm(ReadModel *model) {
  AllocChainFree(&model->chain);
  FreeMemory(model->filePath);
  FreeMemory(model->fileName);
  model->filePath = NULL;
  model->fileName = NULL;
  return 0;
}

int ReadModelSetPaths(ReadModel *model, const char *filePath, const char *fileName) {
  model->filePath = HeapCopy(filePath);
  if (!model->filePath) return -1;
  model->fileName = HeapCopy(fileName);
  return model->fileName ? 0 : -1;
}

char *ReadModelAddString(ReadModel *model, const char *text) {
  const size_t length = strlen(text);
  char *copy = static_cast<char *>(AllocChainAlloc(length + 1, &model->chain));
  if (!copy) return NULL;
  memcpy(copy, text, length + 1);
  model->stringBytes += PooledSize(length);
  return copy;
}

ReadFrame *ReadModelAddFrame(ReadModel *model, const char *name, ReadFrame *parent) {
  ReadFrame *frame = Take<ReadFrame>(model);
  if (!frame) return NULL;
  ReadFrame *anchor = InsertionAnchor(model, parent);
  if (!anchor) {
    model->firstFrame = model->lastFrame = frame;
  } else {
    frame->previous = anchor;
    frame->next = anchor->next;
    if (anchor->next) anchor->next->previous = frame;
    else model->lastFrame = frame;
    anchor->next = frame;
  }
  if (parent) {
    frame->parent = parent;
    frame->previousSibling = parent->lastChild;
    if (parent->lastChild) parent->lastChild->nextSibling = frame;
    else parent->firstChild = frame;
    parent->lastChild = frame;
  }
  int index = 0;
  for (ReadFrame *f = model->firstFrame; f; f = f->next) f->index = index++;
  model->frameCount++;
  MakeIdentityMatrix(&frame->transform);
  frame->scale = Vector3{1.0f, 1.0f, 1.0f};
  frame->quaternion[3] = 1.0f;
  frame->flag = 1;
  frame->smoothingAngle = READ_FRAME_DEFAULT_SMOOTHING;
  frame->name = ReadModelAddString(model, name);
  return frame->name ? frame : NULL;
}

ReadMesh *ReadModelAddMesh(ReadModel *model, ReadFrame *frame) {
  ReadMesh *mesh = Take<ReadMesh>(model);
  if (!mesh) return NULL;
  AppendToModelList(mesh, &model->nextMeshIndex, &model->firstMesh, &model->lastMesh);
  model->meshCount++;
  if (frame) {
    mesh->frame = frame;
    mesh->previousInFrame = frame->lastMesh;
    if (frame->lastMesh) frame->lastMesh->nextInFrame = mesh;
    else frame->firstMesh = mesh;
    frame->lastMesh = mesh;
    frame->meshCount++;
  }
  return mesh;
}

void ReadModelRemoveMesh(ReadModel *model, ReadFrame *frame, ReadMesh *mesh) {
  if (mesh->previous) mesh->previous->next = mesh->next;
  else model->firstMesh = mesh->next;
  if (mesh->next) mesh->next->previous = mesh->previous;
  else model->lastMesh = mesh->previous;
  model->meshCount--;
  if (!frame) return;
  if (mesh->previousInFrame) mesh->previousInFrame->nextInFrame = mesh->nextInFrame;
  else frame->firstMesh = mesh->nextInFrame;
  if (mesh->nextInFrame) mesh->nextInFrame->previousInFrame = mesh->previousInFrame;
  else frame->lastMesh = mesh->previousInFrame;
  frame->meshCount--;
  mesh->frame = NULL;
}

ReadShape *ReadModelAddShape(ReadModel *model, const char *name, ReadFrame *frame) {
  ReadShape *shape = Take<ReadShape>(model);
  if (!shape) return NULL;
  AppendToModelList(shape, &model->shapeCount, &model->firstShape, &model->lastShape);
  if (frame) {
    shape->frame = frame;
    shape->previousInFrame = frame->lastShape;
    if (frame->lastShape) frame->lastShape->nextInFrame = shape;
    else frame->firstShape = shape;
    frame->lastShape = shape;
    frame->shapeCount++;
  }
  shape->name = ReadModelAddString(model, name);
  return shape->name ? shape : NULL;
}

ReadMaterial *ReadModelAddMaterial(ReadModel *model, const char *name) {
  ReadMaterial *material = Take<ReadMaterial>(model);
  if (!material) return NULL;
  AppendToModelList(material, &model->materialCount, &model->firstMaterial, &model->lastMaterial);
  material->diffuse = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
  material->toonDiffuseGradient = -1;
  material->toonSpecularGradient = -1;
  material->toonMode = 2;
  material->toonSpecular = 1;
  material->drawMode = 1;
  material->alpha = 255;
  material->name = ReadModelAddString(model, name);
  return material->name ? material : NULL;
}

ReadMaterial *ReadModelGetMaterial(ReadModel *model, int index) {
  ReadMaterial *material = model->firstMaterial;
  for (int i = 0; i < index && material; i++) material = material->next;
  return material;
}

ReadTexture *ReadModelAddTexture(ReadModel *model, const char *name, const char *colourPath,
                                 const char *alphaPath, int bumpMap, float bumpScale, int reuse, int loaderFlag) {
  char currentDir[1024] = "";
  FileAccessGetCurrentDir(currentDir);
  char colour[PATH_BUFFER_SIZE], alpha[PATH_BUFFER_SIZE];
  if (colourPath) ResolveTexturePath(colourPath, currentDir, colour);
  if (alphaPath) ResolveTexturePath(alphaPath, currentDir, alpha);
  const char *wantedColour = colourPath ? colour : NULL;
  const char *wantedAlpha = alphaPath ? alpha : NULL;
  if (reuse) {
    for (ReadTexture *t = model->firstTexture; t; t = t->next) {
      if (PathMatches(t->colourPath, wantedColour) && PathMatches(t->alphaPath, wantedAlpha)) return t;
    }
  }
  ReadTexture *texture = Take<ReadTexture>(model);
  if (!texture) return NULL;
  AppendToModelList(texture, &model->textureCount, &model->firstTexture, &model->lastTexture);
  texture->name = ReadModelAddString(model, name);
  texture->bumpScale = bumpScale;
  texture->addressU = 1;
  texture->addressV = 1;
  texture->filter = 2;
  texture->bumpMap = bumpMap;
  texture->loaderFlag = loaderFlag ? 1 : 0;
  if (!texture->name) return NULL;
  if (wantedColour && !(texture->colourPath = ReadModelAddString(model, wantedColour))) return NULL;
  if (wantedAlpha && !(texture->alphaPath = ReadModelAddString(model, wantedAlpha))) return NULL;
  return texture;
}

ReadSkinWeight *ReadModelAddSkinWeight(ReadModel *model) {
  ReadSkinWeight *weight = Take<ReadSkinWeight>(model);
  if (weight) model->skinWeightCount++;
  return weight;
}

ReadAnimSet *ReadModelAddAnimSet(ReadModel *model, const char *name) {
  ReadAnimSet *set = Take<ReadAnimSet>(model);
  if (!set) return NULL;
  AppendToModelList(set, &model->animSetCount, &model->firstAnimSet, &model->lastAnimSet);
  set->name = ReadModelAddString(model, name);
  return set->name ? set : NULL;
}

ReadAnim *ReadModelAddAnim(ReadModel *model, ReadAnimSet *set) {
  ReadAnim *anim = Take<ReadAnim>(model);
  if (!anim) return NULL;
  AppendToModelList(anim, &model->animCount, &model->firstAnim, &model->lastAnim);
  anim->set = set;
  anim->previousInSet = set->lastAnim;
  if (set->lastAnim) set->lastAnim->nextInSet = anim;
  else set->firstAnim = anim;
  set->lastAnim = anim;
  set->animCount++;
  return anim;
}

ReadKeySet *ReadModelAddKeySet(ReadModel *model, ReadAnim *anim) {
  ReadKeySet *keys = Take<ReadKeySet>(model);
  if (!keys) return NULL;
  AppendToModelList(keys, &model->keySetCount, &model->firstKeySet, &model->lastKeySet);
  keys->timeForm = 1;
  keys->previousInAnim = anim->lastKeySet;
  if (anim->lastKeySet) anim->lastKeySet->nextInAnim = keys;
  else anim->firstKeySet = keys;
  anim->lastKeySet = keys;
  anim->keySetCount++;
  return keys;
}
