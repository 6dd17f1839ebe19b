#include "model/convert/mesh_triangles.h"

#include <limits.h>
#include <math.h>
#include <string.h>

#include "core/debug/memory.h"
#include "core/util/maths.h"

namespace {

// count x each bytes from the memory manager, or null when the size does
// not fit its int sizes.
void *WorkAlloc(size_t count, size_t each) {
  if (count == 0) count = 1;
  if (count > (static_cast<size_t>(INT_MAX) - 64) / each) return NULL;
  return VV_ALLOC(count * each);
}

// v / |v|; a zero (or non-finite) length gives the zero vector rather
// than NaN, so a zero-area triangle smooths with nothing.
Vector3 Unit(const Vector3 &v) {
  const float length = sqrtf(VectorDot(v, v));
  if (!(length > 0.0f) || !isfinite(length)) return Vector3{0.0f, 0.0f, 0.0f};
  return Vector3{v.x / length, v.y / length, v.z / length};
}

void AddCorner(MeshTriangles *out, int *t, const ReadPolygon &polygon, int polygonIndex, int a, int b, int c,
               int reverse) {
  const int base = 3 * *t;
  out->polygon[*t] = polygonIndex;
  const int corners[3] = {a, reverse ? c : b, reverse ? b : c};
  for (int k = 0; k < 3; k++) {
    out->corner[base + k] = static_cast<uint8_t>(corners[k]);
    out->position[base + k] = polygon.position[corners[k]];
  }
  ++*t;
}

// The further triangles of a polygon after its first (c0, c1, cn-1).
void AddFurtherTriangles(MeshTriangles *out, int *t, const ReadPolygon &polygon, int polygonIndex, int reverse) {
  const int n = polygon.cornerCount;
  int made = 1;
  for (int i = 0; made < n - 2; i++) {
    AddCorner(out, t, polygon, polygonIndex, n - 1 - i, 1 + i, 2 + i, reverse);
    if (++made >= n - 2) break;
    AddCorner(out, t, polygon, polygonIndex, n - 1 - i, 2 + i, n - 2 - i, reverse);
    ++made;
  }
}

// Triangles around each position: corner ids grouped by position.
struct PositionCorners {
  int *start;  // positionCount + 1
  int *corners;
};

bool BuildPositionCorners(const MeshTriangles *tris, int positionCount, PositionCorners *out) {
  const int cornerCount = 3 * tris->count;
  out->start = static_cast<int *>(WorkAlloc(static_cast<size_t>(positionCount) + 1, sizeof(int)));
  out->corners = static_cast<int *>(WorkAlloc(static_cast<size_t>(cornerCount), sizeof(int)));
  if (!out->start || !out->corners) return false;
  memset(out->start, 0, (static_cast<size_t>(positionCount) + 1) * sizeof(int));
  for (int c = 0; c < cornerCount; c++) out->start[tris->position[c] + 1]++;
  for (int p = 0; p < positionCount; p++) out->start[p + 1] += out->start[p];
  int *fill = static_cast<int *>(WorkAlloc(static_cast<size_t>(positionCount), sizeof(int)));
  if (!fill) return false;
  memcpy(fill, out->start, static_cast<size_t>(positionCount) * sizeof(int));
  for (int c = 0; c < cornerCount; c++) out->corners[fill[tris->position[c]]++] = c;
  VV_FREE(fill);
  return true;
}

struct NormalWalk {
  const MeshTriangles *tris;
  const PositionCorners *around;
  const Vector3 *faceNormals;
  int *stamp;  // per triangle: the group that took it
  int *members;
  float threshold;
};

// Walks from the corner's triangle around its position, first across the
// edge to the next corner, then the other way; the members' corner ids.
int WalkGroup(const NormalWalk &w, int startCorner, int group, Vector3 *sum) {
  const int *pos = w.tris->position;
  const int p = pos[startCorner];
  const int t0 = startCorner / 3, k0 = startCorner % 3;
  int memberCount = 0;
  w.stamp[t0] = group;
  w.members[memberCount++] = startCorner;
  *sum = w.faceNormals[t0];
  for (int direction = 0; direction < 2; direction++) {
    int current = t0;
    int q = pos[3 * t0 + (direction == 0 ? (k0 + 1) % 3 : (k0 + 2) % 3)];
    for (;;) {
      int best = -1;
      float bestDot = 0.0f;
      for (int i = w.around->start[p]; i < w.around->start[p + 1]; i++) {
        const int corner = w.around->corners[i];
        const int u = corner / 3, j = corner % 3;
        if (w.stamp[u] == group) continue;
        if (pos[3 * u + (j + 1) % 3] != q && pos[3 * u + (j + 2) % 3] != q) continue;
        const float d = VectorDot(w.faceNormals[u], w.faceNormals[current]);
        if (best < 0 || d > bestDot) {
          best = corner;
          bestDot = d;
        }
      }
      if (best < 0 || !(bestDot >= w.threshold)) break;
      const int u = best / 3, j = best % 3;
      w.stamp[u] = group;
      w.members[memberCount++] = best;
      sum->x += w.faceNormals[u].x;
      sum->y += w.faceNormals[u].y;
      sum->z += w.faceNormals[u].z;
      const int a = pos[3 * u + (j + 1) % 3];
      q = a == q ? pos[3 * u + (j + 2) % 3] : a;
      current = u;
    }
  }
  return memberCount;
}

void FreeWalk(PositionCorners *around, Vector3 *faceNormals, int *stamp, int *members, Vector3 *groups) {
  VV_FREE(around->start);
  VV_FREE(around->corners);
  VV_FREE(faceNormals);
  VV_FREE(stamp);
  VV_FREE(members);
  VV_FREE(groups);
}

// Keeps the group normals that corners use, in order of first use.
bool CompactNormals(MeshTriangles *tris, const Vector3 *groups, int groupCount) {
  const int cornerCount = 3 * tris->count;
  int *remap = static_cast<int *>(WorkAlloc(static_cast<size_t>(groupCount), sizeof(int)));
  if (!remap) return false;
  for (int g = 0; g < groupCount; g++) remap[g] = -1;
  int used = 0;
  for (int c = 0; c < cornerCount; c++) {
    if (remap[tris->normal[c]] < 0) remap[tris->normal[c]] = used++;
  }
  tris->normals = static_cast<Vector3 *>(WorkAlloc(static_cast<size_t>(used), sizeof(Vector3)));
  if (!tris->normals) {
    VV_FREE(remap);
    return false;
  }
  for (int g = 0; g < groupCount; g++) {
    if (remap[g] >= 0) tris->normals[remap[g]] = groups[g];
  }
  for (int c = 0; c < cornerCount; c++) tris->normal[c] = remap[tris->normal[c]];
  tris->normalCount = used;
  VV_FREE(remap);
  return true;
}

}  // namespace

int TriangulateMesh(const ReadMesh *mesh, int reverse, MeshTriangles *out) {
  memset(out, 0, sizeof(*out));
  size_t total = 0;
  for (int i = 0; i < mesh->polygonCount; i++) total += static_cast<size_t>(PolygonTriangleCount(mesh->polygons[i].cornerCount));
  if (total > static_cast<size_t>(INT_MAX / 3)) total = static_cast<size_t>(INT_MAX);  // refused below
  out->polygon = static_cast<int *>(WorkAlloc(total, sizeof(int)));
  out->corner = static_cast<uint8_t *>(WorkAlloc(total, 3));
  out->position = static_cast<int *>(WorkAlloc(total, 3 * sizeof(int)));
  out->normal = static_cast<int *>(WorkAlloc(total, 3 * sizeof(int)));
  if (!out->polygon || !out->corner || !out->position || !out->normal) {
    FreeMeshTriangles(out);
    return WriteLogLine("Read Model Error : ３ポリ変換後のデータを格納するメモリ領域の確保に失敗しました\n");
  }
  int t = 0;
  for (int i = 0; i < mesh->polygonCount; i++) {
    const ReadPolygon &polygon = mesh->polygons[i];
    AddCorner(out, &t, polygon, i, 0, 1, polygon.cornerCount - 1, reverse);
  }
  for (int i = 0; i < mesh->polygonCount; i++) {
    if (mesh->polygons[i].cornerCount > 3) AddFurtherTriangles(out, &t, mesh->polygons[i], i, reverse);
  }
  out->count = t;
  return 0;
}

int BuildMeshNormals(const ReadMesh *mesh, float smoothingAngle, MeshTriangles *tris) {
  const float radians = smoothingAngle == 0.0f ? READ_ZERO_SMOOTHING_MEANS : smoothingAngle;
  const int cornerCount = 3 * tris->count;
  PositionCorners around = {NULL, NULL};
  Vector3 *faceNormals = static_cast<Vector3 *>(WorkAlloc(static_cast<size_t>(tris->count), sizeof(Vector3)));
  int *stamp = static_cast<int *>(WorkAlloc(static_cast<size_t>(tris->count), sizeof(int)));
  int *members = static_cast<int *>(WorkAlloc(static_cast<size_t>(cornerCount), sizeof(int)));
  Vector3 *groups = static_cast<Vector3 *>(WorkAlloc(static_cast<size_t>(cornerCount), sizeof(Vector3)));
  if (!faceNormals || !stamp || !members || !BuildPositionCorners(tris, mesh->positionCount, &around)) {
    FreeWalk(&around, faceNormals, stamp, members, groups);
    return WriteLogLine("Read Model Convert Error : 関係する面の情報を格納するメモリの確保に失敗しました\n");
  }
  if (!groups) {
    FreeWalk(&around, faceNormals, stamp, members, groups);
    return WriteLogLine("Read Model Convert Error : 法線自動作成処理で格納する法線のメモリの確保に失敗しました\n");
  }
  for (int t = 0; t < tris->count; t++) {
    const Vector3 &p0 = mesh->positions[tris->position[3 * t]];
    const Vector3 &p1 = mesh->positions[tris->position[3 * t + 1]];
    const Vector3 &p2 = mesh->positions[tris->position[3 * t + 2]];
    faceNormals[t] = Unit(VectorCross(VectorDifference(p1, p0), VectorDifference(p2, p0)));
    stamp[t] = -1;
  }
  for (int c = 0; c < cornerCount; c++) tris->normal[c] = -1;
  const NormalWalk walk = {tris, &around, faceNormals, stamp, members, static_cast<float>(cos(radians))};
  int groupCount = 0;
  for (int c = 0; c < cornerCount; c++) {
    if (tris->normal[c] >= 0) continue;
    Vector3 sum;
    const int memberCount = WalkGroup(walk, c, groupCount, &sum);
    groups[groupCount] = Unit(sum);
    for (int m = 0; m < memberCount; m++) tris->normal[members[m]] = groupCount;
    groupCount++;
  }
  const bool compacted = CompactNormals(tris, groups, groupCount);
  FreeWalk(&around, faceNormals, stamp, members, groups);
  if (!compacted) {
    return WriteLogLine("Read Model Convert Error : 法線自動作成処理で格納する法線のメモリの確保に失敗しました _ 2\n");
  }
  return 0;
}

void UseMeshNormals(const ReadMesh *mesh, MeshTriangles *tris) {
  for (int c = 0; c < 3 * tris->count; c++) {
    tris->normal[c] = mesh->polygons[tris->polygon[c / 3]].normal[tris->corner[c]];
  }
}

void FreeMeshTriangles(MeshTriangles *tris) {
  VV_FREE(tris->polygon);
  VV_FREE(tris->corner);
  VV_FREE(tris->position);
  VV_FREE(tris->normal);
  VV_FREE(tris->normals);
  memset(tris, 0, sizeof(*tris));
}
