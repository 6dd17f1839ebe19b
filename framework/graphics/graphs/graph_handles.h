// Graph handles: the table, the records' life and what graphics start-up,
// shut-down and restore ask of them.
#ifndef VELVANE_GRAPHICS_GRAPH_HANDLES_H
#define VELVANE_GRAPHICS_GRAPH_HANDLES_H

struct GfxTexture;

// Graph count and highest used slot back to 0.
void ResetGraphTableCounts(void);
// A new handle with an empty record; -1 (logged) when no memory is left; a
// full table ends the process.
int AddGraphHandle(void);
// The slot after the last one that can hold a live graph (0 when none).
int GetGraphSlotLimit(void);
// The handle of the live graph in a slot, or -1.
int GetGraphHandleInSlot(int slot);
// Stores the flag pointer and sets *flag to 0; 0 / -1.
int SetGraphDeleteNotice(int handle, int *flag);
// Replaces the graph's restore source: a new one naming file (its full
// path), the one of graph from (shared), or none. 0 / -1.
int SetGraphRestoreSource(int handle, const char *file, int from);
// Refills every graph's image from its source after a device rebuild; 0.
int RestoreAllGraphs(void);
// Releases the textures of every hardware image (device loss); 0.
int ReleaseAllGraphTextures(void);
// Recreates (cleared) the textures every hardware image lacks; 0, or -1
// when one could not be made.
int CreateAllGraphTextures(void);
// The texture a graph handle draws with; null for a handle that names none.
GfxTexture *GetGraphTexture(int handle);

#endif  // VELVANE_GRAPHICS_GRAPH_HANDLES_H
