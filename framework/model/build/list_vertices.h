// Triangle-list vertex data in the layout of the list's skinning kind, made
// from the mesh vertices and the frame's positions and normals, and the
// outline index list of toon lists.
#ifndef VELVANE_MODEL_LIST_VERTICES_H
#define VELVANE_MODEL_LIST_VERTICES_H

#include "model/data/model_data.h"

// Bytes per vertex of the list's kind (0 for a kind that is not drawn).
int ListVertexSize(const ModelTriangleList *list);
// Writes the list's vertex data into list->vertices; 0, or -1 when an index
// or bone of the data points outside its arrays (nothing is written then
// beyond the vertices before it).
int FillListVertices(ModelTriangleList *list);
// The same into the instance's own vertex area.
int FillInstanceListVertices(TriangleListInstance *listInstance);
// Copies the triangles none of whose vertices has the no-outline flag into
// list->outlineIndices (room for indexCount entries); the count, also
// recorded in outlineIndexCount.
int BuildOutlineIndices(ModelTriangleList *list);

#endif  // VELVANE_MODEL_LIST_VERTICES_H
