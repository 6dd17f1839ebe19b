#include "model/convert/convert_read_model.h"

#include <limits.h>
#include <string.h>

#include "core/base/core_state.h"
#include "core/base/platform.h"
#include "core/debug/log_text.h"
#include "core/debug/memory.h"
#include "core/util/strings.h"
#include "graphics/text/char_class.h"
#include "model/build/frame_matrices.h"
#include "model/build/list_vertices.h"
#include "model/convert/frame_decompose.h"
#include "model/convert/mesh_triangles.h"
#include "model/data/model_data.h"
#include "model/system/model_system.h"
#include "model/textures/model_texture.h"

namespace {

const char kBlockError[] = "Read Model Convert Error : モデル基本データ保存用のメモリの確保に失敗しました\n";
const char kVertexError[] = "Read Model Convert Error : 頂点座標と頂点法線を格納するメモリ領域の確保に失敗しました\n";
const char kWorkError[] =
    "Read Model Convert Error : モデル基本データ構築に使用するテンポラリバッファの確保に失敗しました\n";
const char kIndexError[] = "Read Model Convert Error : ポリゴンのインデックスが不正です\n";

const unsigned kSourceCodePage = 932;

struct Converter {
  ReadModel *model;
  ModelData *data;
  const void *textureLoader;
  int hasDirectory;
  char16_t directoryW[PATH_BUFFER_SIZE + 2];
  int nextMesh;
  int nextList;
};

void *WorkAlloc(size_t count, size_t each) {
  if (count == 0) count = 1;
  if (count > (static_cast<size_t>(INT_MAX) - 64) / each) return NULL;
  return VV_ALLOC(count * each);
}

template <typename T>
T *Pool(Converter *c, size_t count) {
  if (count == 0) count = 1;
  if (count > static_cast<size_t>(INT_MAX) / sizeof(T)) return NULL;
  return static_cast<T *>(AllocChainAlloc(count * sizeof(T), &c->data->allocChain));
}

const char *PoolString(Converter *c, const char *text) {
  if (!text) return NULL;
  const size_t length = strlen(text);
  char *copy = Pool<char>(c, length + 1);
  if (copy) memcpy(copy, text, length + 1);
  return copy;
}

// --- what the model asks for ------------------------------------------------

bool IsRigid(const ReadModel *model) {
  if (model->shapeCount > 0 || model->animSetCount > 0 || model->animCount > 0 || model->keySetCount > 0) {
    return false;
  }
  for (const ReadMesh *mesh = model->firstMesh; mesh; mesh = mesh->next) {
    if (mesh->skinWeightCount > 0) return false;
  }
  return true;
}

bool IndexOk(int index, int count) { return index >= 0 && index < count; }
// Indices into an optional array are checked only where the mesh has it.
bool OptionalIndexOk(int index, int count) { return count <= 0 || IndexOk(index, count); }

bool PolygonOk(const ReadMesh *mesh, const ReadPolygon &polygon) {
  const int n = polygon.cornerCount;
  if (n < 3 || n > READ_POLYGON_MAX_CORNERS) return false;
  for (int k = 0; k < n; k++) {
    if (!IndexOk(polygon.position[k], mesh->positionCount)) return false;
    if (!OptionalIndexOk(polygon.normal[k], mesh->normalCount)) return false;
    if (!OptionalIndexOk(polygon.colour[k], mesh->colourCount)) return false;
    for (int s = 0; s < READ_MAX_UV_SETS; s++) {
      if (!OptionalIndexOk(polygon.uv[s][k], mesh->uvCounts[s])) return false;
    }
  }
  return mesh->materialCount > 0 ? IndexOk(polygon.material, mesh->materialCount) : polygon.material == 0;
}

bool MeshOk(const ReadMesh *mesh) {
  if (!mesh->frame || mesh->polygonCount < 0 || mesh->positionCount < 0 || (mesh->polygonCount > 0 && !mesh->polygons)) {
    return false;
  }
  if (mesh->materialCount < 0 || mesh->materialCount > READ_MESH_MAX_MATERIALS) return false;
  for (int i = 0; i < mesh->polygonCount; i++) {
    if (!PolygonOk(mesh, mesh->polygons[i])) return false;
  }
  return true;
}

int PartCount(const ReadMesh *mesh) { return mesh->materialCount > 0 ? mesh->materialCount : 1; }

// Triangles of each part, summed over the mesh's polygons.
void CountPartTriangles(const ReadMesh *mesh, int64_t *perPart) {
  for (int i = 0; i < PartCount(mesh); i++) perPart[i] = 0;
  for (int i = 0; i < mesh->polygonCount; i++) {
    perPart[mesh->polygons[i].material] += PolygonTriangleCount(mesh->polygons[i].cornerCount);
  }
}

int64_t ListsFor(int64_t triangles) {
  return (triangles + CONVERT_LIST_MAX_TRIANGLES - 1) / CONVERT_LIST_MAX_TRIANGLES;
}

// --- textures and materials -------------------------------------------------

void MarkUsed(uint8_t *used, const ReadTexture *texture) {
  if (texture) used[texture->index] = 1;
}

// Textures that a material of some mesh refers to; the others are never
// loaded (an unused material's texture keeps its index, with no data).
void MarkUsedTextures(const ReadModel *model, uint8_t *used) {
  for (const ReadMesh *mesh = model->firstMesh; mesh; mesh = mesh->next) {
    for (int m = 0; m < mesh->materialCount; m++) {
      const ReadMaterial *material = mesh->materials[m];
      if (!material) continue;
      for (int i = 0; i < material->diffuseTextureCount && i < READ_MATERIAL_MAX_TEXTURES; i++) MarkUsed(used, material->diffuseTextures[i]);
      for (int i = 0; i < material->specularTextureCount && i < READ_MATERIAL_MAX_TEXTURES; i++) MarkUsed(used, material->specularTextures[i]);
      for (int i = 0; i < material->normalTextureCount && i < READ_MATERIAL_MAX_TEXTURES; i++) MarkUsed(used, material->normalTextures[i]);
      MarkUsed(used, material->toonDiffuseTexture);
      MarkUsed(used, material->toonSpecularTexture);
    }
  }
}

// A texture path as the texture loader takes it: widened and, with a
// model folder, made full against it. False when it does not fit.
bool WidePath(const Converter *c, const char *path, char16_t *out) {
  char16_t wide[PATH_BUFFER_SIZE];
  if (PlatformCodePageToUtf16(kSourceCodePage, path, wide, PATH_BUFFER_SIZE) < 0) return false;
  if (!c->hasDirectory) {
    memcpy(out, wide, sizeof(wide));
    return true;
  }
  return MakeFullPathW(wide, out, c->directoryW) >= 0;
}

int LoadTexture(Converter *c, const ReadTexture *source, ModelTexture *texture) {
  char16_t colour[PATH_BUFFER_SIZE], alpha[PATH_BUFFER_SIZE];
  ModelTextureRequest request = {NULL,
                                 NULL,
                                 c->hasDirectory ? c->directoryW : NULL,
                                 source->bumpMap,
                                 source->bumpScale,
                                 source->loaderFlag,
                                 static_cast<const ModelFileLoader *>(c->textureLoader),
                                 0};
  bool ok = true;
  if (source->colourPath) {
    ok = WidePath(c, source->colourPath, colour);
    request.colourPath = colour;
  }
  if (ok && source->alphaPath) {
    ok = WidePath(c, source->alphaPath, alpha);
    request.alphaPath = alpha;
  }
  ModelTextureLoad load;
  if (!ok || LoadModelTexture(&request, &load) < 0) {
    return WriteLogText("Read Model Convert Error : テクスチャ %s の読み込みに失敗しました\n", source->name);
  }
  texture->imageData = load.colourData;
  texture->imageDataOwned = load.colourData != NULL;
  texture->imageDataSize = load.colourSize;
  texture->alphaImageData = load.alphaData;
  texture->alphaImageDataOwned = load.alphaData != NULL;
  texture->alphaImageDataSize = load.alphaSize;
  texture->bumpMap = source->bumpMap;
  texture->bumpHeight = source->bumpScale;
  texture->reverse = source->loaderFlag;
  texture->graphHandle = load.graphHandle;
  if (load.graphHandle != -1) {
    texture->width = load.width;
    texture->height = load.height;
  }
  if (load.hasAlpha) texture->flags |= MODEL_TEXTURE_USES_ALPHA;
  return 0;
}

int BuildTextures(Converter *c) {
  ModelData *data = c->data;
  uint8_t *used = static_cast<uint8_t *>(WorkAlloc(static_cast<size_t>(c->model->textureCount), 1));
  if (!used) return WriteLogLine(kWorkError);
  memset(used, 0, static_cast<size_t>(c->model->textureCount > 0 ? c->model->textureCount : 1));
  MarkUsedTextures(c->model, used);
  int i = 0;
  for (const ReadTexture *source = c->model->firstTexture; source; source = source->next, i++) {
    ModelTexture *texture = &data->textures[i];
    texture->graphHandle = -1;
    texture->addressU = source->addressU;
    texture->addressV = source->addressV;
    texture->filter = source->filter;
    if ((source->colourPath && !(texture->fileName = const_cast<char *>(PoolString(c, source->colourPath)))) ||
        (source->alphaPath && !(texture->alphaFileName = const_cast<char *>(PoolString(c, source->alphaPath))))) {
      VV_FREE(used);
      return WriteLogLine(kBlockError);
    }
    if (used[i] && LoadTexture(c, source, texture) < 0) {
      VV_FREE(used);
      return -1;
    }
  }
  VV_FREE(used);
  return 0;
}

ModelTextureSlot SlotOf(int count, ReadTexture *const *textures) {
  ModelTextureSlot slot = {0, -1};
  if (count > 0 && textures[0]) slot = ModelTextureSlot{1, textures[0]->index};
  return slot;
}

ModelTextureSlot GradientSlot(const ReadTexture *texture, int builtIn) {
  return ModelTextureSlot{1, texture ? texture->index : builtIn};
}

int BuildMaterials(Converter *c) {
  int i = 0;
  for (const ReadMaterial *source = c->model->firstMaterial; source; source = source->next, i++) {
    ModelMaterial *material = &c->data->materials[i];
    if (!(material->name = PoolString(c, source->name ? source->name : ""))) return WriteLogLine(kBlockError);
    material->kind = source->kind;
    MaterialSurface &surface = material->surface;
    surface.diffuse = source->diffuse;
    surface.ambient = source->ambient;
    surface.specular = source->specular;
    surface.emissive = source->emissive;
    surface.power = source->power;
    surface.diffuseTexture = SlotOf(source->diffuseTextureCount, source->diffuseTextures);
    surface.specularMap = SlotOf(source->specularTextureCount, source->specularTextures);
    surface.normalMap = SlotOf(source->normalTextureCount, source->normalTextures);
    surface.toonDiffuseGradient = GradientSlot(source->toonDiffuseTexture, source->toonDiffuseGradient);
    surface.toonSpecularGradient = GradientSlot(source->toonSpecularTexture, source->toonSpecularGradient);
    surface.sphereMap = ModelTextureSlot{0, -1};
    material->toonGradientMode = source->toonMode;
    material->specularGradient = source->toonSpecular;
    material->outlineWidth = source->outlineWidth;
    material->outlineDotWidth = source->outlineDotWidth;
    material->outlineColor = source->outlineColour;
    material->defaultDrawMode = source->drawMode;
    material->alpha = source->alpha;
  }
  return 0;
}

// --- vertices and triangle lists of one part ---------------------------------

// Working memory of one mesh, reused by each of its parts.
struct PartWork {
  int vertexSize;
  uint8_t *records;  // built vertices, vertexSize each
  int *chainNext;    // per vertex: the next vertex made from its position
  int *chainHead;    // per position: the last vertex made from it
  int *listOf;       // per vertex: the list that numbered it last
  int *localIndex;   // per vertex: its number in that list
  int *listVertices;  // per list, in turn: its mesh vertices
  uint16_t *indices;  // per list, in turn: its triangle indices
  int *listFirstVertex;
  int *listVertexCount;
  int *listFirstIndex;
  int *listIndexCount;
};

void FreePartWork(PartWork *w) {
  VV_FREE(w->records);
  VV_FREE(w->chainNext);
  VV_FREE(w->chainHead);
  VV_FREE(w->listOf);
  VV_FREE(w->localIndex);
  VV_FREE(w->listVertices);
  VV_FREE(w->indices);
  VV_FREE(w->listFirstVertex);
  VV_FREE(w->listVertexCount);
  VV_FREE(w->listFirstIndex);
  VV_FREE(w->listIndexCount);
}

bool AllocPartWork(PartWork *w, const ReadMesh *mesh, int triangles, int vertexSize) {
  memset(w, 0, sizeof(*w));
  const size_t corners = 3 * static_cast<size_t>(triangles);
  const size_t lists = static_cast<size_t>(ListsFor(triangles)) + 1;
  w->vertexSize = vertexSize;
  w->records = static_cast<uint8_t *>(WorkAlloc(corners, static_cast<size_t>(vertexSize)));
  w->chainNext = static_cast<int *>(WorkAlloc(corners, sizeof(int)));
  w->chainHead = static_cast<int *>(WorkAlloc(static_cast<size_t>(mesh->positionCount), sizeof(int)));
  w->listOf = static_cast<int *>(WorkAlloc(corners, sizeof(int)));
  w->localIndex = static_cast<int *>(WorkAlloc(corners, sizeof(int)));
  w->listVertices = static_cast<int *>(WorkAlloc(corners, sizeof(int)));
  w->indices = static_cast<uint16_t *>(WorkAlloc(corners, sizeof(uint16_t)));
  w->listFirstVertex = static_cast<int *>(WorkAlloc(lists, sizeof(int)));
  w->listVertexCount = static_cast<int *>(WorkAlloc(lists, sizeof(int)));
  w->listFirstIndex = static_cast<int *>(WorkAlloc(lists, sizeof(int)));
  w->listIndexCount = static_cast<int *>(WorkAlloc(lists, sizeof(int)));
  if (!w->records || !w->chainNext || !w->chainHead || !w->listOf || !w->localIndex || !w->listVertices ||
      !w->indices || !w->listFirstVertex || !w->listVertexCount || !w->listFirstIndex || !w->listIndexCount) {
    FreePartWork(w);
    return false;
  }
  for (int p = 0; p < mesh->positionCount; p++) w->chainHead[p] = -1;
  return true;
}

uint8_t ColourByte(float value) {
  if (value >= 1.0f) return 255;
  if (!(value >= 0.0f)) return 0;  // NaN too
  return static_cast<uint8_t>(value * 255.0f);
}

struct MeshPlace {
  const ReadMesh *mesh;
  const MeshTriangles *tris;
  int positionOffset;  // the mesh's first position and normal in the frame
  int normalOffset;
};

void BuildVertexRecord(const MeshPlace &place, int corner, int uvSets, uint8_t *record) {
  const ReadMesh *mesh = place.mesh;
  const ReadPolygon &polygon = mesh->polygons[place.tris->polygon[corner / 3]];
  const int k = place.tris->corner[corner];
  const int position = place.tris->position[corner];
  memset(record, 0, sizeof(ModelMeshVertex) + 8 * static_cast<size_t>(uvSets));
  ModelMeshVertex *vertex = reinterpret_cast<ModelMeshVertex *>(record);
  vertex->positionIndex = place.positionOffset + position;
  vertex->normalIndex = place.normalOffset + place.tris->normal[corner];
  if (mesh->colourCount > 0) {
    const ColorF &colour = mesh->colours[polygon.colour[k]];
    vertex->diffuse[0] = ColourByte(colour.b);
    vertex->diffuse[1] = ColourByte(colour.g);
    vertex->diffuse[2] = ColourByte(colour.r);
    vertex->diffuse[3] = ColourByte(colour.a);
  } else {
    memset(vertex->diffuse, 255, 4);
  }
  vertex->flags = mesh->positionBytes ? mesh->positionBytes[position] : 0;
  float *uv = MeshVertexUv(vertex);
  for (int s = 0; s < uvSets; s++) {
    if (mesh->uvCounts[s] <= 0 || !mesh->uvs[s]) continue;
    const float *entry = mesh->uvs[s] + 3 * static_cast<size_t>(polygon.uv[s][k]);
    uv[2 * s] = entry[0];
    uv[2 * s + 1] = entry[1];
  }
}

// The part's vertex for one corner: an equal one made from the same
// position, or a new one.
int FindOrAddVertex(PartWork *w, int position, const uint8_t *record, int *vertexCount) {
  for (int v = w->chainHead[position]; v >= 0; v = w->chainNext[v]) {
    if (memcmp(w->records + static_cast<size_t>(v) * w->vertexSize, record, static_cast<size_t>(w->vertexSize)) == 0) return v;
  }
  const int v = (*vertexCount)++;
  memcpy(w->records + static_cast<size_t>(v) * w->vertexSize, record, static_cast<size_t>(w->vertexSize));
  w->chainNext[v] = w->chainHead[position];
  w->chainHead[position] = v;
  w->listOf[v] = -1;
  return v;
}

struct PartResult {
  int vertexCount;
  int listCount;
};

// Lays the part's triangles into lists of at most 65,502 indices, each
// numbering its own vertices from 0.
PartResult CollectPart(PartWork *w, const MeshPlace &place, int part, int uvSets) {
  PartResult result = {0, 0};
  uint8_t record[sizeof(ModelMeshVertex) + 8 * MODEL_MAX_UV_SETS];
  int current = -1, vertexTotal = 0, indexTotal = 0;
  const MeshTriangles *tris = place.tris;
  for (int t = 0; t < tris->count; t++) {
    if (place.mesh->polygons[tris->polygon[t]].material != part && place.mesh->materialCount > 0) continue;
    if (current < 0 || w->listIndexCount[current] >= CONVERT_LIST_INDEX_LIMIT) {
      current++;
      w->listFirstVertex[current] = vertexTotal;
      w->listVertexCount[current] = 0;
      w->listFirstIndex[current] = indexTotal;
      w->listIndexCount[current] = 0;
    }
    for (int k = 0; k < 3; k++) {
      const int corner = 3 * t + k;
      BuildVertexRecord(place, corner, uvSets, record);
      const int v = FindOrAddVertex(w, tris->position[corner], record, &result.vertexCount);
      if (w->listOf[v] != current) {
        w->listOf[v] = current;
        w->localIndex[v] = w->listVertexCount[current]++;
        w->listVertices[vertexTotal++] = v;
      }
      w->indices[indexTotal++] = static_cast<uint16_t>(w->localIndex[v]);
      w->listIndexCount[current]++;
    }
  }
  for (int v = 0; v < result.vertexCount; v++) {
    const int position = reinterpret_cast<ModelMeshVertex *>(w->records + static_cast<size_t>(v) * w->vertexSize)->positionIndex;
    w->chainHead[position - place.positionOffset] = -1;
  }
  result.listCount = current + 1;
  return result;
}

int StoreList(Converter *c, const PartWork &w, int l, ModelMesh *mesh, ModelTriangleList *list) {
  list->mesh = mesh;
  list->kind = MODEL_LIST_RIGID;
  list->vertexCount = w.listVertexCount[l];
  list->indexCount = static_cast<uint16_t>(w.listIndexCount[l]);
  list->listVertexIndices = Pool<int>(c, static_cast<size_t>(list->vertexCount));
  list->indices = Pool<uint16_t>(c, list->indexCount);
  list->outlineIndices = Pool<uint16_t>(c, list->indexCount);
  list->vertices = Pool<RigidListVertex>(c, static_cast<size_t>(list->vertexCount));
  if (!list->listVertexIndices || !list->indices || !list->outlineIndices || !list->vertices) {
    return WriteLogLine(kVertexError);
  }
  memcpy(list->listVertexIndices, w.listVertices + w.listFirstVertex[l], static_cast<size_t>(list->vertexCount) * sizeof(int));
  memcpy(list->indices, w.indices + w.listFirstIndex[l], static_cast<size_t>(list->indexCount) * sizeof(uint16_t));
  if (FillListVertices(list) < 0) return WriteLogLine(kIndexError);
  BuildOutlineIndices(list);
  return 0;
}

// Texture-coordinate sets of a part's vertices: one per diffuse texture of
// its material, at least one.
int UvSetsOf(const ReadMesh *mesh, int part) {
  const ReadMaterial *source = mesh->materialCount > 0 ? mesh->materials[part] : NULL;
  const int sets = source && source->diffuseTextureCount > 1 ? source->diffuseTextureCount : 1;
  return sets < MODEL_MAX_UV_SETS ? sets : MODEL_MAX_UV_SETS;
}

int VertexSizeOf(int uvSets) { return static_cast<int>(sizeof(ModelMeshVertex)) + 8 * uvSets; }

// The largest vertex among the mesh's parts, which the working records hold.
int LargestVertexOf(const ReadMesh *mesh) {
  int largest = VertexSizeOf(1);
  for (int part = 0; part < PartCount(mesh); part++) {
    if (VertexSizeOf(UvSetsOf(mesh, part)) > largest) largest = VertexSizeOf(UvSetsOf(mesh, part));
  }
  return largest;
}

int BuildPart(Converter *c, PartWork *w, const MeshPlace &place, int part, ModelFrame *frame) {
  const ReadMaterial *source = place.mesh->materialCount > 0 ? place.mesh->materials[part] : NULL;
  const int uvSets = UvSetsOf(place.mesh, part);
  ModelMesh *mesh = &c->data->meshes[c->nextMesh++];
  mesh->frame = frame;
  mesh->material = source && source->index >= 0 && source->index < c->data->materialCount
                       ? &c->data->materials[source->index]
                       : NULL;
  mesh->visible = 1;
  mesh->cullMode = 1;
  // A mesh whose file gave colours is lit with them (the material's
  // diffuse already multiplied in); without colours every vertex is white.
  mesh->diffuseFromVertexColor = place.mesh->colourCount > 0 ? 1 : 0;
  mesh->texCoordSetCount = uvSets;
  mesh->meshVertexSize = VertexSizeOf(uvSets);
  w->vertexSize = mesh->meshVertexSize;
  const PartResult result = CollectPart(w, place, part, uvSets);
  mesh->meshVertexCount = result.vertexCount;
  mesh->meshVertices = Pool<uint8_t>(c, static_cast<size_t>(result.vertexCount) * mesh->meshVertexSize);
  if (!mesh->meshVertices) return WriteLogLine(kVertexError);
  memcpy(mesh->meshVertices, w->records, static_cast<size_t>(result.vertexCount) * mesh->meshVertexSize);
  c->data->meshVertexBytesTotal += result.vertexCount * mesh->meshVertexSize;
  mesh->triangleListCount = result.listCount;
  mesh->firstTriangleList = &c->data->triangleLists[c->nextList];
  for (int l = 0; l < result.listCount; l++) {
    if (StoreList(c, *w, l, mesh, &c->data->triangleLists[c->nextList++]) < 0) return -1;
  }
  return 0;
}

// --- frames -------------------------------------------------------------------

struct FrameMeshes {
  int count;
  MeshTriangles *tris;
};

void FreeFrameMeshes(FrameMeshes *m) {
  for (int i = 0; m->tris && i < m->count; i++) FreeMeshTriangles(&m->tris[i]);
  VV_FREE(m->tris);
}

// Triangles and normals of every mesh of the frame.
int PrepareFrameMeshes(Converter *c, ReadFrame *source, FrameMeshes *out) {
  out->count = source->meshCount;
  out->tris = static_cast<MeshTriangles *>(WorkAlloc(static_cast<size_t>(out->count), sizeof(MeshTriangles)));
  if (!out->tris) return WriteLogLine(kWorkError);
  memset(out->tris, 0, static_cast<size_t>(out->count > 0 ? out->count : 1) * sizeof(MeshTriangles));
  int i = 0;
  for (const ReadMesh *mesh = source->firstMesh; mesh && i < out->count; mesh = mesh->nextInFrame, i++) {
    if (TriangulateMesh(mesh, c->model->reverseWinding, &out->tris[i]) < 0) return -1;
    if (mesh->normalCount > 0 && !c->model->normalsPolicy) {
      UseMeshNormals(mesh, &out->tris[i]);
      continue;
    }
    // Without a policy of their own, meshes smooth at the framework's angle
    // (0: 89.5 degrees), whatever the file asked of the frame.
    if (!c->model->normalsPolicy) source->smoothingAngle = 0.0f;
    if (BuildMeshNormals(mesh, source->smoothingAngle, &out->tris[i]) < 0) return -1;
  }
  return 0;
}

int NormalCountOf(const ReadMesh *mesh, const MeshTriangles &tris) {
  return tris.normals ? tris.normalCount : mesh->normalCount;
}

int FillFramePositions(Converter *c, ReadFrame *source, ModelFrame *frame, const FrameMeshes &meshes) {
  int64_t positions = 0, normals = 0;
  int i = 0;
  for (const ReadMesh *mesh = source->firstMesh; mesh && i < meshes.count; mesh = mesh->nextInFrame, i++) {
    positions += mesh->positionCount;
    normals += NormalCountOf(mesh, meshes.tris[i]);
  }
  if (positions > INT_MAX / 64 || normals > INT_MAX / 64) return WriteLogLine(kVertexError);
  frame->positionCount = static_cast<int>(positions);
  frame->positionStride = static_cast<int>(sizeof(ModelPosition));
  frame->positions = Pool<uint8_t>(c, static_cast<size_t>(positions) * sizeof(ModelPosition));
  frame->normalCount = static_cast<int>(normals);
  frame->normals = Pool<ModelNormal>(c, static_cast<size_t>(normals));
  if (!frame->positions || !frame->normals) return WriteLogLine(kVertexError);
  c->data->positionBytesTotal += frame->positionCount * frame->positionStride;
  int positionAt = 0, normalAt = 0;
  i = 0;
  for (const ReadMesh *mesh = source->firstMesh; mesh && i < meshes.count; mesh = mesh->nextInFrame, i++) {
    if (mesh->positionCount > 0) {
      memcpy(frame->positions + static_cast<size_t>(positionAt) * sizeof(ModelPosition), mesh->positions,
             static_cast<size_t>(mesh->positionCount) * sizeof(Vector3));
    }
    const Vector3 *normalSource = meshes.tris[i].normals ? meshes.tris[i].normals : mesh->normals;
    const int normalCount = NormalCountOf(mesh, meshes.tris[i]);
    for (int n = 0; n < normalCount; n++) frame->normals[normalAt + n].normal = normalSource[n];
    positionAt += mesh->positionCount;
    normalAt += normalCount;
  }
  return 0;
}

int BuildFrameMeshes(Converter *c, ReadFrame *source, ModelFrame *frame) {
  FrameMeshes meshes = {0, NULL};
  int result = PrepareFrameMeshes(c, source, &meshes);
  if (result == 0) result = FillFramePositions(c, source, frame, meshes);
  frame->firstMesh = &c->data->meshes[c->nextMesh];
  int positionOffset = 0, normalOffset = 0, i = 0;
  for (const ReadMesh *mesh = source->firstMesh; result == 0 && mesh && i < meshes.count; mesh = mesh->nextInFrame, i++) {
    PartWork work;
    if (!AllocPartWork(&work, mesh, meshes.tris[i].count, LargestVertexOf(mesh))) {
      result = WriteLogLine(kWorkError);
      break;
    }
    const MeshPlace place = {mesh, &meshes.tris[i], positionOffset, normalOffset};
    for (int part = 0; result == 0 && part < PartCount(mesh); part++) result = BuildPart(c, &work, place, part, frame);
    FreePartWork(&work);
    positionOffset += mesh->positionCount;
    normalOffset += NormalCountOf(mesh, meshes.tris[i]);
    frame->meshCount += PartCount(mesh);
  }
  FreeFrameMeshes(&meshes);
  return result;
}

void LinkFrame(ModelData *data, ModelFrame *frame, ModelFrame *parent) {
  frame->parent = parent;
  ModelFrame **first = parent ? &parent->firstChild : &data->firstRootFrame;
  ModelFrame **last = parent ? &parent->lastChild : &data->lastRootFrame;
  frame->previousSibling = *last;
  if (*last) (*last)->nextSibling = frame;
  else *first = frame;
  *last = frame;
  if (parent) parent->childCount++;
  else data->rootFrameCount++;
}

int BuildFrames(Converter *c) {
  ModelData *data = c->data;
  int f = 0;
  for (ReadFrame *source = c->model->firstFrame; source; source = source->next, f++) {
    ModelFrame *frame = &data->frames[f];
    source->modelFrame = frame;
    frame->index = f;
    if (!(frame->name = PoolString(c, source->name ? source->name : ""))) return WriteLogLine(kBlockError);
    LinkFrame(data, frame, source->parent ? static_cast<ModelFrame *>(source->parent->modelFrame) : NULL);
    FrameParts parts = {source->translation, source->rotation, source->rotationOrder, source->scale};
    DecomposeFrameMatrix(&source->transform, &parts);
    frame->translation = parts.translation;
    frame->rotation = parts.rotation;
    frame->rotationOrder = parts.rotationOrder;
    frame->scale = parts.scale;
    memcpy(frame->quaternion, source->quaternion, sizeof(frame->quaternion));
    frame->flags = source->flag != 0 ? 1u : 0u;
    frame->normalsPolicy = c->model->normalsPolicy ? MODEL_NORMALS_RECALCULATE : MODEL_NORMALS_KEEP;
    if (BuildFrameMeshes(c, source, frame) < 0) return -1;
    frame->smoothingAngle = source->smoothingAngle;
  }
  return 0;
}

// --- the whole model ------------------------------------------------------------

bool AllocArrays(Converter *c, int64_t meshes, int64_t lists) {
  ModelData *data = c->data;
  const ReadModel *model = c->model;
  if (meshes > INT_MAX / 2 || lists > INT_MAX / 2) return false;
  data->frameCount = model->frameCount;
  data->meshCount = static_cast<int>(meshes);
  data->triangleListCount = static_cast<int>(lists);
  data->materialCount = model->materialCount;
  data->textureCount = model->textureCount;
  data->frames = Pool<ModelFrame>(c, static_cast<size_t>(data->frameCount));
  data->meshes = Pool<ModelMesh>(c, static_cast<size_t>(meshes));
  data->triangleLists = Pool<ModelTriangleList>(c, static_cast<size_t>(lists));
  data->materials = Pool<ModelMaterial>(c, static_cast<size_t>(data->materialCount));
  data->textures = Pool<ModelTexture>(c, static_cast<size_t>(data->textureCount));
  return data->frames && data->meshes && data->triangleLists && data->materials && data->textures;
}

int StorePaths(Converter *c, const char *directory) {
  ModelData *data = c->data;
  char folder[PATH_BUFFER_SIZE + 2] = "";
  if (directory) {
    CopyStringN(folder, directory, PATH_BUFFER_SIZE);
    // The last character, not the last byte: a double-byte character whose
    // second byte is 0x5C does not end the folder.
    const char *last = NULL;
    for (const char *p = folder; *p; p += MultiByteCharSize(p, GetFrameworkCharSet())) last = p;
    if (!last || (*last != '\\' && *last != '/')) AppendString(folder, "/");
  }
  data->name = PoolString(c, c->model->fileName ? c->model->fileName : "");
  data->filePath = PoolString(c, c->model->filePath ? c->model->filePath : "");
  data->directory = PoolString(c, folder);
  if (!data->name || !data->filePath || !data->directory) return WriteLogLine(kBlockError);
  return 0;
}

int Convert(Converter *c, const char *directory, int64_t meshes, int64_t lists) {
  if (StorePaths(c, directory) < 0) return -1;
  if (!AllocArrays(c, meshes, lists)) return WriteLogLine(kBlockError);
  if (BuildTextures(c) < 0 || BuildMaterials(c) < 0 || BuildFrames(c) < 0) return -1;
  if (AssignModelChangeBits(c->data) < 0) return WriteLogLine(kBlockError);
  BuildFrameMatrices(c->data);
  return 0;
}

}  // namespace

int ConvertReadModelToModelData(ReadModel *model, const char *directory, const void *textureLoader) {
  if (!IsRigid(model)) return -1;
  int64_t meshes = 0, lists = 0;
  int64_t perPart[READ_MESH_MAX_MATERIALS];
  for (const ReadMesh *mesh = model->firstMesh; mesh; mesh = mesh->next) {
    if (!MeshOk(mesh)) return WriteLogLine(kIndexError);
    CountPartTriangles(mesh, perPart);
    meshes += PartCount(mesh);
    for (int part = 0; part < PartCount(mesh); part++) lists += ListsFor(perPart[part]);
  }
  Converter *c = static_cast<Converter *>(VV_ALLOC_ZEROED(sizeof(Converter)));
  if (!c) return WriteLogLine(kWorkError);
  c->model = model;
  c->textureLoader = textureLoader;
  if (directory) {
    char folder[PATH_BUFFER_SIZE + 2];
    CopyStringN(folder, directory, PATH_BUFFER_SIZE);
    c->hasDirectory = PlatformCodePageToUtf16(PlatformSystemCodePage(), folder, c->directoryW, PATH_BUFFER_SIZE + 2) >= 0;
  }
  const int handle = TakeModelDataSlot();
  if (handle < 0) {
    VV_FREE(c);
    return WriteLogLine("Read Model Convert Error : モデル基本データハンドルの取得に失敗しました\n");
  }
  c->data = static_cast<ModelData *>(VV_ALLOC_ZEROED(sizeof(ModelData)));
  if (!c->data) {
    ReleaseModelData(handle);
    VV_FREE(c);
    return WriteLogLine(kBlockError);
  }
  FillModelDataSlot(handle, c->data);
  const int result = Convert(c, directory, meshes, lists);
  VV_FREE(c);
  if (result < 0) {
    ReleaseModelData(handle);
    return -1;
  }
  return handle;
}
