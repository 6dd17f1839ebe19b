// The model draw buffers as the device's release uses them.
#ifndef VELVANE_MODEL_DRAW_BUFFERS_H
#define VELVANE_MODEL_DRAW_BUFFERS_H

// Releases every model's device buffers; 0.
int ReleaseModelDrawBuffers(void);
// Reloads every model's textures after a device rebuild; 0.
int ReloadModelTextures(void);

#endif  // VELVANE_MODEL_DRAW_BUFFERS_H
