// Drawing an instance: the frame walk with the view test, and each mesh
// list by list. Rigid lists whose chunk has its buffers are drawn from it
// with the chunk's fixed vertex format; everything else (no chunk, toon
// materials, skinned and free-bone lists, per-instance vertices without a
// buffer of their own) from the list's CPU array, skinned vertices blended
// on the CPU with the identity as world matrix.
#include <math.h>
#include <string.h>

#include "graphics/device/screen_settings.h"
#include "graphics/draw_calls/draw_support.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "model/data/model_data.h"
#include "model/draw/model_draw_buffers.h"
#include "model/draw/model_draw_cache.h"
#include "model/draw/model_draw_support.h"
#include "model/placement/instance_placement.h"
#include "model/system/model_system.h"
#include "model/textures/builtin_textures.h"
#include "velvane.h"

ModelDrawCache g_modelDrawCache;

void ForgetModelDrawBindings(void) {
  g_modelDrawCache.lastVertexBuffer = NULL;
  g_modelDrawCache.lastIndexBuffer = NULL;
  g_modelDrawCache.lastStride = 0;
}

namespace {

enum {
  FVF_XYZ_ONLY = 0x002,
  OUTLINE_STRIDE = 16
};

void SendFvf(GfxDevice *device, uint32_t fvf) {
  if (g_stateCache.fvf == fvf && !g_stateCache.force) return;
  device->SetFVF(fvf);
  g_stateCache.fvf = fvf;
}

void UnsetShaders(GfxDevice *device) {
  if (!g_stateCache.vertexShaderSet && !g_stateCache.pixelShaderSet) return;
  device->SetNoShaders();
  g_stateCache.vertexShaderSet = 0;
  g_stateCache.pixelShaderSet = 0;
}

const Matrix4x4 *FrameWorld4x4(FrameInstance *frame) {
  if (!frame->worldMatrix4x4Valid) {
    Matrix34To4x4(&frame->worldMatrix4x4, &frame->worldMatrix);
    frame->worldMatrix4x4Valid = 1;
  }
  return &frame->worldMatrix4x4;
}

void SendFrameWorld(FrameInstance *frame) {
  SetDeviceWorldMatrix(FrameWorld4x4(frame));
  g_modelDrawCache.worldIsIdentity = 0;
}

void SendIdentityWorld() {
  if (g_modelDrawCache.worldIsIdentity) return;
  Matrix4x4 identity;
  MakeIdentityMatrix(&identity);
  SetDeviceWorldMatrix(&identity);
  g_modelDrawCache.worldIsIdentity = 1;
}

// The diffuse texture's graph (-1 none) and its sampler states.
int DiffuseGraph(const MeshInstance *mesh) {
  const MaterialSurface &surface = mesh->material->surface;
  const ModelData *data = mesh->frame->instance->data;
  if (!surface.diffuseTexture.used) return -1;
  const int index = surface.diffuseTexture.texture;
  // Negative indices name the shared built-in textures.
  if (index < 0) return GetBuiltinModelTexture(index);
  if (index >= data->textureCount) return -1;
  const TextureInstance *texture = &mesh->frame->instance->textures[index];
  if (texture->graphHandle < 0 || !GetGraphTexture(texture->graphHandle)) return -1;
  SetTextureAddressModes(texture->addressU, texture->addressV, texture->addressU, 0);
  SetSamplerFilterState(0, 16, texture->filter);
  SetSamplerFilterState(0, 17, texture->filter);
  SetSamplerFilterState(0, 18, texture->filter);
  return texture->graphHandle;
}

// The blend fields of a mesh's stage set; the texture factor carries an
// opacity below 255.
TextureStageSet MeshStageSet(const MeshDrawState &state, bool withFactor) {
  TextureStageSet set;
  memset(&set, 0, sizeof set);
  set.alphaRef = -1;
  set.alphaFunc = -1;
  set.alphaBlendEnable = state.alphaBlend;
  set.srcBlend = state.srcBlend;
  set.destBlend = state.destBlend;
  set.blendOp = state.blendOp;
  set.textureFactor = withFactor ? static_cast<int>(state.diffuse) : -1;
  return set;
}

void ApplyMeshStages(MeshInstance *mesh, const MeshDrawState &state) {
  TextureStageSet set = MeshStageSet(state, (state.diffuse >> 24) != 0xFF);
  const int graph = DiffuseGraph(mesh);
  if (graph < 0) {
    ApplyFallbackTextureStages(mesh, &set, 0);
    return;
  }
  FillModelTextureStages(&set, graph, mesh);
  ApplyDrawStateRecord(&set, 1, set.textureFactor);
}

// Outlines are one flat colour: the texture factor selected in stage 0.
void ApplyOutlineStages(const MeshDrawState &state) {
  TextureStageSet set = MeshStageSet(state, true);
  set.stages[0] = ModelStage(TA_TFACTOR, TA_DIFFUSE, TOP_SELECTARG1);
  set.graphs[0] = -1;
  set.stages[1] = ModelStage(TA_TEXTURE, TA_DIFFUSE, TOP_DISABLE);
  set.graphs[1] = -1;
  set.stageCount = 2;
  ApplyDrawStateRecord(&set, 1, set.textureFactor);
}

bool DrawsFromChunk(const ModelTriangleList *list, const TriangleListInstance *state, bool toon) {
  const BufferChunk *chunk = static_cast<const BufferChunk *>(list->bufferChunk);
  if (!ModelVertexBuffersInUse() || toon || list->kind != MODEL_LIST_RIGID) return false;
  if (!chunk || !chunk->vertexBuffer || !chunk->indexBuffer) return false;
  return !list->mesh->needsInstanceVertices || state->vertexBuffer;
}

void DrawFromChunk(GfxDevice *device, FrameInstance *frame, const ModelTriangleList *list,
                   const TriangleListInstance *state) {
  const BufferChunk *chunk = static_cast<const BufferChunk *>(list->bufferChunk);
  SendFrameWorld(frame);
  SendFvf(device, chunk->layoutCode);
  GfxVertexBuffer *vertices = state->vertexBuffer ? static_cast<GfxVertexBuffer *>(state->vertexBuffer) : chunk->vertexBuffer;
  if (vertices != g_modelDrawCache.lastVertexBuffer || chunk->stride != g_modelDrawCache.lastStride) {
    device->SetStreamSource(vertices, chunk->stride);
    g_modelDrawCache.lastVertexBuffer = vertices;
    g_modelDrawCache.lastStride = chunk->stride;
  }
  if (chunk->indexBuffer != g_modelDrawCache.lastIndexBuffer) {
    device->SetIndices(chunk->indexBuffer);
    g_modelDrawCache.lastIndexBuffer = chunk->indexBuffer;
  }
  device->DrawIndexedPrimitive(GFX_PRIM_TRIANGLELIST, state->vertexBuffer ? 0 : list->firstVertexInChunk, 0,
                               list->vertexCount, list->firstIndexInChunk, list->indexCount / 3);
}

// Blends one skinned position and normal with the frame's bone matrices.
void BlendVertex(FrameInstance *frame, const ModelTriangleList *list, const float *position, const float *normal,
                 const float *weights, const uint8_t *bones, int count, float *outPosition, float *outNormal) {
  float p[3] = {0, 0, 0}, n[3] = {0, 0, 0};
  for (int k = 0; k < count; k++) {
    if (weights[k] == 0.0f) continue;
    const int slot = bones[k] < list->boneCount ? list->bones[bones[k]] : -1;
    if (slot < 0 || slot >= frame->frame->boneRefCount) continue;
    const Matrix34 *m = frame->boneMatrices[slot];
    for (int r = 0; r < 3; r++) {
      p[r] += weights[k] * (m->m[r][0] * position[0] + m->m[r][1] * position[1] + m->m[r][2] * position[2] + m->m[r][3]);
      n[r] += weights[k] * (m->m[r][0] * normal[0] + m->m[r][1] * normal[1] + m->m[r][2] * normal[2]);
    }
  }
  memcpy(outPosition, p, sizeof p);
  memcpy(outNormal, n, sizeof n);
}

// Positions (and normals) that change per draw: the instance's own copy
// of a rigid list, or skinned vertices blended on the CPU.
void RefreshCpuPositions(FrameInstance *frame, ModelTriangleList *list, const TriangleListInstance *state) {
  const int stride = ModelCpuVertexStride(list->mesh->texCoordSetCount);
  uint8_t *out = static_cast<uint8_t *>(list->cpuVertices);
  const void *source = state->vertices ? state->vertices : list->vertices;
  for (int i = 0; i < list->vertexCount; i++, out += stride) {
    float *position = reinterpret_cast<float *>(out);
    float *normal = position + 3;
    switch (list->kind) {
      case MODEL_LIST_RIGID: {
        const RigidListVertex *v = static_cast<const RigidListVertex *>(source) + i;
        memcpy(position, v->position, 3 * sizeof(float));
        break;
      }
      case MODEL_LIST_BONES4: {
        const Bone4ListVertex *v = static_cast<const Bone4ListVertex *>(source) + i;
        BlendVertex(frame, list, v->position, v->normal, v->weights, v->bones, 4, position, normal);
        break;
      }
      case MODEL_LIST_BONES8: {
        const Bone8ListVertex *v = static_cast<const Bone8ListVertex *>(source) + i;
        BlendVertex(frame, list, v->position, v->normal, v->weights, v->bones, 8, position, normal);
        break;
      }
      default: {
        const uint8_t *bytes = static_cast<const uint8_t *>(source) + static_cast<size_t>(i) * list->bytesPerVertex;
        const FreeBoneListVertex *v = reinterpret_cast<const FreeBoneListVertex *>(bytes);
        const FreeBonePair *pairs = reinterpret_cast<const FreeBonePair *>(v + 1);
        const int pairCount = (list->bytesPerVertex - static_cast<int>(sizeof(FreeBoneListVertex))) / static_cast<int>(sizeof(FreeBonePair));
        float p[3] = {0, 0, 0}, n[3] = {0, 0, 0};
        for (int k = 0; k < pairCount && pairs[k].bone >= 0; k++) {
          if (pairs[k].bone >= frame->frame->boneRefCount) continue;
          const Matrix34 *m = frame->boneMatrices[pairs[k].bone];
          const float w = pairs[k].weight;
          for (int r = 0; r < 3; r++) {
            p[r] += w * (m->m[r][0] * v->position[0] + m->m[r][1] * v->position[1] + m->m[r][2] * v->position[2] + m->m[r][3]);
            n[r] += w * (m->m[r][0] * v->normal[0] + m->m[r][1] * v->normal[1] + m->m[r][2] * v->normal[2]);
          }
        }
        memcpy(position, p, sizeof p);
        memcpy(normal, n, sizeof n);
        break;
      }
    }
  }
}

void DrawFromMemory(GfxDevice *device, FrameInstance *frame, ModelTriangleList *list, const TriangleListInstance *state) {
  // Without its array there is nothing to draw the list from.
  if (!BuildListCpuVertices(list)) return;
  const bool rigid = list->kind == MODEL_LIST_RIGID;
  if (rigid) SendFrameWorld(frame);
  else SendIdentityWorld();
  if (!rigid || (list->mesh->needsInstanceVertices && state->vertices)) RefreshCpuPositions(frame, list, state);
  const int sets = list->mesh->texCoordSetCount;
  SendFvf(device, FixedModelVertexFormat(sets));
  ForgetModelDrawBindings();
  device->DrawIndexedPrimitiveUP(GFX_PRIM_TRIANGLELIST, 0, list->vertexCount, list->indexCount / 3, list->indices,
                                 list->cpuVertices, ModelCpuVertexStride(sets));
}

// Each outline vertex of a skinned list: its blended position pushed out
// along its blended normal.
void PushBlendedOutline(ModelTriangleList *list, float width) {
  const int stride = ModelCpuVertexStride(list->mesh->texCoordSetCount);
  const uint8_t *in = static_cast<const uint8_t *>(list->cpuVertices);
  float *out = static_cast<float *>(list->extraBuffer);
  for (int i = 0; i < list->vertexCount; i++, in += stride, out += 4) {
    const float *vertex = reinterpret_cast<const float *>(in);
    for (int k = 0; k < 3; k++) out[k] = vertex[k] + vertex[3 + k] * width;
  }
}

float OutlineScreenWidth(FrameInstance *frame, const ModelMaterial *material) {
  const Matrix34 &world = frame->worldMatrix;
  const Vector3 origin = {world.m[0][3], world.m[1][3], world.m[2][3]};
  const Matrix4x4 &view = g_drawSettings.viewMatrix;
  const Vector3 moved = {origin.x + view.m[0][0] * material->outlineWidth, origin.y + view.m[1][0] * material->outlineWidth,
                         origin.z + view.m[2][0] * material->outlineWidth};
  const Vector3 a = WorldToScreen(origin), b = WorldToScreen(moved);
  const float distance = fabsf(b.x - a.x);
  const float dot = material->outlineDotWidth < 0.0000001f ? 1.125f : material->outlineDotWidth;
  if (distance >= dot) return material->outlineWidth;
  if (distance < 0.00000001f) return material->outlineWidth * 10000000.0f;
  return material->outlineWidth * dot / distance;
}

void DrawOutlines(GfxDevice *device, MeshInstance *mesh) {
  const ModelMaterial *material = mesh->mesh->material;
  if (material->outlineWidth > 0.000001f || material->outlineDotWidth > 0.000001f) {
    MeshDrawState state;
    memset(&state, 0, sizeof state);
    SetupOutlineMaterial(&state, mesh, OutlineScreenWidth(mesh->frame, material));
    const ColorF &c = material->outlineColor;
    state.diffuse = (state.diffuse & 0xFF000000u) | (static_cast<uint32_t>(c.r * 255.0f) << 16) |
                    (static_cast<uint32_t>(c.g * 255.0f) << 8) | static_cast<uint32_t>(c.b * 255.0f);
    ApplyOutlineStages(state);
    for (int l = 0; l < mesh->mesh->triangleListCount; l++) {
      ModelTriangleList *list = &mesh->mesh->firstTriangleList[l];
      if (list->outlineIndexCount == 0 || !BuildListOutlineVertices(list)) continue;
      if (list->kind == MODEL_LIST_RIGID) {
        SendFrameWorld(mesh->frame);
      } else {
        // Skinned outlines follow the vertices the list was just blended to.
        if (!list->cpuVertices) continue;
        PushBlendedOutline(list, material->outlineWidth);
        SendIdentityWorld();
      }
      SendFvf(device, FVF_XYZ_ONLY);
      ForgetModelDrawBindings();
      device->DrawIndexedPrimitiveUP(GFX_PRIM_TRIANGLELIST, 0, list->vertexCount, list->outlineIndexCount / 3,
                                     list->outlineIndices, list->extraBuffer, OUTLINE_STRIDE);
    }
  }
  SetDeviceLighting(g_drawSettings.lightingDisabled ? 0 : 1);
}

void DrawModelMesh(MeshInstance *mesh) {
  GfxDevice *device = StateDevice();
  if (!device) return;
  int vertexShader = MODEL_SHADER_BASE, pixelShader = MODEL_SHADER_BASE, specular = 0;
  MeshDrawState state;
  memset(&state, 0, sizeof state);
  SetupMeshMaterial(&vertexShader, &pixelShader, &state, mesh, &specular);
  ApplyMeshStages(mesh, state);
  UnsetShaders(device);
  const bool toon = IsToonMaterial(mesh->mesh->material);
  ModelInstance *instance = mesh->frame->instance;
  for (int l = 0; l < mesh->mesh->triangleListCount; l++) {
    ModelTriangleList *list = &mesh->mesh->firstTriangleList[l];
    if (list->kind > MODEL_LIST_FREE_BONES) continue;
    const TriangleListInstance *listState = &instance->triangleLists[list - instance->data->triangleLists];
    if (DrawsFromChunk(list, listState, toon)) DrawFromChunk(device, mesh->frame, list, listState);
    else DrawFromMemory(device, mesh->frame, list, listState);
  }
  if (toon) DrawOutlines(device, mesh);
}

bool FrameOutsideView(const FrameInstance *frame) {
  const ModelFrame *f = frame->frame;
  Vector3 corners[8];
  for (int i = 0; i < 8; i++) {
    const Vector3 corner = {(i & 1) ? f->boundsMax[0] : f->boundsMin[0], (i & 2) ? f->boundsMax[1] : f->boundsMin[1],
                            (i & 4) ? f->boundsMax[2] : f->boundsMin[2]};
    TransformPoint34(&frame->worldMatrix, &corners[i], &corner);
  }
  return IsBoxOutsideView(corners) != 0;
}

void DrawFrameMeshes(FrameInstance *frame) {
  for (int m = 0; m < frame->frame->meshCount; m++) {
    MeshInstance *mesh = &frame->firstMesh[m];
    RefreshMeshDrawState(mesh);
    if (mesh->effective.visible) DrawModelMesh(mesh);
  }
}

ModelInstance *DrawableInstance(int handle) {
  if (!IsModelSystemStarted()) return NULL;
  return LookupModelInstance(handle);
}

}  // namespace

int VLMDrawInstance(int handle) {
  ModelInstance *instance = DrawableInstance(handle);
  if (!instance) return -1;
  if (!instance->draw.visible) return 0;
  if (!instance->matricesValid) UpdateInstanceMatrices(instance);
  ApplyModelInstanceState(instance);
  const ModelData *data = instance->data;
  for (int f = 0; f < data->frameCount; f++) {
    FrameInstance *frame = &instance->frames[f];
    if (frame->frame->meshCount <= 0) continue;
    RefreshFrameDrawState(frame);
    if (!frame->effective.visible) continue;
    if (!frame->frame->noCulling && FrameOutsideView(frame)) continue;
    DrawFrameMeshes(frame);
  }
  return 0;
}

int VLMDrawInstanceFrame(int handle, int frameIndex) {
  ModelInstance *instance = DrawableInstance(handle);
  if (!instance) return -1;
  if (!instance->draw.visible) return 0;
  if (frameIndex < 0 || frameIndex >= instance->data->frameCount) return -1;
  FrameInstance *frame = &instance->frames[frameIndex];
  if (frame->frame->meshCount <= 0) return -1;
  RefreshFrameDrawState(frame);
  if (!frame->effective.visible) return 0;
  if (!instance->matricesValid) UpdateInstanceMatrices(instance);
  if (!frame->frame->noCulling && FrameOutsideView(frame)) return -1;
  ApplyModelInstanceState(instance);
  DrawFrameMeshes(frame);
  return 0;
}
