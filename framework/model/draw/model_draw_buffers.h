// The device side of model data and instances: draw buffers and the
// textures' graphs. Model data and instances call these at their final
// places; they do nothing until model drawing makes device resources.
#ifndef VELVANE_MODEL_MODEL_DRAW_BUFFERS_H
#define VELVANE_MODEL_MODEL_DRAW_BUFFERS_H

struct ModelData;
struct ModelInstance;

// Makes the data's draw buffers (and, with instanceBuffers, marks that
// instances want their own); 0.
int SetupDrawBuffers(ModelData *data, int instanceBuffers);
// Releases the data's draw buffers and those of every instance over it.
void ReleaseModelDrawBuffers(ModelData *data);
// Releases the instance's own vertex buffers.
void ReleaseInstanceBuffers(ModelInstance *instance);
// Makes the per-mesh instance buffers; 0.
int MakeInstanceBuffers(ModelInstance *instance);
// Deletes a graph made for a model texture (-1 is ignored).
void DeleteModelTextureGraph(int graphHandle);
// Releases every model's device buffers, as the device's end does; 0.
int ReleaseAllModelDrawBuffers(void);
// Makes every model's device buffers again after a device rebuild; 0.
int CreateAllModelDrawBuffers(void);
// Reloads every model's textures after a device rebuild; 0.
int ReloadModelTextures(void);

#endif  // VELVANE_MODEL_MODEL_DRAW_BUFFERS_H
