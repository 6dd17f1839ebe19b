// The bounding boxes of a model: per frame in its own space (the view test
// of drawing) and for the whole model at its build-time placement.
#ifndef VELVANE_MODEL_MODEL_BOUNDS_H
#define VELVANE_MODEL_MODEL_BOUNDS_H

#include "velvane.h"

// Computes the boxes once per model data (running the matrix update of the
// instance first); the optional outputs get the model's minimum and
// maximum. 0, or -1 for an invalid handle.
int ComputeModelBounds(int instanceHandle, Vector3 *minOut, Vector3 *maxOut);

#endif  // VELVANE_MODEL_MODEL_BOUNDS_H
