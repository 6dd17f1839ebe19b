// Light handles as graphics shut-down uses them.
#ifndef VELVANE_GRAPHICS_LIGHTS_H
#define VELVANE_GRAPHICS_LIGHTS_H

// Deletes every light handle and the default light (forgetting its
// handle); 0.
int DeleteAllLightHandles(void);
// Sends the lighting switch and the changed lights before a lit draw; 0.
int UpdateDeviceLights(void);

#endif  // VELVANE_GRAPHICS_LIGHTS_H
