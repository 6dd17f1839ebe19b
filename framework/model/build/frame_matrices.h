// The frames' default matrices and the change-bit descriptors of a
// finished ModelData.
#ifndef VELVANE_MODEL_FRAME_MATRICES_H
#define VELVANE_MODEL_FRAME_MATRICES_H

#include "model/data/model_data.h"

// Each frame's transform kind, local matrix (from translation, scale,
// rotation and rotation order), world matrix and its inverse.
void BuildFrameMatrices(ModelData *data);
// Lays out the bits of the instance change sets: bit 0 the instance, then
// per frame in frame order its bit (and in the draw set its meshes' bits);
// each frame's run covers its subtree. Frames must come parent first with
// every subtree contiguous. Mask words come from the data's chain; 0, or -1
// for frames out of order or no memory.
int AssignModelChangeBits(ModelData *data);

#endif  // VELVANE_MODEL_FRAME_MATRICES_H
