// The triangles of one intermediate mesh: its polygons fanned into
// triangles, and smoothed corner normals where the mesh brings none.
#ifndef VELVANE_MODEL_MESH_TRIANGLES_H
#define VELVANE_MODEL_MESH_TRIANGLES_H

#include <stdint.h>

#include "model/read/read_model.h"

// Working memory of the converter (memory-manager blocks, freed by
// FreeMeshTriangles). Triangle t has corners 3t .. 3t + 2.
struct MeshTriangles {
  int count;
  int *polygon;     // per triangle: the polygon it was cut from
  uint8_t *corner;  // per corner: the corner number within the polygon
  int *position;    // per corner: position index
  int *normal;      // per corner: index into normals (or the mesh's own)
  Vector3 *normals;  // built normals, compacted in order of first use
  int normalCount;
};

// Triangle count of a polygon of cornerCount corners.
inline int PolygonTriangleCount(int cornerCount) { return cornerCount - 2; }

// Cuts every polygon of the mesh (validated: 3 to 32 corners) into
// triangles: first each polygon's (c0, c1, cn-1), then the further
// triangles of every polygon in polygon order, made in pairs from both ends.
// Corners 1 and 2 are swapped when reverse is set. 0, or -1 (logged).
int TriangulateMesh(const ReadMesh *mesh, int reverse, MeshTriangles *out);

// Smoothed normals: corners around one position share the normalised sum
// of the face normals that a walk across shared edges reaches while
// neighbouring face normals meet at no more than the smoothing angle (0
// means 89.5 degrees). Where more than two triangles share an edge the walk
// takes the closest face normal, ties by triangle order. 0, or -1 (logged).
int BuildMeshNormals(const ReadMesh *mesh, float smoothingAngle, MeshTriangles *tris);

// Keeps the mesh's own normal indices for every corner.
void UseMeshNormals(const ReadMesh *mesh, MeshTriangles *tris);

void FreeMeshTriangles(MeshTriangles *tris);

#endif  // VELVANE_MODEL_MESH_TRIANGLES_H
