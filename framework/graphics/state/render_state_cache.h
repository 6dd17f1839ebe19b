// The render-state cache: every device state last sent. Device start-up and
// shut-down call these steps.
#ifndef VELVANE_GRAPHICS_RENDER_STATE_CACHE_H
#define VELVANE_GRAPHICS_RENDER_STATE_CACHE_H

// Seeds the cache and the vertex batch after graphics start-up and sends
// the matching states; 0.
int SetupDeviceStates(void);
// A new device knows no scene and no shader: the cache forgets both.
void ForgetSceneAndShaderState(void);
// The cache's two alpha settings of a new device (255).
void SetDeviceAlphaDefaults(void);
// Closes an open scene; 0.
int EndDeviceScene(void);

#endif  // VELVANE_GRAPHICS_RENDER_STATE_CACHE_H
