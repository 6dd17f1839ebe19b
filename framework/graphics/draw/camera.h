// Camera, projection and the combined matrices of 3-D drawing, kept in the
// draw settings: world, view (the camera), projection and viewport (the
// draw target's pixel mapping).
#ifndef VELVANE_GRAPHICS_CAMERA_H
#define VELVANE_GRAPHICS_CAMERA_H

#include "velvane.h"

// The view and projection as the caller gives them: flushed, stored, the
// combined matrices recomputed and, with a device, sent; 0.
int SetViewMatrix(const Matrix4x4 *m);
int SetProjectionMatrix(const Matrix4x4 *m);
int SetProjectionAdjustMatrix(const Matrix4x4 *m);
// The world matrix of the next 3-D draws; 0.
int SetWorldMatrix(const Matrix4x4 *m);
// Camera angles from the view matrix (vertical and horizontal rotation,
// twist).
void UpdateCameraAngles(void);
// Projection kinds: field of view, near and far planes, a given matrix; 0.
int SetCameraFieldOfView(float fov);
int SetCameraNearFar(float zNear, float zFar);
int SetProjectionMatrixDirect(const Matrix4x4 *m);
// Rebuilds the projection for the draw target's aspect and sends it; 0.
int RefreshProjectionMatrix(void);
// view x projection x viewport and world x that, unless up to date.
void UpdateCombinedMatrices(void);
// The screen point (x, y) and depth z of a world point.
Vector3 WorldToScreen(Vector3 p);
// The device projection: projection x adjust x the matrix that maps the
// whole draw target into the clip rectangle's viewport.
void SendDeviceProjection(void);
// The size of the current draw target (-3 and -5 are the back buffer).
void GetDrawTargetSize(int *width, int *height);

#endif  // VELVANE_GRAPHICS_CAMERA_H
