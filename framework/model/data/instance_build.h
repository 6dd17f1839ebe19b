// Building a ModelInstance over a ModelData: the whole instance, with its
// frame, mesh, material and texture instances, change sets, bone matrices
// and vertex areas, in one allocation.
#ifndef VELVANE_MODEL_INSTANCE_BUILD_H
#define VELVANE_MODEL_INSTANCE_BUILD_H

// Builds the instance into the slot instanceHandle reserved; 0, or -1 (the
// slot stays reserved and the data as it was).
int BuildModelInstance(int instanceHandle, int dataHandle);

#endif  // VELVANE_MODEL_INSTANCE_BUILD_H
