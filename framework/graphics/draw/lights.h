// Light handles (kind 9): fixed-function lights numbered onto the device
// before lit drawing, with one default light that lives as long as
// graphics does.
#ifndef VELVANE_GRAPHICS_LIGHTS_H
#define VELVANE_GRAPHICS_LIGHTS_H

#include "velvane.h"

enum { LIGHT_TABLE_SLOTS = 4096 };

// A new point light (diffuse and specular white, ambient 0.33, range 2000,
// attenuation 0.1); -1 when the table is full.
int CreateLightHandle(void);
// A new directional light along direction (normalised); -1 when full.
int CreateDirectionalLight(Vector3 direction);
// The light's diffuse colour (alpha 0); 0, or -1 for a bad handle.
int SetLightDiffuse(int handle, ColorF color);
int SetDefaultLightDiffuse(ColorF color);
// Deletes one light; 0 / -1.
int DeleteLightHandle(int handle);
// Deletes every light except the default one; 0.
int DeleteAllLightHandles(void);
// Deletes every light and the default one (graphics shut-down); 0.
int EndLightSystem(void);
// Makes the default light (directional, (1, -1, 1)) when there is none; 0.
int CreateDefaultLight(void);
// Lighting on or off for lit draws; 0.
int SetLightingEnabled(int on);
// Sends the lighting switch and numbers the enabled lights onto the device
// (directional, spot, point, each in table order) when any changed; 0.
int UpdateDeviceLights(void);
// The device index a light was last sent at (-1 none), or -2 for a bad
// handle.
int GetLightDeviceIndex(int handle);

#endif  // VELVANE_GRAPHICS_LIGHTS_H
