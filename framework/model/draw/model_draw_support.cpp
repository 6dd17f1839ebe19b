#include "model/draw/model_draw_support.h"

#include <string.h>

#include "core/debug/memory.h"
#include "graphics/device/shaders.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/lights.h"
#include "graphics/draw/camera.h"
#include "graphics/draw_calls/draw_support.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "model/draw/model_draw_buffers.h"
#include "model/draw/model_draw_cache.h"
#include "model/textures/builtin_textures.h"

namespace {

enum {
  SHADE_GOURAUD = 2,
  FILL_WIREFRAME = 2,
  FILL_SOLID = 3,
  CULL_CLOCKWISE = 2,
  BLENDOP_KEEP = -1,
  BLEND_SRCCOLOR = 3,
  TOP_BLENDFACTORALPHA = 14
};

// The shader-number steps of a material and the lights.
enum {
  PIXEL_TOON = 0x3600,
  PIXEL_TOON_GRADIENT_2 = 0x5100,
  PIXEL_TOON_SPECULAR_GRADIENT = 0xD80,
  PIXEL_TOON_SHADED = 0x6C00,
  SHADER_VERTEX_DIFFUSE = 4,
  SHADER_VERTEX_SPECULAR = 2,
  VERTEX_NORMAL_MAP = 2048,
  PIXEL_NORMAL_MAP = 216,
  SHADER_SPECULAR = 1,
  PIXEL_SPECULAR_MAP = 864
};


ColorF Scaled(ColorF colour, ColorF scale) {
  return ColorF{colour.r * scale.r, colour.g * scale.g, colour.b * scale.b, colour.a * scale.a};
}

int BlendModeOf(const MeshInstance *mesh) {
  return mesh->drawMode != -1 ? mesh->drawMode : mesh->mesh->material->defaultDrawMode;
}

// Blend modes by the mesh's mode; modes the table does not name keep the
// device's blend state as it is.
void SetBlendFromMode(MeshDrawState *state, int mode) {
  switch (mode) {
    case 0:
      *state = MeshDrawState{0, -1, -1, -1, state->diffuse, state->textured};
      return;
    case 1:
    case 10:
      *state = MeshDrawState{1, BLEND_SRCALPHA, BLEND_INVSRCALPHA, BLENDOP_ADD, state->diffuse, state->textured};
      return;
    case 2:
      *state = MeshDrawState{1, BLEND_SRCALPHA, BLEND_ONE, BLENDOP_ADD, state->diffuse, state->textured};
      return;
    case 4:
    case 11:
      *state = MeshDrawState{1, BLEND_ZERO, BLEND_SRCCOLOR, BLENDOP_ADD, state->diffuse, state->textured};
      return;
    default:
      *state = MeshDrawState{-1, -1, -1, BLENDOP_KEEP, state->diffuse, state->textured};
      return;
  }
}

uint32_t VertexDiffuse(const MeshInstance *mesh) {
  const int alpha = mesh->mesh->material->alpha;
  float value = mesh->effective.opacity * static_cast<float>(alpha);
  if (!(value > 0.0f)) value = 0.0f;
  if (value > 255.0f) value = 255.0f;
  return (static_cast<uint32_t>(value) << 24) | 0xFFFFFFu;
}

int Outcode(const Vector3 &corner, const float *area) {
  float x = corner.x, y = corner.y, z = corner.z;
  float w = 1.0f;
  const Matrix4x4 &m = g_drawSettings.viewProjectionViewport;
  const float X = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
  const float Y = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
  const float Z = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
  w = x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3];
  x = X / w;
  y = Y / w;
  z = Z / w;
  if (w < 0.0f) {
    x = -x;
    y = -y;
    z = -z;
  }
  int code = 0;
  if (x < area[0]) code |= 2;
  else if (x > area[2]) code |= 1;
  if (y < area[1]) code |= 8;
  else if (y > area[3]) code |= 4;
  if (z < 0.0f) code |= 0x20;
  else if (z > 1.0f) code |= 0x10;
  return code;
}

}  // namespace

int ApplyModelInstanceState(const ModelInstance *instance) {
  SubmitVertexBatch();
  UpdateDeviceLights();
  g_modelDrawCache.worldIsIdentity = 0;
  BeginDeviceScene();
  SetDeviceZEnable(instance->depthTest);
  SetDeviceZWriteEnable(instance->depthWrite);
  SetDeviceZFunc(instance->depthFunction);
  SetDeviceDepthBias(instance->depthBias);
  SetDeviceShadeMode(SHADE_GOURAUD);
  SetDeviceFogEnable(g_drawSettings.fogEnable);
  for (int stage = 0; stage < 3; stage++) SetSamplerMaxAnisotropy(static_cast<unsigned>(stage), instance->maxAnisotropy[stage]);
  SetDeviceFillMode(instance->wireframe ? FILL_WIREFRAME : FILL_SOLID);
  g_stateCache.drawFilterMode = -1;
  return 0;
}

int IsBoxOutsideView(const Vector3 corners[8]) {
  UpdateCombinedMatrices();
  const float *area = g_drawSettings.clipRectF;
  int common = 0x3F;
  for (int i = 0; i < 8; i++) {
    const int code = Outcode(corners[i], area);
    if (code == 0) return 0;
    common &= code;
  }
  return common != 0 ? 1 : 0;
}

void SetupMeshMaterial(int *vertexShader, int *pixelShader, MeshDrawState *state, const MeshInstance *mesh,
                       int *specular) {
  const ModelMaterial *material = mesh->mesh->material;
  const MaterialSurface &surface = mesh->material->surface;
  GfxMaterial device;
  device.diffuse = surface.diffuse;
  device.ambient = surface.ambient;
  device.specular = surface.specular;
  device.emissive = surface.emissive;
  device.power = surface.power;
  if (mesh->effective.scaleValid) {
    device.diffuse = Scaled(device.diffuse, mesh->effective.scale[0]);
    device.ambient = Scaled(device.ambient, mesh->effective.scale[1]);
    device.specular = Scaled(device.specular, mesh->effective.scale[2]);
    device.emissive = Scaled(device.emissive, mesh->effective.scale[3]);
  }
  SendDeviceMaterial(&device);
  SetDeviceCullMode(mesh->mesh->cullMode);

  state->diffuse = VertexDiffuse(mesh);
  state->textured = surface.diffuseTexture.used ? 1 : 0;
  SetBlendFromMode(state, BlendModeOf(mesh));

  const bool toon = IsToonMaterial(material);
  const bool shaders = IsVertexShaderUsable() && IsPixelShaderUsable();
  const bool vertexDiffuse = mesh->mesh->diffuseFromVertexColor != 0;
  const bool vertexSpecular = mesh->mesh->specularFromVertexColor != 0;
  int spec = vertexSpecular || surface.specular.r > 0.00001f || surface.specular.g > 0.00001f ||
             surface.specular.b > 0.00001f;
  if (toon && !shaders) spec = 0;
  if (g_drawSettings.specularOff) spec = 0;
  SetDeviceSpecularEnable(spec);
  if (toon && !shaders) {
    SetDiffuseFromVertexColor(1);
    SetSpecularFromVertexColor(1);
  } else {
    SetDiffuseFromVertexColor(vertexDiffuse ? 1 : 0);
    SetSpecularFromVertexColor(vertexSpecular ? 1 : 0);
  }
  SetDeviceLighting(toon || g_drawSettings.lightingDisabled ? 0 : 1);

  if (material->kind == MODEL_MATERIAL_TOON) {
    *pixelShader += material->toonGradientMode == 2 ? PIXEL_TOON_GRADIENT_2 : PIXEL_TOON;
    if (material->specularGradient && spec) *pixelShader += PIXEL_TOON_SPECULAR_GRADIENT;
  } else if (material->kind == MODEL_MATERIAL_TOON_SHADED) {
    *pixelShader += PIXEL_TOON_SHADED;
  }
  if (vertexDiffuse) {
    *vertexShader += SHADER_VERTEX_DIFFUSE;
    *pixelShader += SHADER_VERTEX_DIFFUSE;
  }
  if (vertexSpecular) {
    *vertexShader += SHADER_VERTEX_SPECULAR;
    *pixelShader += SHADER_VERTEX_SPECULAR;
  }
  if (surface.normalMap.used) {
    *vertexShader += VERTEX_NORMAL_MAP;
    *pixelShader += PIXEL_NORMAL_MAP;
  }
  if (spec) {
    *vertexShader += SHADER_SPECULAR;
    *pixelShader += SHADER_SPECULAR;
  }
  if (surface.specularMap.used) *pixelShader += PIXEL_SPECULAR_MAP;
  *specular = spec;
}

void SetupOutlineMaterial(MeshDrawState *state, const MeshInstance *mesh, float width) {
  const ModelMaterial *material = mesh->mesh->material;
  GfxMaterial device;
  memset(&device, 0, sizeof device);
  device.diffuse = material->outlineColor;
  device.diffuse.a = 1.0f;
  SendDeviceMaterial(&device);
  SetVertexConstantCopy(42, width, width, width, width);
  SetDeviceCullMode(CULL_CLOCKWISE);
  state->diffuse = VertexDiffuse(mesh);
  state->textured = 1;
  SetBlendFromMode(state, BlendModeOf(mesh));
  SetDeviceSpecularEnable(0);
  SetDeviceLighting(0);
}

void ComputeColorRatio(float r, float g, float b, float *outR, float *outG, float *outB) {
  float largest = r, smallest = r;
  if (g > largest) largest = g;
  if (b > largest) largest = b;
  if (g < smallest) smallest = g;
  if (b < smallest) smallest = b;
  if (r + g + b < 0.00001f || largest - smallest < 0.00001f) {
    *outR = *outG = *outB = 1.0f;
    return;
  }
  *outR = r / largest;
  *outG = g / largest;
  *outB = b / largest;
}

TextureStageRecord ModelStage(int arg1, int arg2, int op) {
  TextureStageRecord stage;
  memset(&stage, 0, sizeof stage);
  stage.colorArg1 = stage.alphaArg1 = static_cast<int16_t>(arg1);
  stage.colorArg2 = stage.alphaArg2 = static_cast<int16_t>(arg2);
  stage.colorOp = stage.alphaOp = static_cast<int16_t>(op);
  return stage;
}

void FillModelTextureStages(TextureStageSet *set, int graph, const MeshInstance *mesh) {
  const int blendMode = BlendModeOf(mesh);
  int count = 0;
  set->stages[count] = ModelStage(TA_TEXTURE, TA_DIFFUSE, TOP_MODULATE);
  set->graphs[count++] = graph;
  if (set->textureFactor != -1) {
    // The factor's alpha is the opacity: mode 11 (a darkening mode) fades
    // the colour towards white by it, every other mode scales the alpha.
    TextureStageRecord stage;
    if (blendMode == 11) {
      stage = ModelStage(TA_CURRENT, TA_DIFFUSE, TOP_SELECTARG1);
      stage.colorArg2 = TA_TFACTOR;
      stage.colorOp = TOP_BLENDFACTORALPHA;
    } else {
      stage = ModelStage(TA_CURRENT, TA_TFACTOR, TOP_MODULATE);
      stage.colorArg2 = TA_DIFFUSE;
      stage.colorOp = TOP_SELECTARG1;
    }
    set->stages[count] = stage;
    set->graphs[count++] = -1;
  }
  set->stages[count] = ModelStage(TA_TEXTURE, TA_DIFFUSE, TOP_DISABLE);
  set->graphs[count++] = -1;
  set->stageCount = count;
}

void ApplyFallbackTextureStages(const MeshInstance *mesh, TextureStageSet *set, int shaderPath) {
  const int white = GetWhiteModelTexture();
  if (shaderPath) {
    // The shaders read stage 0 alone; the other two stages stay off.
    set->stages[0] = ModelStage(TA_TEXTURE, TA_DIFFUSE, TOP_MODULATE);
    set->graphs[0] = white;
    for (int stage = 1; stage < 3; stage++) {
      set->stages[stage] = ModelStage(TA_TEXTURE, TA_DIFFUSE, TOP_DISABLE);
      set->graphs[stage] = -1;
    }
    set->stageCount = 3;
    ApplyDrawStateRecord(set, 1, set->textureFactor);
    ResetTexCoordIndices();
    return;
  }
  FillModelTextureStages(set, white, mesh);
  ApplyDrawStateRecord(set, 1, set->textureFactor);
}

int ModelCpuVertexStride(int sets) { return (sets + 4) * 16; }

bool BuildListCpuVertices(ModelTriangleList *list) {
  if (list->cpuVertices) return true;
  const ModelMesh *mesh = list->mesh;
  const int stride = ModelCpuVertexStride(mesh->texCoordSetCount);
  uint8_t *array = static_cast<uint8_t *>(VV_ALLOC_ZEROED(static_cast<size_t>(list->vertexCount > 0 ? list->vertexCount : 1) * stride));
  if (!array) return false;
  const bool rigid = list->kind == MODEL_LIST_RIGID;
  const RigidListVertex *vertices = static_cast<const RigidListVertex *>(list->vertices);
  static const float kZero[3] = {0, 0, 0};
  for (int i = 0; i < list->vertexCount; i++) {
    WriteFixedModelVertex(array + static_cast<size_t>(i) * stride, rigid ? vertices[i].position : kZero,
                          rigid ? vertices[i].normal : kZero, MeshVertexAt(mesh, list->listVertexIndices[i]),
                          mesh->texCoordSetCount);
  }
  list->cpuVertices = array;
  return true;
}

bool BuildListOutlineVertices(ModelTriangleList *list) {
  if (list->extraBuffer) return true;
  float *array = static_cast<float *>(VV_ALLOC_ZEROED(static_cast<size_t>(list->vertexCount + 1) * 16));
  if (!array) return false;
  if (list->kind == MODEL_LIST_RIGID) {
    const float width = list->mesh->material->outlineWidth;
    const RigidListVertex *vertices = static_cast<const RigidListVertex *>(list->vertices);
    for (int i = 0; i < list->vertexCount; i++) {
      for (int k = 0; k < 3; k++) array[i * 4 + k] = vertices[i].position[k] + vertices[i].normal[k] * width;
    }
  }
  list->extraBuffer = array;
  list->extraBufferOwned = 1;
  return true;
}

bool IsToonMaterial(const ModelMaterial *material) {
  return material->kind == MODEL_MATERIAL_TOON || material->kind == MODEL_MATERIAL_TOON_SHADED;
}
