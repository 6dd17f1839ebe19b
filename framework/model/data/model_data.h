// The records every model lives in: ModelData, the shared description of
// one loaded model (made by a loader or the converter, never changed by
// drawing), and ModelInstance, the per-handle state over it. Arrays of a
// ModelData are contiguous arrays of equal records; links between
// sub-records point into them. An "owned" flag beside a buffer says it is a
// separate memory-manager block that releasing the data frees; otherwise it
// lies in the data's allocation chain or vertex block.
#ifndef VELVANE_MODEL_MODEL_DATA_H
#define VELVANE_MODEL_MODEL_DATA_H

#include <stdint.h>

#include "core/base/handle_table.h"
#include "model/data/alloc_chain.h"
#include "model/data/bit_sets.h"
#include "model/maths/model_maths.h"
#include "velvane.h"

struct ModelInstance;
struct ModelFrame;
struct ModelMesh;
struct ModelMaterial;
struct ModelSkinBone;
struct FrameInstance;
struct MeshInstance;

enum {
  MODEL_LIST_MAX_BONES = 54,  // 54 bones of three registers fill 94 to 255
  MODEL_MAX_UV_SETS = 8,
  MODEL_BUFFER_TABLE_SIZE = 54,  // 3 skinning kinds x 2 layouts x 9 UV set counts
};

// Frame transform kinds (also the matrix kind of BuildFrameMatrices).
enum ModelTransformKind {
  MODEL_TRANSFORM_NONE = 0,         // world = parent
  MODEL_TRANSFORM_TRANSLATION = 1,  // translation only
  MODEL_TRANSFORM_FULL = 2
};

// Triangle-list skinning kinds.
enum ModelListKind {
  MODEL_LIST_RIGID = 0,
  MODEL_LIST_BONES4 = 1,
  MODEL_LIST_BONES8 = 2,
  MODEL_LIST_FREE_BONES = 3
};

// List vertex layouts by kind; instance vertex areas use the same records.
struct RigidListVertex {  // 32 bytes
  float position[4];      // w 1
  float normal[4];        // w 0
};
struct Bone4ListVertex {  // 48 bytes
  float weights[4];
  float position[4];  // w 1
  float normal[3];
  uint8_t bones[4];  // numbers within the list's bone table, 0 when empty
};
struct Bone8ListVertex {  // 64 bytes
  float weights[8];
  float position[3];
  float normal[3];
  uint8_t bones[8];  // two groups of four
};
// Free-bone vertices: position and normal, then bytesPerVertex - 24 bytes of
// (bone, weight) pairs, empty pairs with bone -1.
struct FreeBoneListVertex {
  float position[3];
  float normal[3];
};
struct FreeBonePair {
  int bone;  // index into the frame's boneRefs
  float weight;
};

// One entry of a position's skin-weight list; the list ends with bone -1
// unless it fills the frame's largest count.
struct ModelSkinWeight {
  int bone;  // index into the frame's boneRefs
  float weight;
};

// A frame's position record: coordinates, then the frame's
// maxWeightsPerPosition skin weights (stride 12 + 8 x that count).
struct ModelPosition {
  Vector3 position;
};

// A normal entry: normal, tangent, binormal.
struct ModelNormal {
  Vector3 normal;
  Vector3 tangent;
  Vector3 binormal;
};

// Mesh vertex flags.
enum { MODEL_VERTEX_NO_OUTLINE = 1 };

// A mesh vertex: 20 bytes plus 8 per texture-coordinate set (u, v).
struct ModelMeshVertex {
  int positionIndex;  // into the frame's positions
  int normalIndex;    // into the frame's normals
  uint8_t diffuse[4];   // b, g, r, a
  uint8_t specular[4];  // b, g, r, a
  uint32_t flags;
};

// Normals policy of a frame.
enum { MODEL_NORMALS_KEEP = 0, MODEL_NORMALS_RECALCULATE = 1 };

struct ModelFrame {
  const char *name;
  int index;  // in ModelData::frames
  BitRange drawChange;
  BitRange matrixChange;
  ModelFrame *parent;
  ModelFrame *firstChild;
  ModelFrame *lastChild;
  ModelFrame *nextSibling;
  ModelFrame *previousSibling;
  int childCount;
  int descendantCount;
  int transformKind;  // ModelTransformKind
  Matrix34 localMatrix;  // default local transform
  int ignoreParent;      // the parent matrix is the instance's
  float boundsMax[3];
  float boundsMin[3];
  uint32_t flags;  // bit 0: initially visible
  int noCulling;
  int meshCount;
  ModelMesh *firstMesh;  // consecutive in ModelData::meshes
  int ownSkinBoneCount;
  ModelSkinBone *ownSkinBones;  // consecutive in ModelData::skinBones
  int boneRefCount;
  ModelSkinBone **boneRefs;  // into ModelData::boneUse
  void *buffer;
  int bufferOwned;
  int frameShapeCount;
  int firstFrameShape;  // into ModelData::frameShapes
  // Filled by the loaders and the converter.
  Vector3 translation;
  Vector3 scale;
  Vector3 rotation;  // angles, radians
  int rotationOrder;  // EulerOrder
  float quaternion[4];  // x, y, z, w
  Matrix34 worldMatrix;
  Matrix34 inverseWorldMatrix;
  float smoothingAngle;
  int normalsPolicy;
  int positionCount;
  int maxWeightsPerPosition;
  int positionStride;  // 12 + 8 x maxWeightsPerPosition
  uint8_t *positions;  // ModelPosition records
  int positionsOwned;
  int normalCount;
  ModelNormal *normals;
  int normalsOwned;
};

struct ModelSkinBone {
  ModelFrame *frame;  // the bone's frame
  Matrix34 offsetMatrix;  // bind pose
  int translationOnly;  // the offset's 3x3 part is the identity
  int index;  // in ModelData::skinBones
};

struct ModelTriangleList;

struct ModelMesh {
  ModelFrame *frame;
  ModelMaterial *material;
  BitRange drawChange;
  int triangleListCount;
  ModelTriangleList *firstTriangleList;
  uint8_t visible;
  uint8_t cullMode;
  uint8_t needsInstanceVertices;
  uint8_t diffuseFromVertexColor;
  uint8_t specularFromVertexColor;
  int texCoordSetCount;
  int meshVertexCount;
  int meshVertexSize;  // 20 + 8 x texCoordSetCount
  uint8_t *meshVertices;  // ModelMeshVertex records
  int meshVerticesOwned;
};

struct ModelTriangleList {
  ModelMesh *mesh;
  uint16_t kind;  // ModelListKind
  uint16_t vertexStride;
  int vertexCount;
  int *listVertexIndices;  // list vertex -> mesh vertex
  int boneCount;
  int bones[MODEL_LIST_MAX_BONES];  // indices into the frame's boneRefs
  void *vertices;
  int verticesOwned;
  void *cpuVertices;
  void *cpuLitVertices;
  void *extraBuffer;
  int extraBufferOwned;
  uint16_t indexCount;
  uint16_t *indices;
  uint16_t outlineIndexCount;
  uint16_t *outlineIndices;
  void *bufferChunk;
  int firstVertexInChunk;
  int firstIndexInChunk;
  int bytesPerVertex;  // free-bone lists
};

enum ModelMaterialKind { MODEL_MATERIAL_PLAIN = 0, MODEL_MATERIAL_TOON = 1, MODEL_MATERIAL_TOON_SHADED = 2 };

// Texture indices below 0 name built-in textures (-1 toon ramp, -2
// gradient); "used" 0 means the slot is empty.
struct ModelTextureSlot {
  int used;
  int texture;
};

// The colours, texture slots and blend settings of a material: what an
// instance copies and drawing may change per instance.
struct MaterialSurface {
  ColorF diffuse;
  ColorF ambient;
  ColorF specular;
  ColorF emissive;
  float power;
  ModelTextureSlot diffuseTexture;
  ModelTextureSlot specularMap;
  ModelTextureSlot normalMap;
  ModelTextureSlot toonDiffuseGradient;
  ModelTextureSlot toonSpecularGradient;
  ModelTextureSlot sphereMap;
  int blendMode;
  int blendParam;
  int alphaTestMode;
  int alphaTestRef;
};

struct ModelMaterial {
  const char *name;
  int kind;  // ModelMaterialKind
  MaterialSurface surface;
  ColorF outlineColor;
  float outlineWidth;
  float outlineDotWidth;
  int defaultDrawMode;  // the blend mode of meshes whose own is -1
  int alpha;
  int toonGradientMode;
  int specularGradient;
};

enum { MODEL_TEXTURE_REVERSE = 1, MODEL_TEXTURE_USES_ALPHA = 2, MODEL_TEXTURE_PREMULTIPLIED = 4 };

struct ModelTexture {
  char *fileName;
  int fileNameOwned;
  char *alphaFileName;
  int alphaFileNameOwned;
  void *imageData;  // the colour image file, kept for a rebuild
  int imageDataOwned;
  int imageDataSize;
  void *alphaImageData;  // the alpha image file, or null
  int alphaImageDataOwned;
  int alphaImageDataSize;
  // How the kept files become the images again.
  int bumpMap;
  float bumpHeight;
  int reverse;
  int graphHandle;
  int addressU;
  int addressV;
  int filter;
  int width;
  int height;
  uint32_t flags;
};

struct ModelFrameShape {
  ModelFrame *frame;
  int shape;  // into ModelData::shapes
};

struct ModelShapeVertex {
  int meshVertexIndex;
  Vector3 position;
  Vector3 normal;
};

struct ModelShape {
  ModelMesh *mesh;
  int vertexCount;
  ModelShapeVertex *vertices;
  int verticesOwned;
};

struct ModelData {
  HandleObject header;  // the data handle (kind 1, no check number)
  int instanceCount;
  ModelInstance *firstInstance;  // newest first
  ModelInstance *lastInstance;
  const char *name;
  const char *filePath;
  const char *directory;  // ends in "/"
  uint32_t *drawMaskBlock;
  int drawMaskWords;
  uint32_t *matrixMaskBlock;
  int matrixMaskWords;
  void *nameBlock;
  int referenceCount;
  int frameCount;
  ModelFrame *frames;
  int rootFrameCount;
  ModelFrame *firstRootFrame;
  ModelFrame *lastRootFrame;
  int boneUseCount;
  ModelSkinBone **boneUse;
  int materialCount;
  ModelMaterial *materials;
  int textureCount;
  ModelTexture *textures;
  int texturesOwned;
  int meshCount;
  ModelMesh *meshes;
  float boundsMax[3];
  float boundsMin[3];
  int boundsValid;
  int skinBoneCount;
  ModelSkinBone *skinBones;
  int frameShapeCount;
  ModelFrameShape *frameShapes;
  int shapeCount;
  ModelShape *shapes;
  int instanceMeshVertexTotal;
  int instanceRigidVertexTotal;
  int instanceBone4VertexTotal;
  int instanceBone8VertexTotal;
  int instanceFreeBoneBytesTotal;
  int triangleListCount;
  ModelTriangleList *triangleLists;
  void *vertexBlock;
  // Byte totals of the per-vertex arrays, which the optimiser shrinks.
  int positionBytesTotal;
  int meshVertexBytesTotal;
  int normalsRecalculated;
  float smoothingAngle;
  int bufferChunkCount;
  int drawBuffersReady;
  int chunkCounts[MODEL_BUFFER_TABLE_SIZE];
  void *chunkLists[MODEL_BUFFER_TABLE_SIZE];
  void *currentChunks[MODEL_BUFFER_TABLE_SIZE];
  int instanceBuffersWanted;
  AllocChain allocChain;
};

// --- instance records ------------------------------------------------------

// Visibility and colour scales of the instance, a frame or a mesh.
struct DrawState {
  uint8_t visible;
  uint8_t hasOwnScale;
  ColorF scale[4];
  float opacity;
};

// What RefreshDrawState hands down the tree.
struct EffectiveDrawState {
  uint8_t visible;
  uint8_t scaleValid;
  ColorF scale[4];
  float opacity;
};

struct TriangleListInstance {
  ModelTriangleList *list;
  void *vertices;  // the instance vertex area, or null
  void *vertexBuffer;  // own vertex buffer, or null (the shared chunk)
};

struct MaterialInstance {
  MaterialSurface surface;
};

struct TextureInstance {
  ModelTexture *texture;
  int graphHandle;
  int ownGraph;
  int ownGraphHandle;  // -1
  void *ownImageData;
  int addressU;
  int addressV;
  int filter;
};

struct MeshInstance {
  FrameInstance *frame;
  ModelMesh *mesh;
  MaterialInstance *material;
  uint32_t *drawChangeWord;
  uint32_t drawChangeMask;
  DrawState draw;
  EffectiveDrawState effective;
  float *vertexStates;  // six floats per mesh vertex, or null
  TriangleListInstance *lists;
  int drawMode;  // -1: the material's
  int alphaTestMode;  // -1: the material's
};

struct FrameInstance {
  char tag[4];  // "FRM_"
  int instanceHandle;
  ModelInstance *instance;
  int childIndex;  // among its parent's children (or the root frames)
  ModelFrame *frame;
  FrameInstance *parent;
  FrameInstance *firstChild;
  FrameInstance *nextSibling;
  FrameInstance *lastSibling;
  int childCount;
  FrameInstance **children;
  uint32_t *drawChangeWord;
  uint32_t drawChangeMask;
  uint32_t *matrixChangeWord;
  uint32_t matrixChangeMask;
  Matrix34 worldMatrix;
  Matrix4x4 worldMatrix4x4;  // the device form, rebuilt when invalid
  uint8_t worldMatrix4x4Valid;
  int hasUserLocalMatrix;
  Matrix34 localMatrix;  // the user local matrix; identity at build
  Matrix34 **boneMatrices;  // one per boneRefs entry
  MeshInstance *firstMesh;
  uint32_t *frameShapeStates;  // two words per frame shape
  uint8_t shapesChanged;
  DrawState draw;
  EffectiveDrawState effective;
};

// An attached animation (none is attached in this program).
struct AnimationSlot {
  uint8_t used;
  void *state;
};

// One cell of the frame-by-slot blend table.
struct AnimationBlend {
  uint8_t used;
  float weight;
  void *keyState;
};

enum ModelRotationMode { MODEL_ROTATION_EULER = 0, MODEL_ROTATION_QUATERNION = 1, MODEL_ROTATION_MATRIX = 2, MODEL_ROTATION_AXES = 3 };

struct ModelInstance {
  HandleObject header;  // the instance handle, check number included
  int checkNumber;
  ModelInstance *nextInstance;
  ModelInstance *previousInstance;
  int dataHandle;
  ModelData *data;
  uint32_t *drawChangeSet;
  uint32_t *matrixChangeSet;
  int drawChangeSetBytes;
  int matrixChangeSetBytes;
  Vector3 position;
  int rotationMode;  // ModelRotationMode
  Vector3 rotation;
  float quaternion[4];
  Matrix34 rotationMatrix;
  Vector3 rotationZAxis;
  Vector3 rotationYAxis;
  float rotationTwist;
  Vector3 scale;
  int hasUserMatrix;
  Matrix34 userMatrix;
  uint8_t matricesValid;
  Matrix34 localMatrix;
  Matrix34 worldMatrix;
  FrameInstance *frames;
  int rootFrameCount;
  FrameInstance **rootFrames;
  Matrix34 **boneMatrixRefs;
  Matrix34 *boneMatrices;
  uint32_t *frameShapeStates;
  float *meshVertexStates;
  TriangleListInstance *triangleLists;
  MeshInstance *meshes;
  MaterialInstance *materials;
  TextureInstance *textures;
  int texturesOwned;
  RigidListVertex *rigidVertices;
  Bone4ListVertex *bone4Vertices;
  Bone8ListVertex *bone8Vertices;
  uint8_t *freeBoneVertices;
  void *polygonData[2];
  void *chainedPolygonData;
  int attachedAnimCount;
  int animSlotCount;
  AnimationSlot *animSlots;
  AnimationBlend *animBlend;  // frameCount x animSlotCount
  uint8_t animStateValid;
  DrawState draw;
  int depthTest;
  int depthWrite;
  int depthFunction;
  int depthBias;
  int wireframe;
  int maxAnisotropy[3];
};

// Mesh vertex i of a mesh, and position i of a frame.
inline ModelMeshVertex *MeshVertexAt(const ModelMesh *mesh, int i) {
  return reinterpret_cast<ModelMeshVertex *>(mesh->meshVertices + static_cast<size_t>(i) * mesh->meshVertexSize);
}
inline ModelPosition *PositionAt(const ModelFrame *frame, int i) {
  return reinterpret_cast<ModelPosition *>(frame->positions + static_cast<size_t>(i) * frame->positionStride);
}
// The skin weights that follow a position record.
inline ModelSkinWeight *PositionWeights(ModelPosition *position) {
  return reinterpret_cast<ModelSkinWeight *>(position + 1);
}
// The texture coordinates (u, v per set) that follow a mesh vertex record.
inline float *MeshVertexUv(ModelMeshVertex *vertex) { return reinterpret_cast<float *>(vertex + 1); }

#endif  // VELVANE_MODEL_MODEL_DATA_H
