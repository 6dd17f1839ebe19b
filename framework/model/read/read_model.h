// The intermediate model every foreign model file is read into before it
// becomes shared model data: typed records in doubly linked lists of their
// kind (and of their parent), all taken from the model's own allocation
// chain so a whole load is released in one step. Records never move once
// made, so loaders keep plain pointers to them.
#ifndef VELVANE_MODEL_READ_MODEL_H
#define VELVANE_MODEL_READ_MODEL_H

#include <stdint.h>

#include "model/data/alloc_chain.h"
#include "velvane.h"

enum {
  READ_POLYGON_MAX_CORNERS = 32,
  READ_MAX_UV_SETS = 8,
  READ_MESH_MAX_MATERIALS = 256,
  READ_MESH_MAX_SKIN_WEIGHTS = 4096,
  READ_MATERIAL_MAX_TEXTURES = 256,
  READ_FRAME_LOADER_AREA = 84
};

// The smoothing angle a frame starts with (pi / 2 - 0.05), and what an
// angle of 0 stands for (89.5 degrees).
#define READ_FRAME_DEFAULT_SMOOTHING 1.5207964f
#define READ_ZERO_SMOOTHING_MEANS 1.5620697f

struct ReadFrame;
struct ReadMesh;
struct ReadMaterial;
struct ReadTexture;
struct ReadShape;
struct ReadSkinWeight;
struct ReadAnimSet;
struct ReadAnim;
struct ReadKeySet;

struct ReadPolygon {
  int cornerCount;    // 3 to 32
  int triangleCount;  // cornerCount - 2, set by the converter
  int position[READ_POLYGON_MAX_CORNERS];
  int normal[READ_POLYGON_MAX_CORNERS];
  int colour[READ_POLYGON_MAX_CORNERS];
  int uv[READ_MAX_UV_SETS][READ_POLYGON_MAX_CORNERS];
  int material;  // into the mesh's material list
  Vector3 faceNormal;
};

struct ReadFrame {
  ReadFrame *previous;
  ReadFrame *next;
  int index;  // depth-first position, renumbered on every insertion
  const char *name;
  int subtreeMeshCount;  // converter working fields
  int descendantCount;
  int flag;  // 1 by default: the model-data frame's initial visibility
  unsigned char loaderArea[READ_FRAME_LOADER_AREA];
  Matrix4x4 transform;
  Vector3 translation;
  Vector3 scale;
  Vector3 rotation;  // radians
  int rotationOrder;
  float quaternion[4];  // x, y, z, w
  int passThrough;
  void *attached;
  int maxWeightsPerVertex;
  float smoothingAngle;
  int meshCount;
  ReadMesh *firstMesh;
  ReadMesh *lastMesh;
  int shapeCount;
  ReadShape *firstShape;
  ReadShape *lastShape;
  ReadFrame *parent;
  ReadFrame *firstChild;
  ReadFrame *lastChild;
  ReadFrame *nextSibling;
  ReadFrame *previousSibling;
  void *modelFrame;  // the model-data frame built from it
};

struct ReadMesh {
  ReadMesh *previous;
  ReadMesh *next;
  int index;
  int polygonCount;
  ReadPolygon *polygons;
  int positionCount;
  Vector3 *positions;
  uint8_t *positionBytes;  // optional, part of the vertex identity
  int normalCount;
  Vector3 *normals;
  int colourCount;
  ColorF *colours;
  int uvCounts[READ_MAX_UV_SETS];
  float *uvs[READ_MAX_UV_SETS];  // u, v and an unread third float per entry
  int materialCount;
  ReadMaterial *materials[READ_MESH_MAX_MATERIALS];
  int skinWeightCount;
  ReadSkinWeight *skinWeights[READ_MESH_MAX_SKIN_WEIGHTS];
  int triangleCount;  // converter working field
  int hasShape;
  ReadFrame *frame;
  ReadMesh *nextInFrame;
  ReadMesh *previousInFrame;
};

struct ReadShapeVertex {
  int position;
  Vector3 value;
  Vector3 normal;
};

struct ReadShape {
  ReadShape *previous;
  ReadShape *next;
  int index;
  const char *name;
  ReadMesh *mesh;
  int hasNormals;
  int vertexCount;
  ReadShapeVertex *vertices;
  int *lookup;
  ReadFrame *frame;
  ReadShape *nextInFrame;
  ReadShape *previousInFrame;
};

struct ReadMaterial {
  ReadMaterial *previous;
  ReadMaterial *next;
  int index;
  const char *name;
  int kind;
  int diffuseTextureCount;
  ReadTexture *diffuseTextures[READ_MATERIAL_MAX_TEXTURES];
  int specularTextureCount;
  ReadTexture *specularTextures[READ_MATERIAL_MAX_TEXTURES];
  int normalTextureCount;
  ReadTexture *normalTextures[READ_MATERIAL_MAX_TEXTURES];
  ColorF ambient;
  ColorF diffuse;
  ColorF specular;
  ColorF emissive;
  float power;
  int toonDiffuseGradient;  // texture indices, -1 a built-in texture
  int toonSpecularGradient;
  ReadTexture *toonDiffuseTexture;
  ReadTexture *toonSpecularTexture;
  int toonMode;      // 2
  int toonSpecular;  // 1
  float outlineWidth;
  float outlineDotWidth;
  ColorF outlineColour;
  int drawMode;  // 1
  int alpha;     // 255
};

struct ReadTexture {
  ReadTexture *previous;
  ReadTexture *next;
  int index;
  const char *name;
  int addressU;  // 1
  int addressV;  // 1
  int filter;    // 2
  const char *colourPath;
  const char *alphaPath;
  int bumpMap;
  float bumpScale;
  int reference;
  int loaderFlag;
};

struct ReadSkinWeightEntry {
  int position;
  float weight;
};

struct ReadSkinWeight {
  Matrix4x4 offset;
  int targetFrame;  // -1: no frame of that name
  int entryCount;
  ReadSkinWeightEntry *entries;
};

struct ReadAnimSet {
  ReadAnimSet *previous;
  ReadAnimSet *next;
  int index;
  const char *name;
  float startTime;
  float endTime;
  int passThrough[2];
  int animCount;
  ReadAnim *firstAnim;
  ReadAnim *lastAnim;
};

struct ReadAnim {
  ReadAnimSet *set;
  ReadAnim *previous;
  ReadAnim *next;
  int index;
  const char *targetName;
  int targetFrame;
  float passThroughFloat;
  int passThroughInt;
  int keySetCount;
  ReadKeySet *firstKeySet;
  ReadKeySet *lastKeySet;
  ReadAnim *previousInSet;
  ReadAnim *nextInSet;
};

struct ReadKeySet {
  ReadKeySet *previous;
  ReadKeySet *next;
  int index;
  uint8_t keyType;
  uint8_t target;
  uint8_t timeForm;  // 1 listed times, 0 uniform
  int targetIndex;
  float totalTime;
  int keyCount;
  float timeStep;
  float *keyTimes;
  void *keyValues;
  ReadKeySet *previousInAnim;
  ReadKeySet *nextInAnim;
};

struct ReadModel {
  AllocChain chain;
  char *filePath;  // heap copies, freed by ReadModelTerm
  char *fileName;
  int reverseWinding;
  int normalsPolicy;  // 1: every mesh's normals are computed
  int keyDataBytes;
  int pmdFlag;
  int frameCount;
  ReadFrame *firstFrame;
  ReadFrame *lastFrame;
  int materialCount;
  ReadMaterial *firstMaterial;
  ReadMaterial *lastMaterial;
  int textureCount;
  ReadTexture *firstTexture;
  ReadTexture *lastTexture;
  int meshCount;
  ReadMesh *firstMesh;
  ReadMesh *lastMesh;
  int nextMeshIndex;  // indices are not reused when a mesh is removed
  int shapeCount;
  ReadShape *firstShape;
  ReadShape *lastShape;
  int animSetCount;
  ReadAnimSet *firstAnimSet;
  ReadAnimSet *lastAnimSet;
  int animCount;
  ReadAnim *firstAnim;
  ReadAnim *lastAnim;
  int keySetCount;
  ReadKeySet *firstKeySet;
  ReadKeySet *lastKeySet;
  int stringBytes;  // pooled strings, each rounded up to 4 bytes
  int skinWeightCount;
};

// Zeroes the whole record; 0.
int ReadModelInit(ReadModel *model);
// Frees every record and pooled string and the two path copies; 0.
int ReadModelTerm(ReadModel *model);
// Heap copies of the file path and the file name without extension (freed
// by ReadModelTerm); 0, or -1 when either copy cannot be had.
int ReadModelSetPaths(ReadModel *model, const char *filePath, const char *fileName);
// Pooled copy of text, or null.
char *ReadModelAddString(ReadModel *model, const char *text);
ReadFrame *ReadModelAddFrame(ReadModel *model, const char *name, ReadFrame *parent);
ReadMesh *ReadModelAddMesh(ReadModel *model, ReadFrame *frame);
// Unlinks the mesh from the model and the frame; the record stays pooled.
void ReadModelRemoveMesh(ReadModel *model, ReadFrame *frame, ReadMesh *mesh);
ReadShape *ReadModelAddShape(ReadModel *model, const char *name, ReadFrame *frame);
ReadMaterial *ReadModelAddMaterial(ReadModel *model, const char *name);
// The material at index in the model list (the caller keeps it in range).
ReadMaterial *ReadModelGetMaterial(ReadModel *model, int index);
// A new texture, or an equal one when reuse is asked and found; null on
// failure. Paths that do not open as given but do as bare file names are
// stored as bare file names.
ReadTexture *ReadModelAddTexture(ReadModel *model, const char *name, const char *colourPath,
                                 const char *alphaPath, int bumpMap, float bumpScale, int reuse, int loaderFlag);
ReadSkinWeight *ReadModelAddSkinWeight(ReadModel *model);
ReadAnimSet *ReadModelAddAnimSet(ReadModel *model, const char *name);
ReadAnim *ReadModelAddAnim(ReadModel *model, ReadAnimSet *set);
ReadKeySet *ReadModelAddKeySet(ReadModel *model, ReadAnim *anim);

#endif  // VELVANE_MODEL_READ_MODEL_H
