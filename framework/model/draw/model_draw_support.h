// What model drawing sets up around each instance, frame, mesh and list:
// the device state of a whole instance, the view test of a frame's box,
// the material, blend and light set-up of a mesh with the numbers of the
// built-in shaders that would fit it, the outline material of toon
// meshes, the CPU vertex arrays of lists drawn without buffers, and the
// colour ratio of toon shading.
#ifndef VELVANE_MODEL_MODEL_DRAW_SUPPORT_H
#define VELVANE_MODEL_MODEL_DRAW_SUPPORT_H

#include <stdint.h>

#include "model/data/model_data.h"

struct TextureStageSet;
struct TextureStageRecord;

// The blend and colour state of one mesh (Direct3D codes; -1 leaves a
// value as it is).
struct MeshDrawState {
  int alphaBlend;
  int srcBlend;
  int destBlend;
  int blendOp;
  uint32_t diffuse;  // opacity in the top byte, 0xFFFFFF below
  int textured;      // the material's diffuse slot is used (1 for outlines)
};

// Base numbers of the built-in shaders a mesh starts from.
enum { MODEL_SHADER_BASE = 0 };

// The device state common to a whole instance; 0.
int ApplyModelInstanceState(const ModelInstance *instance);
// 1 when the eight corners (world space) lie wholly outside one side of the
// view, 0 when the box may be seen.
int IsBoxOutsideView(const Vector3 corners[8]);
// Device material, cull mode, specular and light sources for a mesh; the
// shader numbers grow from the caller's start values; the draw state and
// the specular flag are filled.
void SetupMeshMaterial(int *vertexShader, int *pixelShader, MeshDrawState *state, const MeshInstance *mesh,
                       int *specular);
// The outline pass's material (the outline colour) and states.
void SetupOutlineMaterial(MeshDrawState *state, const MeshInstance *mesh, float width);
// Whether the material is drawn as toon (plain or shaded).
bool IsToonMaterial(const ModelMaterial *material);
// The colour divided by its largest component; (1, 1, 1) for black and
// for greys.
void ComputeColorRatio(float r, float g, float b, float *outR, float *outG, float *outB);

// One stage record: colour and alpha both take (arg1, arg2, op), no
// texture, coordinate set 0.
TextureStageRecord ModelStage(int arg1, int arg2, int op);
// The fixed-function stages of a mesh: graph's texture times the vertex
// colour, the set's texture factor (when not -1) bringing in the opacity,
// then a disabled stage (the mesh's draw mode chooses how the opacity
// enters); the set's blend fields are left as they are.
void FillModelTextureStages(TextureStageSet *set, int graph, const MeshInstance *mesh);
// The stages of a mesh without a diffuse texture: the white texture in
// stage 0 (times the vertex colour on the fixed path), sent at once.
void ApplyFallbackTextureStages(const MeshInstance *mesh, TextureStageSet *set, int shaderPath);

// CPU vertex arrays: (sets + 4) x 16 bytes per vertex, the fixed layout
// followed by 32 bytes not written.
int ModelCpuVertexStride(int sets);
// Builds the list's CPU array (positions and normals too unless skinned);
// false when memory runs out. Nothing when it exists.
bool BuildListCpuVertices(ModelTriangleList *list);
// The outline vertices: position + normal x the material's outline width,
// 16-byte entries; false when memory runs out.
bool BuildListOutlineVertices(ModelTriangleList *list);

#endif  // VELVANE_MODEL_MODEL_DRAW_SUPPORT_H
