// The draw-at-a-point call on both paths. Hardware: DrawGraphAt on a device
// that records nothing, so the figure is the call's own work (checks, state
// comparison, six vertices). Software: DrawGraphAt against the blit it
// hands the graph to, MemImgDrawImage alone, at 16 x 16 and 640 x 480 in
// 565 and 8888; the ratio of the two is printed after the table.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/fake_gfx_device.h"
#include "null_gfx_device.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "softrender/softrender.h"
#include "velvane.h"

namespace {

NullGfxDevice g_device;
FakeFrameClock g_clock;

// A graph record filled by hand: one piece on a texture, or a MEMIMG view.
struct BenchGraph {
  int handle = -1;
  SharedGraphImage image = {};
  GraphTextureEntry entry = {};
  GraphPiece piece = {};
  int textureObject = 0;
};

void StartGraphics(int hardware, int bits) {
  EndGraphicsSystem();
  SetGfxDevice(&g_device);
  SetFrameClock(&g_clock);
  SetFrameworkInitialised(0);
  StoreScreenMode(640, 480, bits, 0);
  SetUseHardwareRendering(hardware);
  StartGraphicsSystem();
  SetFrameworkInitialised(1);
}

void MakeHardwareGraph(BenchGraph *g, int w, int h) {
  g->handle = AddGraphHandle();
  GraphRecord *r = GetGraphRecord(g->handle);
  g->image.referenceCount = 1000;
  g->image.hardware = 1;
  g->image.alphaTest = 1;
  g->entry.videoTexture = reinterpret_cast<GfxTexture *>(&g->textureObject);
  g->entry.textureWidth = w;
  g->entry.textureHeight = h;
  g->piece.width = w;
  g->piece.height = h;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  g->piece.corners[0] = GraphPieceCorner{0, 0, 0, 0};
  g->piece.corners[1] = GraphPieceCorner{fw, 0, 1, 0};
  g->piece.corners[2] = GraphPieceCorner{0, fh, 0, 1};
  g->piece.corners[3] = GraphPieceCorner{fw, fh, 1, 1};
  g->piece.entry = &g->entry;
  r->image = &g->image;
  r->width = w;
  r->height = h;
  r->pieceCount = 1;
  r->pieces = &g->piece;
}

void MakeSoftwareGraph(BenchGraph *g, int w, int h, int bits) {
  g->handle = AddGraphHandle();
  GraphRecord *r = GetGraphRecord(g->handle);
  g->image.referenceCount = 1000;
  MemImgCreate(&r->memImage, w, h, -1, 0, bits == 16 ? 0 : 1, 0, 0, 0, NULL);
  for (int y = 0; y < h; y++) {
    uint8_t *row = r->memImage.pixels + y * r->memImage.base->pitch;
    for (int x = 0; x < w * (bits / 8); x++) row[x] = static_cast<uint8_t>(x * 31 + y * 7 + 1);
  }
  r->image = &g->image;
  r->width = w;
  r->height = h;
}

// The hand-made parts are not the table's to free.
void DropGraph(BenchGraph *g) {
  GraphRecord *r = GetGraphRecord(g->handle);
  if (!r) return;
  MemImgRelease(&r->memImage);
  r->image = NULL;
  r->pieces = NULL;
  r->pieceCount = 0;
  DeleteGraphHandle(g->handle);
}

void BM_DrawGraphAtHardware(benchmark::State &state) {
  StartGraphics(1, 32);
  BenchGraph g;
  MakeHardwareGraph(&g, 16, 16);
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DrawGraphAt(i & 511, (i >> 9) & 255, g.handle, 1));
    i++;
  }
  state.SetItemsProcessed(state.iterations());
  DropGraph(&g);
  EndGraphicsSystem();
}
BENCHMARK(BM_DrawGraphAtHardware);

// Software: (size, bits, through the call 1 / the blit alone 0).
void BM_SoftwareDraw(benchmark::State &state) {
  const int size = static_cast<int>(state.range(0)), bits = static_cast<int>(state.range(1));
  const bool call = state.range(2) != 0;
  StartGraphics(0, bits);
  const int w = size == 16 ? 16 : 640, h = size == 16 ? 16 : 480;
  BenchGraph g;
  MakeSoftwareGraph(&g, w, h, bits);
  MEMIMG *screen = GetSoftwareScreenImage();
  const MEMIMG *source = &GetGraphRecord(g.handle)->memImage;
  int i = 0;
  for (auto _ : state) {
    const int x = w == 16 ? (i * 37) % 600 : 0, y = w == 16 ? (i * 11) % 440 : 0;
    if (call) {
      DrawGraphAt(x, y, g.handle, 0);
    } else {
      MemImgDrawImage(screen, source, x, y, 0, NULL);
    }
    i++;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(bits) +
                 (call ? " DrawGraphAt" : " MemImgDrawImage"));
  DropGraph(&g);
  EndGraphicsSystem();
}
BENCHMARK(BM_SoftwareDraw)->ArgsProduct({{16, 640}, {16, 32}, {1, 0}});

// Prints the call-to-blit ratio of each software case after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      if (run.report_label.empty()) continue;
      const std::string label = run.report_label;
      const size_t cut = label.rfind(' ');
      rates_[label.substr(0, cut)][label.substr(cut + 1)] =
          1.0 / run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto &entry : rates_) {
      auto call = entry.second.find("DrawGraphAt"), blit = entry.second.find("MemImgDrawImage");
      if (call == entry.second.end() || blit == entry.second.end()) continue;
      printf("software %s: DrawGraphAt / MemImgDrawImage = %.3f\n", entry.first.c_str(),
             call->second / blit->second);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> rates_;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
