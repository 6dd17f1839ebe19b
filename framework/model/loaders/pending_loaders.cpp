// Model formats whose readers are still to come: each refuses every file
// silently, so LoadModel goes on to the next.
#include "model/loaders/model_load_param.h"

int LoadNativeModel(const ModelLoadParam *) { return -1; }

int LoadXModel(const ModelLoadParam *) { return -1; }

int LoadPmdModel(const ModelLoadParam *) { return -1; }

int LoadVmdModel(const ModelLoadParam *) { return -1; }
