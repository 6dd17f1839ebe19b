#include "graphics/graphs/graph_handles.h"

void ResetGraphTableCounts(void) {}

int DeleteAllGraphHandles(void) { return 0; }

int RestoreAllGraphs(void) { return 0; }
