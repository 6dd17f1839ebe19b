// Graph handles: what graphics start-up and shut-down ask of them.
#ifndef VELVANE_GRAPHICS_GRAPH_HANDLES_H
#define VELVANE_GRAPHICS_GRAPH_HANDLES_H

struct GfxTexture;

// Graph count and highest used slot back to 0.
void ResetGraphTableCounts(void);
// Deletes every graph handle; 0.
int DeleteAllGraphHandles(void);
// Refills every graph's image from its source after a device rebuild; 0.
int RestoreAllGraphs(void);
// The texture a graph handle draws with; null for a handle that names none.
GfxTexture *GetGraphTexture(int handle);

#endif  // VELVANE_GRAPHICS_GRAPH_HANDLES_H
