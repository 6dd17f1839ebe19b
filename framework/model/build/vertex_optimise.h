// Merging duplicate positions and mesh vertices of a finished ModelData.
#ifndef VELVANE_MODEL_VERTEX_OPTIMISE_H
#define VELVANE_MODEL_VERTEX_OPTIMISE_H

#include "model/data/model_data.h"

// Merges each frame's positions that are equal bit for bit with the same
// skin-weight list, then each mesh's vertices that are equal byte for byte;
// references are redirected and the arrays compacted. 0, or -1 (logged when
// the working memory cannot be had) with the model as it was.
int OptimiseModelVertices(ModelData *data);

#endif  // VELVANE_MODEL_VERTEX_OPTIMISE_H
