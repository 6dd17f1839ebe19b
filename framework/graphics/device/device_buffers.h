// Vertex and index buffers (handle kinds 14 and 15): the device buffers
// model drawing makes, and buffer handles whose contents are kept in system
// memory so a device rebuild can make and refill them again.
#ifndef VELVANE_GRAPHICS_DEVICE_BUFFERS_H
#define VELVANE_GRAPHICS_DEVICE_BUFFERS_H

#include "graphics/device/gfx_device.h"

enum {
  BUFFER_HANDLE_SLOTS = 16384,
  // What a buffer made without a layout is recreated with.
  BUFFER_DEFAULT_FVF = 0x2D2,
  BUFFER_DEFAULT_INDEX_FORMAT = GFX_FMT_INDEX16
};

// The device's CreateVertexBuffer and CreateIndexBuffer; null without a
// device or on failure.
GfxVertexBuffer *CreateDeviceVertexBuffer(int length, int usage, int fvf, int pool);
GfxIndexBuffer *CreateDeviceIndexBuffer(int length, int usage, int format, int pool);

// Makes a buffer handle of elementTotal elements of elementSize bytes, all
// zero; format is the FVF (vertex) or index format, 0 for the default. No
// public call makes one. The handle, or -1.
int MakeVertexBufferHandle(int elementSize, int elementTotal, int format);
int MakeIndexBufferHandle(int elementSize, int elementTotal, int format);

// -1 for a handle that is not live; else releases and frees it; 0.
int DeleteVertexBufferHandle(int handle);
int DeleteIndexBufferHandle(int handle);
// Every live handle of the kind; 0.
int DeleteAllVertexBufferHandles(void);
int DeleteAllIndexBufferHandles(void);

// Writes count elements from first into the buffer and its kept copy; 0, or
// -1 for a bad handle or range or a failed lock. Count 0 writes nothing.
int WriteVertexBuffer(int first, const void *data, int count, int handle);
int WriteIndexBuffer(int first, const void *data, int count, int handle);

// Device rebuild: every handle's device buffer released, then made again
// and refilled from its copy (a failure logs and leaves that one without a
// device buffer); 0.
int ReleaseAllDeviceBuffers(void);
int RecreateAllDeviceBuffers(void);

// What tests and the test scenes read: the device buffer, the kept copy and
// its length in bytes, and the table's highest used index + 1.
GfxVertexBuffer *GetVertexBufferDevice(int handle);
GfxIndexBuffer *GetIndexBufferDevice(int handle);
const void *GetVertexBufferCopy(int handle, int *bytes);
const void *GetIndexBufferCopy(int handle, int *bytes);
int GetVertexBufferTableEnd(void);
int GetIndexBufferTableEnd(void);

#endif  // VELVANE_GRAPHICS_DEVICE_BUFFERS_H
