#include "graphics/graphs/graph_handles.h"

#include <stddef.h>

void ResetGraphTableCounts(void) {}

int DeleteAllGraphHandles(void) { return 0; }

int RestoreAllGraphs(void) { return 0; }

GfxTexture *GetGraphTexture(int) { return NULL; }
