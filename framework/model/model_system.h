// The model system's lifecycle inside the framework's start-up and
// shut-down. It runs only on the Direct3D path.
#ifndef VELVANE_MODEL_MODEL_SYSTEM_H
#define VELVANE_MODEL_MODEL_SYSTEM_H

// 0 always.
int VLMStartModelSystem(void);
// 0 always.
int VLMEndModelSystem(void);

#endif  // VELVANE_MODEL_MODEL_SYSTEM_H
