#include "graphics/graphs/graph_handles.h"

#include <new>
#include <stddef.h>
#include <string.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"
#include "softrender/softrender.h"
#include "sound/core/sound_services.h"

namespace {

struct GraphTable {
  HandleTable table;
  HandleObject *slots[GRAPH_TABLE_SLOTS];
  int ready;
};

GraphTable g_graphs;

HandleTable *Table(void) {
  if (!g_graphs.ready) {
    HandleTableInit(&g_graphs.table, GRAPH_HANDLE_KIND, g_graphs.slots, GRAPH_TABLE_SLOTS);
    HandleTableSetSlotRule(&g_graphs.table, HANDLE_SLOTS_HIGHEST);
    g_graphs.ready = 1;
  }
  return &g_graphs.table;
}

GraphRecord *RecordOf(HandleObject *head) {
  if (!head) return NULL;
  return reinterpret_cast<GraphRecord *>(reinterpret_cast<char *>(head) -
                                         offsetof(GraphRecord, head));
}

void DropRestoreSource(GraphRecord *graph) {
  GraphRestoreSource *source = graph->restoreSource;
  graph->restoreSource = NULL;
  if (source && --source->referenceCount <= 0) VV_FREE(source);
}

GraphRestoreSource *NewRestoreSource(const char *file) {
  char full[PATH_BUFFER_SIZE];
  if (MakeFullPath(file, full, NULL) < 0) return NULL;
  const size_t length = strlen(full);
  GraphRestoreSource *source =
      static_cast<GraphRestoreSource *>(VV_ALLOC(sizeof(GraphRestoreSource) + length + 1));
  if (!source) return NULL;
  source->referenceCount = 1;
  source->fileName = reinterpret_cast<char *>(source + 1);
  memcpy(source->fileName, full, length + 1);
  return source;
}

}  // namespace

void ResetGraphTableCounts(void) {
  HandleTable *table = Table();
  table->liveCount = 0;
  table->nextSlot = 0;
}

int AddGraphHandle(void) {
  HandleTable *table = Table();
  if (table->liveCount >= GRAPH_TABLE_SLOTS) {
    FatalErrorExit("グラフィックの数が許容量を越えました終了します");
  }
  // Out of memory the caller gets -1 and carries on: a load failing here
  // must not take the game down with it.
  void *block = VV_ALLOC_ZEROED(sizeof(GraphRecord));
  if (!block) return WriteLogLine("メモリの確保に失敗しました");
  GraphRecord *graph = new (block) GraphRecord{};
  const int handle = HandleTableAdd(table, &graph->head);
  if (handle < 0) FatalErrorExit("グラフィックの数が許容量を越えました終了します");
  graph->checkNumber = HandleCheckOf(handle);
  return handle;
}

GraphRecord *GetGraphRecord(int handle) {
  return RecordOf(HandleTableLookup(Table(), handle));
}

int IsGraphHandleValid(int handle) { return GetGraphRecord(handle) ? 1 : 0; }

int GetGraphSlotLimit(void) { return Table()->nextSlot; }

int GetGraphHandleInSlot(int slot) {
  const GraphRecord *graph = RecordOf(HandleTableSlot(Table(), slot));
  return graph ? graph->head.handle : -1;
}

int GetGraphHandleSize(int handle, int *width, int *height) {
  int w = 0, h = 0;
  if (handle <= -2 && handle >= -5) {
    GetScreenSizeSetting(&w, &h);
  } else {
    const GraphRecord *graph = GetGraphRecord(handle);
    if (!graph) return -1;
    w = graph->width;
    h = graph->height;
  }
  if (width) *width = w;
  if (height) *height = h;
  return 0;
}

int DeleteGraphHandle(int handle) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  // The device must not keep drawing into a texture about to go.
  if (handle == GetDrawTarget()) SetDrawTarget(DRAW_TARGET_BACK);
  if (graph->movieHandle != -1) DeleteMovieHandle(graph->movieHandle);
  if (MemImgIsValid(&graph->memImage)) MemImgRelease(&graph->memImage);
  if (graph->image) ReleaseSharedGraphImage(graph->image);
  graph->image = NULL;
  VV_FREE(graph->sideBuffers[0]);
  VV_FREE(graph->sideBuffers[1]);
  VV_FREE(graph->pieces);
  DropRestoreSource(graph);
  HandleTableRemove(Table(), handle);
  if (graph->deletedNotice) *graph->deletedNotice = 1;
  VV_FREE(graph);
  return 0;
}

int DeleteAllGraphHandles(void) {
  if (!IsGraphicsStarted()) return 0;
  for (int slot = GetGraphSlotLimit() - 1; slot >= 0; slot--) {
    const int handle = GetGraphHandleInSlot(slot);
    if (handle != -1) DeleteGraphHandle(handle);
  }
  return 0;
}

int SetGraphDeleteNotice(int handle, int *flag) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  graph->deletedNotice = flag;
  if (flag) *flag = 0;
  return 0;
}

int SetGraphRestoreSource(int handle, const char *file, int from) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  GraphRestoreSource *source = NULL;
  if (file) {
    source = NewRestoreSource(file);
    if (!source) {
      return WriteLogLine(
          "転送する画像ファイルのファイル名を保存するメモリ領域の確保に失敗しました\n");
    }
  } else if (from != -1) {
    const GraphRecord *other = GetGraphRecord(from);
    if (other && other->restoreSource) {
      source = other->restoreSource;
      source->referenceCount++;
    }
  }
  DropRestoreSource(graph);
  graph->restoreSource = source;
  return 0;
}

GfxTexture *GetGraphTexture(int handle) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!graph || graph->pieceCount <= 0 || !graph->pieces[0].entry) return NULL;
  return graph->pieces[0].entry->videoTexture;
}
