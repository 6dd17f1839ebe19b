// The MQO loader: the text document format of a modeller, read from the
// whole file in memory into an intermediate model (one frame and one mesh
// per Object chunk, materials from the first Material chunk), then
// converted to model data.
#include <stdarg.h>
#include <string.h>

#include "core/debug/log_text.h"
#include "core/debug/memory.h"
#include "core/util/strings.h"
#include "model/convert/convert_read_model.h"
#include "model/loaders/model_load_param.h"
#include "model/loaders/mqo_tokens.h"
#include "model/maths/model_maths.h"
#include "model/read/read_model.h"

namespace {

const char kHeader[] = "Metasequoia Document\r\n";

enum {
  MQO_HEADER_SIZE = 22,
  MQO_BODY_START = 43,  // after the header and the format line
  MQO_MAX_FILE_MATERIALS = 1023,  // "NoMaterial" takes the next index
  MQO_MAX_DEPTH = 1023,
  MQO_TABLE_SIZE = 1024,
  MQO_BYTES_PER_VERTEX = 6,  // the least text one vertex line can take
  MQO_BYTES_PER_FACE = 8,
  MQO_MAX_KEPT_CORNERS = 4
};

const float kPiF = 3.1415927f;
const double kPi = 3.14159265358979323846;

struct MqoLoad {
  ReadModel model;
  MqoCursor cursor;
  char token[MQO_TOKEN_SIZE];
  int fileMaterialCount;  // materials of the file; the index of "NoMaterial"
  ReadMaterial *materials[MQO_TABLE_SIZE];  // by file index
  uint8_t usedAnywhere[MQO_TABLE_SIZE];
  ReadFrame *frameAtDepth[MQO_TABLE_SIZE];
};

// The state of one Object chunk.
struct MqoObject {
  char name[MQO_TOKEN_SIZE];
  ReadFrame *frame;
  ReadMesh *mesh;
  int meshLive;  // the mesh is still linked into the model
  int mirrorType;
  int mirrorAxes;
  // Materials in this mesh by file index, in order of first use.
  uint8_t seen[MQO_TABLE_SIZE];
  int localIndex[MQO_TABLE_SIZE];
  int order[READ_MESH_MAX_MATERIALS];
  int materialCount;
};

int Fail(const char *format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  FormatStringV(text, sizeof(text), format, args);
  va_end(args);
  return WriteLogText("MQO Load Error : %s", text);
}

bool NextIs(MqoLoad *load, const char *wanted) {
  return ReadMqoToken(&load->cursor, load->token) == 0 && strcmp(load->token, wanted) == 0;
}

int64_t Remaining(const MqoCursor *cursor) { return cursor->size - cursor->position; }

// --- materials --------------------------------------------------------------

int ReadMaterialValues(MqoLoad *load, int i, const char *keyword, float *values, int count) {
  if (!NextIs(load, "(")) return Fail("No.%d の Material の %s の後に ( がありませんでした\n", i, keyword);
  for (int k = 0; k < count; k++) values[k] = ReadMqoFloat(&load->cursor);
  if (!NextIs(load, ")")) return Fail("No.%d の Material の %s の数値の後に ) がありませんでした\n", i, keyword);
  return 0;
}

// "(" quoted path ")" of the three texture keywords; the path in path.
int ReadMaterialPath(MqoLoad *load, int i, const char *keyword, char *path, const char *readError) {
  if (!NextIs(load, "(")) return Fail("No.%d の Material の %s の後に ( がありませんでした\n", i, keyword);
  if (ReadMqoQuoted(&load->cursor, path) < 0) return Fail(readError, i);
  return 0;
}

int CloseMaterialPath(MqoLoad *load, int i, const char *keyword) {
  if (!NextIs(load, ")")) return Fail("No.%d の Material の %s の数値の後に ) がありませんでした\n", i, keyword);
  return 0;
}

const char kTextureError[] = "No.%d の テクスチャオブジェクトの作成に失敗しました\n";

int ReadTextureKeyword(MqoLoad *load, int i, ReadMaterial *material, const char *keyword) {
  char path[MQO_TOKEN_SIZE];
  ReadModel *model = &load->model;
  if (strcmp(keyword, "tex") == 0) {
    if (ReadMaterialPath(load, i, keyword, path, "No.%d の tex の文字列読み込みに失敗しました\n") < 0) return -1;
    ReadTexture *texture = ReadModelAddTexture(model, path, path, NULL, 0, 0.1f, 1, 0);
    if (!texture) return Fail(kTextureError, i);
    material->diffuseTextureCount = 1;
    material->diffuseTextures[0] = texture;
  } else if (strcmp(keyword, "aplane") == 0) {
    if (ReadMaterialPath(load, i, keyword, path, "No.%d の aplane の文字列読み込みに失敗しました\n") < 0) return -1;
    if (material->diffuseTextureCount == 0) {
      // A texture of its own: shared with an equal one, its alpha path
      // would change the other material's texture too.
      ReadTexture *texture = ReadModelAddTexture(model, path, NULL, NULL, 0, 0.1f, 0, 0);
      if (!texture) return Fail(kTextureError, i);
      material->diffuseTextureCount = 1;
      material->diffuseTextures[0] = texture;
    }
    const char *alpha = ReadModelAddString(model, path);
    if (!alpha) return Fail("No.%d の aplane の文字列の保存に失敗しました\n", i);
    material->diffuseTextures[0]->alphaPath = alpha;
  } else {
    if (ReadMaterialPath(load, i, keyword, path, "No.%d の bump の文字列読み込みに失敗しました\n") < 0) return -1;
    char name[PATH_BUFFER_SIZE] = "";
    if (strlen(path) < PATH_BUFFER_SIZE) SplitDirAndFileName(path, name, NULL);
    ReadTexture *texture = ReadModelAddTexture(model, name, path, NULL, 1, 0.1f, 1, 0);
    if (!texture) return Fail(kTextureError, i);
    material->normalTextureCount = 1;
    material->normalTextures[0] = texture;
  }
  return CloseMaterialPath(load, i, keyword);
}

int ReadMaterialKeyword(MqoLoad *load, int i, ReadMaterial *material, ColorF *line) {
  char keyword[MQO_TOKEN_SIZE];
  memcpy(keyword, load->token, sizeof(keyword));
  if (strcmp(keyword, "tex") == 0 || strcmp(keyword, "aplane") == 0 || strcmp(keyword, "bump") == 0) {
    return ReadTextureKeyword(load, i, material, keyword);
  }
  float v[4];
  if (strcmp(keyword, "col") == 0) {
    if (ReadMaterialValues(load, i, keyword, v, 4) < 0) return -1;
    *line = ColorF{v[0], v[1], v[2], v[3]};
    return 0;
  }
  static const char *const kOneValue[] = {"dif", "amb", "emi", "spc", "power"};
  int which = -1;
  for (int k = 0; k < 5; k++) {
    if (strcmp(keyword, kOneValue[k]) == 0) which = k;
  }
  if (which < 0) return 0;  // unknown keywords and their values are skipped token by token
  if (ReadMaterialValues(load, i, keyword, v, 1) < 0) return -1;
  switch (which) {
    case 0: material->diffuse = ColorF{v[0] * line->r, v[0] * line->g, v[0] * line->b, 1.0f}; break;
    case 1: material->ambient = ColorF{v[0], v[0], v[0], 0.0f}; break;
    case 2: material->emissive = ColorF{v[0] * line->r, v[0] * line->g, v[0] * line->b, 0.0f}; break;
    case 3: material->specular = ColorF{v[0], v[0], v[0], 0.0f}; break;
    default: material->power = v[0] * 4.0f; break;
  }
  return 0;
}

// One material line; it ends at its carriage return.
int ReadMaterialLine(MqoLoad *load, int i) {
  if (ReadMqoQuoted(&load->cursor, load->token) < 0) return Fail("No.%d の Material 名の取得に失敗しました\n", i);
  ReadMaterial *material = ReadModelAddMaterial(&load->model, load->token);
  if (!material) return Fail("No.%d の Material オブジェクトの追加に失敗しました\n", i);
  load->materials[i] = material;
  ColorF line = {1.0f, 1.0f, 1.0f, 1.0f};
  for (;;) {
    if (SkipMqoBlanks(&load->cursor, 1)) return Fail("No.%d の Material の読み込み中にエラーが発生しました\n", i);
    if (MqoPeek(&load->cursor, 0) == '\r') break;
    if (ReadMqoToken(&load->cursor, load->token) != 0) {
      return Fail("No.%d の Material の読み込み中にエラーが発生しました\n", i);
    }
    if (ReadMaterialKeyword(load, i, material, &line) < 0) return -1;
  }
  material->diffuse.a = line.a;
  return 0;
}

int ReadMaterialChunk(MqoLoad *load) {
  char token[MQO_TOKEN_SIZE];
  const int unreadable = ReadMqoToken(&load->cursor, token) != 0;
  const int count = unreadable ? -1 : ParseInt(token);
  if (count < 0 || count > MQO_MAX_FILE_MATERIALS) return Fail("マテリアルの数( %d )が不正です\n", count);
  if (!NextIs(load, "{")) return Fail("Material 数の後に { がありません\n");
  SkipMqoBlanks(&load->cursor, 0);
  for (int i = 0; i < count; i++) {
    if (ReadMaterialLine(load, i) < 0) return -1;
  }
  load->fileMaterialCount = count;
  if (!NextIs(load, "}")) return Fail("Material チャンクの終端に } がありません\n");
  return 0;
}

int ReadMaterials(MqoLoad *load) {
  for (;;) {
    if (SkipMqoBlanks(&load->cursor, 0)) return 0;
    if (ReadMqoToken(&load->cursor, load->token) != 0) return Fail("予期せぬ EOF です\n");
    if (strcmp(load->token, "Material") == 0) return ReadMaterialChunk(load);
    SkipMqoChunk(&load->cursor);
  }
}

// --- objects ----------------------------------------------------------------

int ObjectError(const MqoObject *object) {
  return Fail("Object %s チャンクの解析中にエラーが発生しました\n", object->name);
}

void ReadVector(MqoLoad *load, Vector3 *out) {
  out->x = ReadMqoFloat(&load->cursor);
  out->y = ReadMqoFloat(&load->cursor);
  out->z = ReadMqoFloat(&load->cursor);
}

int ReadVertices(MqoLoad *load, MqoObject *object) {
  const int count = ReadMqoInt(&load->cursor);
  if (count < 0 || static_cast<int64_t>(count) * MQO_BYTES_PER_VERTEX > Remaining(&load->cursor)) {
    return ObjectError(object);
  }
  ReadMesh *mesh = object->mesh;
  mesh->positions = static_cast<Vector3 *>(AllocChainAlloc(static_cast<size_t>(count) * sizeof(Vector3) + 1, &load->model.chain));
  if (!mesh->positions) return Fail("Object %s チャンクの頂点座標を保存するメモリ領域の確保に失敗しました\n", object->name);
  mesh->positionCount = count;
  if (!NextIs(load, "{")) return Fail("Object %s チャンクの vertex 後に { がありません\n", object->name);
  for (int i = 0; i < count; i++) {
    ReadVector(load, &mesh->positions[i]);
    mesh->positions[i].z = -mesh->positions[i].z;
  }
  if (!NextIs(load, "}")) return Fail("Object %s チャンクの vertex の終端に } がありません\n", object->name);
  return 0;
}

// The faces' working arrays: records, and UV and colour entries for the
// corners of kept faces.
struct FaceArrays {
  int uvNext;
  int colourNext;
};

int AllocFaces(MqoLoad *load, MqoObject *object, int count) {
  ReadMesh *mesh = object->mesh;
  AllocChain *chain = &load->model.chain;
  const size_t corners = static_cast<size_t>(MQO_MAX_KEPT_CORNERS) * static_cast<size_t>(count);
  mesh->polygons = static_cast<ReadPolygon *>(AllocChainAlloc(static_cast<size_t>(count + 1) * sizeof(ReadPolygon), chain));
  if (!mesh->polygons) return Fail("Object %s チャンクの面情報を保存するメモリ領域の確保に失敗しました\n", object->name);
  mesh->uvs[0] = static_cast<float *>(AllocChainAlloc((corners + 1) * 3 * sizeof(float), chain));
  if (!mesh->uvs[0]) return Fail("Object %s チャンクの uv座標を保存するメモリ領域の確保に失敗しました\n", object->name);
  mesh->colours = static_cast<ColorF *>(AllocChainAlloc((corners + 1) * sizeof(ColorF), chain));
  if (!mesh->colours) return Fail("Object %s チャンクの 頂点カラーを保存するメモリ領域の確保に失敗しました\n", object->name);
  for (size_t i = 0; i < corners; i++) mesh->colours[i] = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
  mesh->uvCounts[0] = static_cast<int>(corners);
  mesh->colourCount = static_cast<int>(corners);
  return 0;
}

int ReadCornerIndices(MqoLoad *load, MqoObject *object, ReadPolygon *face, int corners) {
  if (ReadMqoToken(&load->cursor, load->token) != 0 || load->token[0] != 'V') {
    return Fail("Object %s チャンクの face の頂点数の数の後に V がありません\n", object->name);
  }
  if (!NextIs(load, "(")) return Fail("Object %s チャンクの face の V の ( がありません\n", object->name);
  for (int c = 0; c < corners; c++) {
    const int index = ReadMqoInt(&load->cursor);
    if (index == -1) return Fail("Object %s チャンクの face の %d番目の V の頂点インデックスが不正です\n", object->name, c);
    if (c < READ_POLYGON_MAX_CORNERS) face->position[c] = index;
  }
  if (!NextIs(load, ")")) return Fail("Object %s チャンクの face の V の ) がありません\n", object->name);
  return 0;
}

bool AtKeyword(MqoLoad *load, const char *keyword) {
  SkipMqoBlanks(&load->cursor, 1);
  for (int k = 0; keyword[k]; k++) {
    if (MqoPeek(&load->cursor, k) != keyword[k]) return false;
  }
  return true;
}

// "M(m)": the file material index, or -1 after a failure.
int ReadFaceMaterial(MqoLoad *load, MqoObject *object, int *fileMaterial) {
  ReadMqoToken(&load->cursor, load->token);
  if (!NextIs(load, "(")) return Fail("Object %s チャンクの face の M の ( がありません\n", object->name);
  const int m = ReadMqoInt(&load->cursor);
  if (m < 0 || m > load->fileMaterialCount) return ObjectError(object);
  if (!NextIs(load, ")")) return Fail("Object %s チャンクの face の M の ) がありません\n", object->name);
  *fileMaterial = m;
  return 0;
}

int ReadFaceUv(MqoLoad *load, MqoObject *object, ReadPolygon *face, int corners, bool keep, FaceArrays *arrays) {
  ReadMqoToken(&load->cursor, load->token);
  if (!NextIs(load, "(")) return Fail("Object %s チャンクの face の UV の ( がありません\n", object->name);
  for (int c = 0; c < corners; c++) {
    const float u = ReadMqoFloat(&load->cursor);
    const float v = ReadMqoFloat(&load->cursor);
    if (!keep) continue;
    float *entry = object->mesh->uvs[0] + 3 * static_cast<size_t>(arrays->uvNext);
    entry[0] = u;
    entry[1] = v;
    face->uv[0][c] = arrays->uvNext++;
  }
  if (!NextIs(load, ")")) return Fail("Object %s チャンクの face の UV の ) がありません\n", object->name);
  return 0;
}

ColorF ScaledColour(uint32_t c, const ColorF &base) {
  return ColorF{static_cast<float>(c & 255) * base.r / 255.0f, static_cast<float>((c >> 8) & 255) * base.g / 255.0f,
                static_cast<float>((c >> 16) & 255) * base.b / 255.0f, static_cast<float>(c >> 24) * base.a / 255.0f};
}

int ReadFaceColours(MqoLoad *load, MqoObject *object, ReadPolygon *face, int corners, bool keep, const ColorF &base,
                    FaceArrays *arrays) {
  ReadMqoToken(&load->cursor, load->token);
  if (!NextIs(load, "(")) return Fail("Object %s チャンクの face の COL の ( がありません\n", object->name);
  for (int c = 0; c < corners; c++) {
    const uint32_t value = static_cast<uint32_t>(ReadMqoInt(&load->cursor));
    if (!keep) continue;
    object->mesh->colours[arrays->colourNext] = ScaledColour(value, base);
    face->colour[c] = arrays->colourNext++;
  }
  if (!NextIs(load, ")")) return Fail("Object %s チャンクの face の COL の ) がありません\n", object->name);
  return 0;
}

// The mesh-local index of a file material, given at its first use.
int UseMaterial(MqoLoad *load, MqoObject *object, int m) {
  if (!object->seen[m]) {
    if (object->materialCount >= READ_MESH_MAX_MATERIALS) return -1;
    object->seen[m] = 1;
    object->localIndex[m] = object->materialCount;
    object->order[object->materialCount++] = m;
    load->usedAnywhere[m] = 1;
  }
  return object->localIndex[m];
}

// One face line; *kept is 1 when the face stays (3 or 4 corners).
int ReadFace(MqoLoad *load, MqoObject *object, ReadPolygon *face, FaceArrays *arrays, int *kept) {
  const int corners = ReadMqoInt(&load->cursor);
  // The record may hold a dropped face: clear what this face's corners use
  // (the chain gave it zeroed, and no other field is ever written).
  for (int c = 0; c < corners && c < READ_POLYGON_MAX_CORNERS; c++) face->colour[c] = face->uv[0][c] = 0;
  if (ReadCornerIndices(load, object, face, corners) < 0) return -1;
  const bool keep = corners == 3 || corners == 4;
  int fileMaterial = load->fileMaterialCount;  // "NoMaterial"
  const bool hasMaterial = AtKeyword(load, "M");
  if (hasMaterial && ReadFaceMaterial(load, object, &fileMaterial) < 0) return -1;
  if (AtKeyword(load, "UV") && ReadFaceUv(load, object, face, corners, keep, arrays) < 0) return -1;
  const ColorF base = hasMaterial ? load->materials[fileMaterial]->diffuse : ColorF{1.0f, 1.0f, 1.0f, 1.0f};
  if (AtKeyword(load, "COL")) {
    if (ReadFaceColours(load, object, face, corners, keep, base, arrays) < 0) return -1;
  } else if (keep) {
    // Each corner gets its material's diffuse colour ("NoMaterial" white).
    for (int c = 0; c < corners; c++) {
      object->mesh->colours[arrays->colourNext] = base;
      face->colour[c] = arrays->colourNext++;
    }
  }
  *kept = keep ? 1 : 0;
  if (!keep) return 0;
  face->cornerCount = corners;
  face->material = UseMaterial(load, object, fileMaterial);
  return face->material < 0 ? ObjectError(object) : 0;
}

void RemoveObjectMesh(MqoLoad *load, MqoObject *object) {
  if (!object->meshLive) return;
  ReadModelRemoveMesh(&load->model, object->frame, object->mesh);
  object->meshLive = 0;
}

int ReadFaces(MqoLoad *load, MqoObject *object) {
  const int count = ReadMqoInt(&load->cursor);
  if (count < 0 || static_cast<int64_t>(count) * MQO_BYTES_PER_FACE > Remaining(&load->cursor)) {
    return ObjectError(object);
  }
  if (AllocFaces(load, object, count) < 0) return -1;
  if (!NextIs(load, "{")) return Fail("Object %s チャンクの face 後に { がありません\n", object->name);
  memset(object->seen, 0, sizeof(object->seen));
  object->materialCount = 0;
  FaceArrays arrays = {0, 0};
  ReadMesh *mesh = object->mesh;
  int keptCount = 0;
  for (int i = 0; i < count; i++) {
    int kept = 0;
    if (ReadFace(load, object, &mesh->polygons[keptCount], &arrays, &kept) < 0) return -1;
    keptCount += kept;
  }
  mesh->polygonCount = keptCount;
  mesh->materialCount = object->materialCount;
  for (int j = 0; j < object->materialCount; j++) mesh->materials[j] = load->materials[object->order[j]];
  if (keptCount == 0) RemoveObjectMesh(load, object);
  else if (object->materialCount == 1 && mesh->materials[0]->diffuse.a == 0.0f) RemoveObjectMesh(load, object);
  if (!NextIs(load, "}")) return Fail("Object %s チャンクの face の終端に } がありません\n", object->name);
  return 0;
}

int ReadObjectKeyword(MqoLoad *load, MqoObject *object) {
  const char *k = load->token;
  ReadFrame *frame = object->frame;
  if (strcmp(k, "visible") == 0) {
    frame->flag = ReadMqoInt(&load->cursor) == 15;
  } else if (strcmp(k, "scale") == 0) {
    ReadVector(load, &frame->scale);
  } else if (strcmp(k, "rotation") == 0) {
    Vector3 hpb;
    ReadVector(load, &hpb);
    frame->rotation = Vector3{-hpb.y * kPiF / 180.0f, -hpb.x * kPiF / 180.0f, hpb.z * kPiF / 180.0f};
  } else if (strcmp(k, "translation") == 0) {
    ReadVector(load, &frame->translation);
    frame->translation.z = -frame->translation.z;
  } else if (strcmp(k, "facet") == 0) {
    frame->smoothingAngle = static_cast<float>(ReadMqoFloat(&load->cursor) * kPi / 180.0);
  } else if (strcmp(k, "mirror") == 0) {
    object->mirrorType = ReadMqoInt(&load->cursor);
  } else if (strcmp(k, "mirror_axis") == 0) {
    object->mirrorAxes = ReadMqoInt(&load->cursor);
  } else if (strcmp(k, "vertex") == 0) {
    return ReadVertices(load, object);
  } else if (strcmp(k, "face") == 0) {
    return ReadFaces(load, object);
  }
  return 0;
}

// Every face index must name a vertex of the object.
int CheckFaceIndices(const MqoObject *object) {
  const ReadMesh *mesh = object->mesh;
  for (int i = 0; i < mesh->polygonCount; i++) {
    const ReadPolygon &face = mesh->polygons[i];
    for (int c = 0; c < face.cornerCount; c++) {
      if (face.position[c] < 0 || face.position[c] >= mesh->positionCount) {
        return Fail("Object %s チャンクの face の %d番目の V の頂点インデックスが不正です\n", object->name, c);
      }
    }
  }
  return 0;
}

void Rotate(Matrix4x4 *m, float angle, int (*make)(Matrix4x4 *, float)) {
  if (angle == 0.0f) return;
  Matrix4x4 rotation;
  make(&rotation, angle);
  MultiplyMatrix(m, m, &rotation);
}

// The frame keeps its transform in its matrices; the mesh moves into the
// frame's own space.
void PlaceObject(MqoObject *object) {
  ReadFrame *frame = object->frame;
  Matrix4x4 local;
  MakeScaleMatrix(&local, frame->scale.x, frame->scale.y, frame->scale.z);
  Rotate(&local, frame->rotation.x, MakeRotationMatrixX);
  Rotate(&local, frame->rotation.y, MakeRotationMatrixY);
  Rotate(&local, frame->rotation.z, MakeRotationMatrixZ);
  local.m[3][0] = frame->translation.x;
  local.m[3][1] = frame->translation.y;
  local.m[3][2] = frame->translation.z;
  Matrix4x4 world = local;
  if (frame->parent) {
    Matrix4x4 parentWorld;
    memcpy(&parentWorld, frame->parent->loaderArea, sizeof(parentWorld));
    MultiplyMatrix(&world, &local, &parentWorld);
  }
  frame->transform = local;
  memcpy(frame->loaderArea, &world, sizeof(world));
  if (object->meshLive) {
    const Matrix4x4 inverse = GetInverseMatrix(world);
    ReadMesh *mesh = object->mesh;
    for (int i = 0; i < mesh->positionCount; i++) {
      const Vector3 p = mesh->positions[i];
      TransformPoint3(&mesh->positions[i], &p, &inverse);
    }
  }
  frame->rotation = Vector3{0.0f, 0.0f, 0.0f};
  frame->scale = Vector3{1.0f, 1.0f, 1.0f};
  frame->translation = Vector3{0.0f, 0.0f, 0.0f};
}

int BitCount(int bits) { return (bits & 1) + ((bits >> 1) & 1) + ((bits >> 2) & 1); }

void ReverseCorners(ReadPolygon *face) {
  const int n = face->cornerCount;
  const int order3[3] = {0, 2, 1};
  const int order4[4] = {3, 2, 1, 0};
  const int *order = n == 3 ? order3 : order4;
  const ReadPolygon copy = *face;
  for (int c = 0; c < n; c++) {
    face->position[c] = copy.position[order[c]];
    face->normal[c] = copy.normal[order[c]];
    face->colour[c] = copy.colour[order[c]];
    for (int s = 0; s < READ_MAX_UV_SETS; s++) face->uv[s][c] = copy.uv[s][order[c]];
  }
}

// Copy j of the mesh, mirrored on the axes of s; vertices on every mirror
// plane of the copy are shared with the original.
void MirrorCopy(ReadMesh *mesh, Vector3 *positions, ReadPolygon *faces, uint8_t *flags, int s, int j, int vertexCount,
                int faceCount) {
  const int e = BitCount(s);
  memset(flags, 0, static_cast<size_t>(vertexCount));
  Vector3 *copy = positions + static_cast<size_t>(j) * vertexCount;
  for (int axis = 0; axis < 3; axis++) {
    if (!(s & (1 << axis))) continue;
    for (int v = 0; v < vertexCount; v++) {
      float *coordinate = axis == 0 ? &copy[v].x : axis == 1 ? &copy[v].y : &copy[v].z;
      if (*coordinate != 0.0f) *coordinate = -*coordinate;
      else flags[v]++;
    }
  }
  ReadPolygon *copyFaces = faces + static_cast<size_t>(j) * faceCount;
  for (int f = 0; f < faceCount; f++) {
    ReadPolygon *face = &copyFaces[f];
    for (int c = 0; c < face->cornerCount; c++) {
      const int original = mesh->polygons[f].position[c];
      face->position[c] = flags[original] == e ? original : original + j * vertexCount;
    }
    if (e % 2 == 1) ReverseCorners(face);
  }
}

int MirrorObject(MqoLoad *load, MqoObject *object) {
  const int axes = object->mirrorAxes & 7;
  const int copies = 1 << BitCount(axes);
  if (copies == 1) return 0;
  ReadMesh *mesh = object->mesh;
  const int vertexCount = mesh->positionCount, faceCount = mesh->polygonCount;
  if (static_cast<int64_t>(vertexCount) * copies > INT32_MAX / 16 || static_cast<int64_t>(faceCount) * copies > INT32_MAX / 16) {
    return ObjectError(object);
  }
  uint8_t *flags = static_cast<uint8_t *>(AllocMemory(vertexCount + 1, "", 0));
  if (!flags) return Fail("Object %s チャンクのミラーリング頂点データ情報フラグ格納用メモリの確保に失敗しました\n", object->name);
  AllocChain *chain = &load->model.chain;
  Vector3 *positions = static_cast<Vector3 *>(AllocChainAlloc(static_cast<size_t>(vertexCount) * copies * sizeof(Vector3) + 1, chain));
  if (!positions) {
    FreeMemory(flags);
    return Fail("Object %s チャンクのミラーリング頂点データ格納用メモリの確保に失敗しました\n", object->name);
  }
  ReadPolygon *faces = static_cast<ReadPolygon *>(AllocChainAlloc(static_cast<size_t>(faceCount) * copies * sizeof(ReadPolygon) + 1, chain));
  if (!faces) {
    FreeMemory(flags);
    return Fail("Object %s チャンクのミラーリング面データ格納用メモリの確保に失敗しました\n", object->name);
  }
  for (int j = 0; j < copies; j++) {
    memcpy(positions + static_cast<size_t>(j) * vertexCount, mesh->positions, static_cast<size_t>(vertexCount) * sizeof(Vector3));
    memcpy(faces + static_cast<size_t>(j) * faceCount, mesh->polygons, static_cast<size_t>(faceCount) * sizeof(ReadPolygon));
  }
  int j = 0;
  for (int s = 1; s <= 7; s++) {
    if ((s & axes) == s) MirrorCopy(mesh, positions, faces, flags, s, ++j, vertexCount, faceCount);
  }
  FreeMemory(flags);
  mesh->positions = positions;
  mesh->polygons = faces;
  mesh->positionCount = vertexCount * copies;
  mesh->polygonCount = faceCount * copies;
  return 0;
}

// Reads the Object chunk after its keyword: one frame and one mesh.
int ReadObjectBody(MqoLoad *load, MqoObject *object) {
  if (ReadMqoQuoted(&load->cursor, object->name) < 0) return Fail("Object チャンクの名前の取得に失敗しました\n");
  if (!NextIs(load, "{")) return Fail("Object チャンク名の後に { がありません\n");
  if (ReadMqoToken(&load->cursor, load->token) != 0) return ObjectError(object);
  int depth = 0;
  const bool hasDepth = strcmp(load->token, "depth") == 0;
  if (hasDepth) depth = ReadMqoInt(&load->cursor);
  if (depth < 0 || depth > MQO_MAX_DEPTH) return ObjectError(object);
  ReadFrame *parent = depth > 0 ? load->frameAtDepth[depth - 1] : NULL;
  object->frame = ReadModelAddFrame(&load->model, object->name, parent);
  if (!object->frame) return Fail("フレームオブジェクトの追加に失敗しました\n");
  load->frameAtDepth[depth] = object->frame;
  object->mesh = ReadModelAddMesh(&load->model, object->frame);
  if (!object->mesh) return Fail("メッシュオブジェクトの追加に失敗しました\n");
  object->meshLive = 1;
  // Without "depth" the token already read is the first keyword.
  bool pending = !hasDepth;
  for (;;) {
    if (!pending && ReadMqoToken(&load->cursor, load->token) != 0) return ObjectError(object);
    pending = false;
    if (strcmp(load->token, "}") == 0) break;
    if (ReadObjectKeyword(load, object) < 0) return -1;
  }
  // An object without faces has no mesh, as one whose faces were all dropped.
  if (object->mesh->polygonCount == 0) RemoveObjectMesh(load, object);
  if (object->meshLive && CheckFaceIndices(object) < 0) return -1;
  PlaceObject(object);
  if (object->mirrorType == 1 && object->meshLive) return MirrorObject(load, object);
  return 0;
}

int ReadObject(MqoLoad *load) {
  MqoObject object;
  memset(&object, 0, sizeof(object));
  return ReadObjectBody(load, &object);
}

int ReadObjects(MqoLoad *load) {
  load->cursor.position = MQO_BODY_START;
  for (;;) {
    if (SkipMqoBlanks(&load->cursor, 0)) return 0;
    if (ReadMqoToken(&load->cursor, load->token) != 0) return Fail("チャンク解析中に文字列解析エラーが発生しました\n");
    if (strcmp(load->token, "Eof") == 0) return 0;
    if (strcmp(load->token, "Object") == 0) {
      if (ReadObject(load) < 0) return -1;
    } else {
      SkipMqoChunk(&load->cursor);
    }
  }
}

int LoadParsed(MqoLoad *load, const ModelLoadParam *param) {
  if (ReadModelSetPaths(&load->model, param->filePath ? param->filePath : "", param->modelName ? param->modelName : "") < 0) {
    return Fail("ファイルパスを保存するメモリ領域の確保に失敗しました\n");
  }
  if (ReadMaterials(load) < 0) return -1;
  ReadMaterial *none = ReadModelAddMaterial(&load->model, "NoMaterial");
  if (!none) return Fail("Material オブジェクトの追加に失敗しました\n");
  load->materials[load->fileMaterialCount] = none;
  memset(load->usedAnywhere, 0, sizeof(load->usedAnywhere));
  if (ReadObjects(load) < 0) return -1;
  // A material no face uses never loads its texture.
  for (int m = 0; m <= load->fileMaterialCount; m++) {
    if (!load->usedAnywhere[m] && load->materials[m]) load->materials[m]->diffuseTextureCount = 0;
  }
  return ConvertReadModelToModelData(&load->model, param->directory, param->reserved);
}

}  // namespace

int LoadMqoModel(const ModelLoadParam *param) {
  if (!param || !param->fileImage || param->fileSize < MQO_HEADER_SIZE ||
      memcmp(param->fileImage, kHeader, MQO_HEADER_SIZE) != 0) {
    return -1;
  }
  // The load's tables live on the stack: a refused file costs nothing.
  MqoLoad loadRecord;
  MqoLoad *load = &loadRecord;
  memset(load, 0, sizeof(*load));
  ReadModelInit(&load->model);
  load->cursor.start = param->fileImage;
  load->cursor.size = param->fileSize;
  load->cursor.position = MQO_BODY_START;
  const int result = LoadParsed(load, param);
  ReadModelTerm(&load->model);
  return result;
}
