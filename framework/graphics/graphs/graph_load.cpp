#include "graphics/graphs/graph_load.h"

#include <stddef.h>
#include <string.h>

#include "core/app/framework_lifecycle.h"
#include "core/debug/log.h"
#include "core/files/file_access.h"
#include "graphics/device/gfx_device.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/graphs/graph_transfer.h"
#include "sound/core/sound_services.h"

namespace {

// The decoded pair of one load; freed on every path.
struct ImagePair {
  BASEIMAGE color, alpha;
  int result;  // 0 both, 1 colour only, -1 nothing
  BASEIMAGE *Alpha() { return result == 0 ? &alpha : NULL; }
  void Free() {
    if (result >= 0) FreeBaseImage(&color);
    if (result == 0) FreeBaseImage(&alpha);
    result = -1;
  }
};

int LoadPair(ImagePair *pair, const char *path, const void *data, int size,
             const void *alphaData, int alphaSize, int fromMemory, int reverse) {
  memset(pair, 0, sizeof *pair);
  const int alphaMode = fromMemory ? (alphaData ? 1 : 2) : 0;
  pair->result = LoadImagePairToBaseImages(path, data, size, fromMemory, alphaData, alphaSize,
                                           alphaMode, &pair->color, &pair->alpha, reverse);
  return pair->result;
}

void MirrorBoth(BASEIMAGE *image, BASEIMAGE *alpha) {
  MirrorBaseImage(image);
  if (alpha) MirrorBaseImage(alpha);
}

void NormaliseFormats(BASEIMAGE *image, BASEIMAGE *alpha) {
  UpdateFillMask(&image->format);
  if (alpha) UpdateFillMask(&alpha->format);
}

int FileExists(const char *path) {
  const FileHandle file = FileAccessOpen(path, 0, 1, 0);
  if (!file) return 0;
  FileAccessClose(file);
  return 1;
}

// The settings a movie graph is made with, and what they were before.
struct MovieGraphSettings {
  int colorBits, movieFlag, singleTexture, alphaTest, systemCopy, drawTargets, targetAlpha;
};

MovieGraphSettings SaveSettings(void) {
  const DrawSettings &s = g_drawSettings;
  return MovieGraphSettings{s.newGraphColorBits, s.movieGraphFlag, GetGraphSingleTexture(),
                            s.newGraphAlphaTest, s.keepSystemMemoryCopy,
                            s.makeDrawTargetGraphs, GetDrawTargetGraphAlpha()};
}

void ApplySettings(const MovieGraphSettings &m) {
  DrawSettings &s = g_drawSettings;
  s.newGraphColorBits = m.colorBits;
  s.movieGraphFlag = m.movieFlag;
  SetGraphSingleTexture(m.singleTexture);
  s.newGraphAlphaTest = m.alphaTest;
  s.keepSystemMemoryCopy = m.systemCopy;
  s.makeDrawTargetGraphs = m.drawTargets;
  SetDrawTargetGraphAlpha(m.targetAlpha);
}

int MakeMovieGraph(const char *path, int movieMode) {
  int width = 0, height = 0;
  const int movie = OpenMovie(path, &width, &height, movieMode);
  if (movie < 0) {
    return WriteLogLineFormat("右記のグラフィックファイルのロードに失敗しました：%s \n", path);
  }
  const MovieRecord *record = LookupMovieRecord(movie);
  const int alphaHalf = record && record->alphaInRightHalf ? 1 : 0;
  const MovieGraphSettings saved = SaveSettings();
  const int screenBits = GetScreenColorBits();
  // An alpha movie makes an alpha draw target (index 13, or an alpha MEMIMG).
  ApplySettings(MovieGraphSettings{screenBits ? screenBits : 16, 1, 1, 0, 1, 1, alphaHalf});
  const int handle = AddGraphHandle();
  const int made =
      handle < 0 ? -1 : CreateSharedGraphImage(-1, handle, width, height, alphaHalf, 0, 0);
  ApplySettings(saved);
  if (made < 0) {
    DeleteMovieHandle(movie);
    return WriteLogLineFormat(
        "右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", path);
  }
  GetGraphRecord(handle)->movieHandle = movie;
  SetMovieFrameCallback(movie, TransferMovieFrameToGraph, handle);
  return handle;
}

// The left half (colour) or right half (alpha) of a frame, as a view.
BASEIMAGE HalfOf(const BASEIMAGE *frame, int right) {
  BASEIMAGE half = *frame;
  half.width = frame->width / 2;
  if (right) {
    half.pixels = static_cast<uint8_t *>(frame->pixels) +
                  static_cast<ptrdiff_t>(half.width) * frame->format.bytesPerPixel;
  }
  half.mipCount = 0;
  return half;
}

void ReleaseCells(const int *handles, int made, int whole) {
  for (int i = 0; i < made; i++) DeleteGraphHandle(handles[i]);
  DeleteGraphHandle(whole);
}

}  // namespace

int LoadGraphFromFile(const char *path, int flag) { return LoadGraphOrMovie(path, !flag, 0, 0); }

int LoadGraphOrMovie(const char *path, int textureFlag, int reverse, int movieMode) {
  if (!IsGraphicsStarted() || !path) return -1;
  WaitWhileInactive();
  ImagePair pair;
  if (LoadPair(&pair, path, NULL, 0, NULL, 0, 0, reverse) >= 0) {
    int handle = MakeGraphFromBaseImages(&pair.color, pair.Alpha(), textureFlag, reverse, 0);
    if (handle != -1 && SetGraphRestoreSource(handle, path, -1) < 0) {
      DeleteGraphHandle(handle);
      handle = -1;
    }
    // A restore loads the file again with the reversal it was loaded with.
    if (handle != -1) GetGraphRecord(handle)->reverse = reverse;
    pair.Free();
    return handle;
  }
  if (!FileExists(path)) return WriteLogLineFormat("グラフィックファイル %s がありません", path);
  return MakeMovieGraph(path, movieMode);
}

int LoadDividedGraph(const char *path, int count, int columns, int rows, int cellWidth,
                     int cellHeight, int *handles, int flag) {
  return LoadDividedGraphEx(path, count, columns, rows, cellWidth, cellHeight, handles, !flag, 0);
}

int LoadDividedGraphEx(const char *path, int count, int columns, int rows, int cellWidth,
                       int cellHeight, int *handles, int textureFlag, int reverse) {
  if (!IsGraphicsStarted() || !path) return -1;
  WaitWhileInactive();
  ImagePair pair;
  if (LoadPair(&pair, path, NULL, 0, NULL, 0, 0, reverse) < 0) {
    return WriteLogLineFormat("右記のグラフィックファイルのロードに失敗しました：%s", path);
  }
  int result = CreateDivGraphFromGraphImage(&pair.color, pair.Alpha(), count, columns, rows,
                                            cellWidth, cellHeight, handles, textureFlag,
                                            reverse, 0);
  for (int i = 0; result == 0 && i < count; i++) {
    GetGraphRecord(handles[i])->reverse = reverse;
    if (SetGraphRestoreSource(handles[i], path, -1) < 0) {
      for (int j = 0; j < count; j++) DeleteGraphHandle(handles[j]);
      result = -1;
    }
  }
  pair.Free();
  return result;
}

int CreateDivGraphFromGraphImage(BASEIMAGE *image, BASEIMAGE *alpha, int count, int columns,
                                 int rows, int cellWidth, int cellHeight, int *handles,
                                 int textureFlag, int reverse, int flip) {
  if (!image || !handles || count < 1 || columns < 1 || rows < 1 || cellWidth < 1 ||
      cellHeight < 1) {
    return -1;
  }
  const int whole = MakeGraphFromBaseImages(image, alpha, textureFlag, reverse, flip);
  if (whole < 0) return -1;
  int made = 0;
  for (int row = 0; row < rows && made < count; row++) {
    for (int column = 0; column < columns && made < count; column++) {
      // Reversed pictures are mirrored whole: cell j of a row starts at
      // W - (j + 1) w, so the cells keep the unmirrored order.
      const int x = reverse ? image->width - (column + 1) * cellWidth : column * cellWidth;
      const int cell = CreateSubGraph(x, row * cellHeight, cellWidth, cellHeight, whole);
      if (cell <= 0) {
        WriteLogLine("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
        ReleaseCells(handles, made, whole);
        return -1;
      }
      handles[made++] = cell;
    }
  }
  DeleteGraphHandle(whole);
  return 0;
}

int LoadGraphFromMemory(const void *data, int size, const void *alphaData, int alphaSize,
                        int textureFlag, int reverse) {
  if (!IsGraphicsStarted()) return -1;
  ImagePair pair;
  if (LoadPair(&pair, NULL, data, size, alphaData, alphaSize, 1, reverse) < 0) return -1;
  const int handle = MakeGraphFromBaseImages(&pair.color, pair.Alpha(), textureFlag, reverse, 0);
  pair.Free();
  return handle;
}

int ReloadGraphFromMemory(const void *data, int size, int handle, const void *alphaData,
                          int alphaSize, int textureFlag, int reverse) {
  if (!IsGraphicsStarted()) return -1;
  ImagePair pair;
  if (LoadPair(&pair, NULL, data, size, alphaData, alphaSize, 1, reverse) < 0) return -1;
  const int result =
      RemakeGraphFromBaseImages(&pair.color, pair.Alpha(), handle, textureFlag, reverse, 0);
  pair.Free();
  return result;
}

int MakeGraphFromBaseImages(BASEIMAGE *image, BASEIMAGE *alpha, int, int reverse, int flip) {
  if (!image) return -1;
  NormaliseFormats(image, alpha);
  const bool mirror = reverse == 1 && flip == 1;
  if (mirror) MirrorBoth(image, alpha);
  int handle = MakeGraphForBaseImage(image, alpha);
  if (handle != -1 && ReloadGraphFromBaseImages(image, alpha, 0, 0, handle, 0, NULL) < 0) {
    DeleteGraphHandle(handle);
    handle = -1;
  }
  if (mirror) MirrorBoth(image, alpha);
  return handle;
}

int RemakeGraphFromBaseImages(BASEIMAGE *image, BASEIMAGE *alpha, int handle, int, int reverse,
                              int flip) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!image || !graph || graph->width != image->width || graph->height != image->height ||
      (alpha && (alpha->width != image->width || alpha->height != image->height))) {
    return -1;
  }
  NormaliseFormats(image, alpha);
  const bool mirror = reverse == 1 && flip == 1;
  if (mirror) MirrorBoth(image, alpha);
  const Rect whole = {0, 0, image->width, image->height};
  const int result = TransferImageToGraph(handle, &whole, 0, 0, image, alpha,
                                          g_drawSettings.colorKeyNotApplied ? 0 : 1, 0);
  if (mirror) MirrorBoth(image, alpha);
  return result;
}

int MakeGraphFromBaseImage(BASEIMAGE *image) { return MakeGraphFromBaseImages(image, NULL, 1, 0, 1); }

int RemakeGraphFromBaseImage(BASEIMAGE *image, int handle) {
  return RemakeGraphFromBaseImages(image, NULL, handle, 1, 0, 0);
}

int TransferMovieFrameToGraph(MovieRecord *movie, int handle) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!movie || !graph || !graph->image) return -1;
  if (movie->theora) {
    if (graph->image->hardware && GetTheoraYuvSurface(movie->theora) && graph->pieceCount > 0) {
      FetchTheoraFrame(movie->theora, 0, 1);
      GfxDevice *device = GetGfxDevice();
      GfxSurface *yuv = static_cast<GfxSurface *>(GetTheoraYuvSurface(movie->theora));
      return device && device->StretchRect(yuv, NULL, graph->pieces[0].entry->surface, NULL) >= 0
                 ? 0
                 : -1;
    }
    FetchTheoraFrame(movie->theora, 1, 0);
  }
  const BASEIMAGE *frame = movie->frame;
  if (!frame || !frame->pixels) return -1;
  if (movie->alphaInRightHalf) {
    const BASEIMAGE color = HalfOf(frame, 0), alpha = HalfOf(frame, 1);
    const Rect area = {0, 0, color.width, color.height};
    return TransferImageToGraph(handle, &area, 0, 0, &color, &alpha, 0, 0);
  }
  const Rect area = {0, 0, frame->width, frame->height};
  return TransferImageToGraph(handle, &area, 0, 0, frame, NULL, 0, 0);
}
