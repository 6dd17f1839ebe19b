#include <stddef.h>
#include <string.h>

#include "core/debug/log.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/graphs/graph_transfer.h"

namespace {

// The images of the file restored last, kept for the next graph of the
// same file and reversal.
struct LoadedFile {
  const char *name;
  int reverse;
  int result;  // LoadImagePairToBaseImages: 0 both, 1 colour only, -1 none
  BASEIMAGE color, alpha;
};

void FreeLoaded(LoadedFile *file) {
  if (file->result >= 0) FreeBaseImage(&file->color);
  if (file->result == 0) FreeBaseImage(&file->alpha);
  file->name = NULL;
  file->result = -1;
}

// Each hardware image once, through the first graph in the table bound to it.
template <typename Action>
int ForEachHardwareImage(Action action) {
  int result = 0;
  const int limit = GetGraphSlotLimit();
  for (int slot = 0; slot < limit; slot++) {
    const GraphRecord *graph = GetGraphRecord(GetGraphHandleInSlot(slot));
    if (!graph || !graph->image || !graph->image->hardware) continue;
    bool seen = false;
    for (int other = 0; other < slot && !seen; other++) {
      const GraphRecord *before = GetGraphRecord(GetGraphHandleInSlot(other));
      seen = before && before->image == graph->image;
    }
    if (!seen && action(graph->image) < 0) result = -1;
  }
  return result;
}

}  // namespace

int ReloadGraphFromBaseImagesRect(const BASEIMAGE *color, const BASEIMAGE *alpha,
                                  const Rect *src, int destX, int destY, int handle,
                                  int reverse, const char *file) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph || !src) return -1;
  graph->sourceX = src->left;
  graph->sourceY = src->top;
  graph->reverse = reverse;
  if (file && SetGraphRestoreSource(handle, file, -1) < 0) return -1;
  return TransferImageToGraph(handle, src, destX, destY, color, alpha,
                              g_drawSettings.colorKeyNotApplied ? 0 : 1, 0);
}

int ReloadGraphFromBaseImages(const BASEIMAGE *color, const BASEIMAGE *alpha, int sourceX,
                              int sourceY, int handle, int reverse, const char *file) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  const Rect src = {sourceX, sourceY, sourceX + graph->width, sourceY + graph->height};
  return ReloadGraphFromBaseImagesRect(color, alpha, &src, 0, 0, handle, reverse, file);
}

int RestoreAllGraphs(void) {
  WriteLogLine("グラフィックを復帰します\n");
  LoadedFile loaded;
  memset(&loaded, 0, sizeof loaded);
  loaded.result = -1;
  const int limit = GetGraphSlotLimit();
  for (int slot = 0; slot < limit; slot++) {
    const int handle = GetGraphHandleInSlot(slot);
    const GraphRecord *graph = GetGraphRecord(handle);
    if (!graph || !graph->restoreSource) continue;
    const char *name = graph->restoreSource->fileName;
    if (!loaded.name || strcmp(loaded.name, name) != 0 || loaded.reverse != graph->reverse) {
      FreeLoaded(&loaded);
      loaded.result = LoadImagePairToBaseImages(name, NULL, 0, 0, NULL, 0, 0, &loaded.color,
                                                &loaded.alpha, graph->reverse);
      loaded.name = name;
      loaded.reverse = graph->reverse;
    }
    if (loaded.result < 0) {
      WriteLogLineFormat("ファイル:%s がロードできませんでした", name);
      continue;
    }
    ReloadGraphFromBaseImages(&loaded.color, loaded.result == 0 ? &loaded.alpha : NULL,
                              graph->sourceX, graph->sourceY, handle, graph->reverse, NULL);
  }
  FreeLoaded(&loaded);
  return 0;
}

int ReleaseAllGraphTextures(void) {
  return ForEachHardwareImage([](SharedGraphImage *image) { return ReleaseGraphTextures(image); });
}

int CreateAllGraphTextures(void) {
  return ForEachHardwareImage([](SharedGraphImage *image) { return CreateGraphTextures(image); });
}
