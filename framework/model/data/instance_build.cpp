#include "model/data/instance_build.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "core/debug/memory.h"
#include "model/build/list_vertices.h"
#include "model/data/model_data.h"
#include "model/draw/model_draw_buffers.h"
#include "model/placement/model_bounds.h"
#include "model/system/model_system.h"

namespace {

// Offsets of the instance's areas inside its one allocation. Every count
// comes from model data that files filled, so sizes are summed in 64 bits.
struct InstanceLayout {
  uint64_t size;
  uint64_t frames, children, rootFrames, meshes, lists, materials, textures;
  uint64_t drawSet, matrixSet, boneRefs, boneMatrices, frameShapes, vertexStates;
  uint64_t rigid, bone4, bone8, freeBones;
  int drawWords, matrixWords;
  int rigidCount, bone4Count, bone8Count, freeBoneBytes;
};

uint64_t Take(InstanceLayout *layout, uint64_t count, uint64_t recordSize, uint64_t alignment) {
  layout->size = (layout->size + alignment - 1) & ~(alignment - 1);
  const uint64_t offset = layout->size;
  layout->size += count * recordSize;
  return offset;
}

bool CountsAreSane(const ModelData *data) {
  return data->frameCount >= 0 && data->meshCount >= 0 && data->triangleListCount >= 0 && data->materialCount >= 0 &&
         data->textureCount >= 0 && data->boneUseCount >= 0 && data->skinBoneCount >= 0 &&
         data->frameShapeCount >= 0;
}

// Sums the instance vertex areas from the lists of meshes whose vertices
// are copied per instance; false for a list that cannot be laid out.
bool CountInstanceVertices(const ModelData *data, InstanceLayout *layout, uint64_t *meshVertices) {
  uint64_t rigid = 0, bone4 = 0, bone8 = 0, freeBytes = 0, states = 0;
  for (int m = 0; m < data->meshCount; m++) {
    const ModelMesh *mesh = &data->meshes[m];
    if (!mesh->needsInstanceVertices) continue;
    states += static_cast<uint64_t>(mesh->meshVertexCount < 0 ? 0 : mesh->meshVertexCount);
    for (int l = 0; l < mesh->triangleListCount; l++) {
      const ModelTriangleList *list = &mesh->firstTriangleList[l];
      const uint64_t count = list->vertexCount < 0 ? 0 : static_cast<uint64_t>(list->vertexCount);
      switch (list->kind) {
        case MODEL_LIST_RIGID: rigid += count; break;
        case MODEL_LIST_BONES4: bone4 += count; break;
        case MODEL_LIST_BONES8: bone8 += count; break;
        case MODEL_LIST_FREE_BONES:
          if (list->bytesPerVertex < static_cast<int>(sizeof(FreeBoneListVertex))) return false;
          freeBytes += count * static_cast<uint64_t>(list->bytesPerVertex);
          break;
        default: break;
      }
    }
  }
  if ((rigid | bone4 | bone8 | freeBytes) > INT_MAX) return false;
  layout->rigidCount = static_cast<int>(rigid);
  layout->bone4Count = static_cast<int>(bone4);
  layout->bone8Count = static_cast<int>(bone8);
  layout->freeBoneBytes = static_cast<int>(freeBytes);
  *meshVertices = states;
  return true;
}

bool PlanLayout(const ModelData *data, InstanceLayout *layout) {
  *layout = InstanceLayout{};
  if (!CountsAreSane(data)) return false;
  uint64_t meshVertices = 0;
  if (!CountInstanceVertices(data, layout, &meshVertices)) return false;
  const uint64_t frames = static_cast<uint64_t>(data->frameCount);
  layout->drawWords = static_cast<int>((static_cast<uint64_t>(data->meshCount) + frames + 32) / 32);
  layout->matrixWords = static_cast<int>((frames + 32) / 32);
  layout->size = sizeof(ModelInstance);
  layout->frames = Take(layout, frames, sizeof(FrameInstance), 16);
  layout->children = Take(layout, frames, sizeof(FrameInstance *), sizeof(void *));
  layout->rootFrames = Take(layout, frames, sizeof(FrameInstance *), sizeof(void *));
  layout->meshes = Take(layout, static_cast<uint64_t>(data->meshCount), sizeof(MeshInstance), 16);
  layout->lists = Take(layout, static_cast<uint64_t>(data->triangleListCount), sizeof(TriangleListInstance), 16);
  layout->materials = Take(layout, static_cast<uint64_t>(data->materialCount), sizeof(MaterialInstance), 16);
  layout->textures = Take(layout, static_cast<uint64_t>(data->textureCount), sizeof(TextureInstance), 16);
  layout->drawSet = Take(layout, static_cast<uint64_t>(layout->drawWords), sizeof(uint32_t), 16);
  layout->matrixSet = Take(layout, static_cast<uint64_t>(layout->matrixWords), sizeof(uint32_t), 16);
  layout->boneRefs = Take(layout, static_cast<uint64_t>(data->boneUseCount), sizeof(Matrix34 *), 16);
  layout->boneMatrices = Take(layout, static_cast<uint64_t>(data->skinBoneCount), sizeof(Matrix34), 16);
  layout->frameShapes = Take(layout, static_cast<uint64_t>(data->frameShapeCount), 2 * sizeof(uint32_t), 16);
  layout->vertexStates = Take(layout, meshVertices, 6 * sizeof(float), 16);
  layout->rigid = Take(layout, static_cast<uint64_t>(layout->rigidCount), sizeof(RigidListVertex), 16);
  layout->bone4 = Take(layout, static_cast<uint64_t>(layout->bone4Count), sizeof(Bone4ListVertex), 16);
  layout->bone8 = Take(layout, static_cast<uint64_t>(layout->bone8Count), sizeof(Bone8ListVertex), 16);
  layout->freeBones = Take(layout, static_cast<uint64_t>(layout->freeBoneBytes), 1, 16);
  // The allocator takes an int and adds its own header.
  return layout->size <= static_cast<uint64_t>(INT_MAX) - 1024;
}

template <typename T>
T *At(ModelInstance *instance, uint64_t offset) {
  return reinterpret_cast<T *>(reinterpret_cast<unsigned char *>(instance) + offset);
}

void SetDrawStateDefaults(DrawState *state, uint8_t visible) {
  state->visible = visible;
  state->hasOwnScale = 0;
  for (ColorF &c : state->scale) c = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
  state->opacity = 1.0f;
}

void SetInstanceDefaults(ModelInstance *instance) {
  instance->scale = Vector3{1.0f, 1.0f, 1.0f};
  instance->rotationMode = MODEL_ROTATION_EULER;
  MakeIdentity34(&instance->localMatrix);
  MakeIdentity34(&instance->worldMatrix);
  SetDrawStateDefaults(&instance->draw, 1);
  instance->depthTest = 1;
  instance->depthWrite = 1;
  instance->depthFunction = 4;  // less or equal
  for (int &a : instance->maxAnisotropy) a = 2;
  memset(instance->drawChangeSet, 0xFF, instance->drawChangeSetBytes);
  memset(instance->matrixChangeSet, 0xFF, instance->matrixChangeSetBytes);
}

void FillMaterialsAndTextures(ModelInstance *instance, const ModelData *data) {
  for (int i = 0; i < data->materialCount; i++) instance->materials[i].surface = data->materials[i].surface;
  for (int i = 0; i < data->textureCount; i++) {
    TextureInstance *texture = &instance->textures[i];
    texture->texture = &data->textures[i];
    texture->graphHandle = data->textures[i].graphHandle;
    texture->ownGraphHandle = -1;
    texture->addressU = data->textures[i].addressU;
    texture->addressV = data->textures[i].addressV;
    texture->filter = data->textures[i].filter;
  }
}

void PointAtChangeBit(uint32_t *set, const BitRange &range, uint32_t **word, uint32_t *mask) {
  *word = &set[range.wordIndex];
  *mask = range.firstMask;
}

// Hands each triangle list of meshes with per-instance vertices its part of
// the vertex areas and fills it; false when a list's data is bad.
bool FillMeshes(ModelInstance *instance, const ModelData *data, const InstanceLayout &layout) {
  uint64_t rigid = layout.rigid, bone4 = layout.bone4, bone8 = layout.bone8, freeBones = layout.freeBones;
  float *states = At<float>(instance, layout.vertexStates);
  for (int m = 0; m < data->meshCount; m++) {
    ModelMesh *mesh = &data->meshes[m];
    MeshInstance *meshInstance = &instance->meshes[m];
    meshInstance->frame = &instance->frames[mesh->frame->index];
    meshInstance->mesh = mesh;
    meshInstance->material = mesh->material ? &instance->materials[mesh->material - data->materials] : NULL;
    PointAtChangeBit(instance->drawChangeSet, mesh->drawChange, &meshInstance->drawChangeWord,
                     &meshInstance->drawChangeMask);
    SetDrawStateDefaults(&meshInstance->draw, mesh->visible);
    meshInstance->drawMode = -1;
    meshInstance->alphaTestMode = -1;
    meshInstance->lists = &instance->triangleLists[mesh->firstTriangleList - data->triangleLists];
    for (int l = 0; l < mesh->triangleListCount; l++) {
      TriangleListInstance *listInstance = &meshInstance->lists[l];
      listInstance->list = &mesh->firstTriangleList[l];
    }
    if (!mesh->needsInstanceVertices) continue;
    meshInstance->vertexStates = states;
    states += static_cast<size_t>(mesh->meshVertexCount) * 6;
    for (int l = 0; l < mesh->triangleListCount; l++) {
      TriangleListInstance *listInstance = &meshInstance->lists[l];
      const ModelTriangleList *list = listInstance->list;
      uint64_t *area = list->kind == MODEL_LIST_RIGID    ? &rigid
                       : list->kind == MODEL_LIST_BONES4 ? &bone4
                       : list->kind == MODEL_LIST_BONES8 ? &bone8
                       : list->kind == MODEL_LIST_FREE_BONES ? &freeBones
                                                             : NULL;
      if (!area) continue;
      listInstance->vertices = At<void>(instance, *area);
      *area += static_cast<uint64_t>(list->vertexCount) * ListVertexSize(list);
      if (FillInstanceListVertices(listInstance) < 0) return false;
    }
  }
  return true;
}

void FillFrames(ModelInstance *instance, const ModelData *data, const InstanceLayout &layout) {
  FrameInstance **children = At<FrameInstance *>(instance, layout.children);
  Matrix34 **boneRefs = At<Matrix34 *>(instance, layout.boneRefs);
  uint32_t *shapeStates = instance->frameShapeStates;
  instance->rootFrames = At<FrameInstance *>(instance, layout.rootFrames);
  for (int f = 0; f < data->frameCount; f++) {
    const ModelFrame *frame = &data->frames[f];
    FrameInstance *fi = &instance->frames[f];
    memcpy(fi->tag, "FRM_", 4);
    fi->instanceHandle = instance->header.handle;
    fi->instance = instance;
    fi->frame = &data->frames[f];
    fi->parent = frame->parent ? &instance->frames[frame->parent->index] : NULL;
    fi->firstChild = frame->firstChild ? &instance->frames[frame->firstChild->index] : NULL;
    fi->nextSibling = frame->nextSibling ? &instance->frames[frame->nextSibling->index] : NULL;
    fi->lastSibling = frame->previousSibling ? &instance->frames[frame->previousSibling->index] : NULL;
    MakeIdentity34(&fi->localMatrix);
    MakeIdentity34(&fi->worldMatrix);
    PointAtChangeBit(instance->drawChangeSet, frame->drawChange, &fi->drawChangeWord, &fi->drawChangeMask);
    PointAtChangeBit(instance->matrixChangeSet, frame->matrixChange, &fi->matrixChangeWord, &fi->matrixChangeMask);
    SetDrawStateDefaults(&fi->draw, static_cast<uint8_t>(frame->flags & 1));
    fi->firstMesh = frame->meshCount > 0 ? &instance->meshes[frame->firstMesh - data->meshes] : NULL;
    fi->boneMatrices = boneRefs;
    for (int b = 0; b < frame->boneRefCount; b++) *boneRefs++ = &instance->boneMatrices[frame->boneRefs[b]->index];
    fi->frameShapeStates = shapeStates;
    for (int s = 0; s < frame->frameShapeCount; s++) {
      shapeStates[2 * s] = static_cast<uint32_t>(data->frameShapes[frame->firstFrameShape + s].shape);
    }
    shapeStates += 2 * frame->frameShapeCount;
    fi->shapesChanged = 1;
    // Child tables follow each other after the frame array, children in
    // sibling order.
    fi->children = children;
    for (const ModelFrame *child = frame->firstChild; child; child = child->nextSibling) {
      instance->frames[child->index].childIndex = fi->childCount;
      children[fi->childCount++] = &instance->frames[child->index];
    }
    children += fi->childCount;
    if (!frame->parent) {
      fi->childIndex = instance->rootFrameCount;
      instance->rootFrames[instance->rootFrameCount++] = fi;
    }
  }
}

// The links, indices and change bits of the data must stay inside its own
// arrays and the instance's sets before anything is built over them.
bool DataLinksAreSound(const ModelData *data, const InstanceLayout &layout) {
  int boneRefTotal = 0, childTotal = 0;
  auto frameOk = [data](const ModelFrame *f) { return !f || (f >= data->frames && f < data->frames + data->frameCount); };
  auto bitOk = [](const BitRange &r, int words) { return r.wordIndex >= 0 && r.wordIndex < words && r.wordCount <= words - r.wordIndex; };
  for (int f = 0; f < data->frameCount; f++) {
    const ModelFrame *frame = &data->frames[f];
    if (frame->index != f || !frameOk(frame->parent) || !frameOk(frame->firstChild) || !frameOk(frame->nextSibling) ||
        !frameOk(frame->previousSibling))
      return false;
    if (!bitOk(frame->drawChange, layout.drawWords) || !bitOk(frame->matrixChange, layout.matrixWords)) return false;
    if (frame->meshCount < 0 || (frame->meshCount > 0 && (frame->firstMesh < data->meshes ||
                                                          frame->firstMesh + frame->meshCount > data->meshes + data->meshCount)))
      return false;
    if (frame->frameShapeCount < 0 || frame->firstFrameShape < 0 ||
        frame->firstFrameShape + frame->frameShapeCount > data->frameShapeCount)
      return false;
    if (frame->boneRefCount < 0) return false;
    boneRefTotal += frame->boneRefCount;
    for (int b = 0; b < frame->boneRefCount; b++) {
      const ModelSkinBone *bone = frame->boneRefs[b];
      if (!bone || bone->index < 0 || bone->index >= data->skinBoneCount) return false;
    }
    for (const ModelFrame *child = frame->firstChild; child && childTotal <= data->frameCount; child = child->nextSibling) {
      if (!frameOk(child) || child->parent != frame) return false;
      childTotal++;
    }
  }
  if (boneRefTotal > data->boneUseCount || childTotal > data->frameCount) return false;
  for (int m = 0; m < data->meshCount; m++) {
    const ModelMesh *mesh = &data->meshes[m];
    if (!mesh->frame || !frameOk(mesh->frame) || !bitOk(mesh->drawChange, layout.drawWords)) return false;
    if (mesh->material && (mesh->material < data->materials || mesh->material >= data->materials + data->materialCount))
      return false;
    if (mesh->triangleListCount < 0 ||
        (mesh->triangleListCount > 0 && (mesh->firstTriangleList < data->triangleLists ||
                                         mesh->firstTriangleList + mesh->triangleListCount >
                                             data->triangleLists + data->triangleListCount)))
      return false;
  }
  return true;
}

}  // namespace

int BuildModelInstance(int instanceHandle, int dataHandle) {
  ModelData *data = LookupModelData(dataHandle);
  if (!data || !IsModelInstanceSlotReserved(instanceHandle)) return -1;
  InstanceLayout layout;
  if (!PlanLayout(data, &layout) || !DataLinksAreSound(data, layout)) return -1;
  ModelInstance *instance = static_cast<ModelInstance *>(VV_ALLOC_ZEROED(layout.size));
  if (!instance) return -1;
  instance->dataHandle = dataHandle;
  instance->data = data;
  instance->frames = At<FrameInstance>(instance, layout.frames);
  instance->meshes = At<MeshInstance>(instance, layout.meshes);
  instance->triangleLists = At<TriangleListInstance>(instance, layout.lists);
  instance->materials = At<MaterialInstance>(instance, layout.materials);
  instance->textures = At<TextureInstance>(instance, layout.textures);
  instance->drawChangeSet = At<uint32_t>(instance, layout.drawSet);
  instance->matrixChangeSet = At<uint32_t>(instance, layout.matrixSet);
  instance->drawChangeSetBytes = layout.drawWords * 4;
  instance->matrixChangeSetBytes = layout.matrixWords * 4;
  instance->boneMatrixRefs = At<Matrix34 *>(instance, layout.boneRefs);
  instance->boneMatrices = At<Matrix34>(instance, layout.boneMatrices);
  instance->frameShapeStates = At<uint32_t>(instance, layout.frameShapes);
  instance->meshVertexStates = At<float>(instance, layout.vertexStates);
  instance->rigidVertices = At<RigidListVertex>(instance, layout.rigid);
  instance->bone4Vertices = At<Bone4ListVertex>(instance, layout.bone4);
  instance->bone8Vertices = At<Bone8ListVertex>(instance, layout.bone8);
  instance->freeBoneVertices = At<uint8_t>(instance, layout.freeBones);
  SetInstanceDefaults(instance);
  FillMaterialsAndTextures(instance, data);
  if (!FillMeshes(instance, data, layout)) {
    VV_FREE(instance);
    return -1;
  }
  // Nothing can fail from here on: the record takes its slot, its check
  // number and its place at the head of the data's list.
  FillModelInstanceSlot(instanceHandle, instance);
  instance->checkNumber = HandleCheckOf(instance->header.handle);
  instance->nextInstance = data->firstInstance;
  if (data->firstInstance) data->firstInstance->previousInstance = instance;
  else data->lastInstance = instance;
  data->firstInstance = instance;
  data->instanceCount++;
  FillFrames(instance, data, layout);
  data->referenceCount++;
  if (!data->boundsValid) ComputeModelBounds(instance->header.handle, NULL, NULL);
  MakeInstanceBuffers(instance);
  return 0;
}
