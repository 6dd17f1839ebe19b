// Graphics started on the recording fake with hand-built device graphs, and
// readers of what the batch holds after a draw.
#ifndef VELVANE_TESTS_DRAW_FIXTURE_H
#define VELVANE_TESTS_DRAW_FIXTURE_H

#include <string.h>

#include <memory>
#include <vector>

#include "graphics/draw/draw_settings.h"
#include "graphics/draw_calls/draw_paths.h"
#include "core/base/core_state.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/state_fixture.h"
#include "graphics/state/vertex_batch.h"

// A device graph of one row of texture columns: each column width becomes
// one piece on a texture of the next power of two (at least 8).
struct TestGraph {
  SharedGraphImage image = {};
  std::vector<GraphTextureEntry> entries;
  std::vector<GraphPiece> pieces;
  GraphRecord record = {};
};

inline int TextureSide(int n) {
  int side = 8;
  while (side < n) side *= 2;
  return side;
}

inline std::unique_ptr<TestGraph> MakeDeviceGraph(int height, std::vector<int> columns,
                                                  int alphaTest = 1) {
  std::unique_ptr<TestGraph> g(new TestGraph);
  g->image.referenceCount = 1;
  g->image.hardware = 1;
  g->image.alphaTest = static_cast<uint8_t>(alphaTest);
  g->entries.resize(columns.size());
  g->pieces.resize(columns.size());
  int x = 0;
  for (size_t i = 0; i < columns.size(); i++) {
    GraphTextureEntry &e = g->entries[i];
    e = GraphTextureEntry{};
    // A distinct address per entry stands for its texture.
    e.videoTexture = reinterpret_cast<GfxTexture *>(&g->entries[i]);
    e.x = x;
    e.usedWidth = columns[i];
    e.usedHeight = height;
    e.textureWidth = TextureSide(columns[i]);
    e.textureHeight = TextureSide(height);
    GraphPiece &p = g->pieces[i];
    p = GraphPiece{};
    p.destX = x;
    p.width = columns[i];
    p.height = height;
    const float x0 = static_cast<float>(x), x1 = static_cast<float>(x + columns[i]);
    const float u1 = static_cast<float>(columns[i]) / e.textureWidth;
    const float v1 = static_cast<float>(height) / e.textureHeight;
    p.corners[QUAD_TL] = GraphPieceCorner{x0, 0, 0, 0};
    p.corners[QUAD_TR] = GraphPieceCorner{x1, 0, u1, 0};
    p.corners[QUAD_BL] = GraphPieceCorner{x0, static_cast<float>(height), 0, v1};
    p.corners[QUAD_BR] = GraphPieceCorner{x1, static_cast<float>(height), u1, v1};
    p.entry = &e;
    x += columns[i];
  }
  g->record.width = x;
  g->record.height = height;
  g->record.movieHandle = -1;
  g->record.image = &g->image;
  g->record.pieceCount = static_cast<int>(columns.size());
  g->record.pieces = g->pieces.data();
  return g;
}

// One queued vertex, whatever the layout.
struct QueuedVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
  float blendU, blendV;
};

inline std::vector<QueuedVertex> QueuedVertices(void) {
  std::vector<QueuedVertex> out;
  const VertexBatch &b = g_vertexBatch;
  const uint8_t *base = b.storage[b.kind * 3 + b.subKind];
  for (int i = 0; i < b.count; i++) {
    QueuedVertex q = {};
    if (b.kind == BATCH_KIND_3D) {
      const Vertex3DTex &v = reinterpret_cast<const Vertex3DTex *>(base)[i];
      q = QueuedVertex{v.x, v.y, v.z, 0, v.diffuse, v.u, v.v, 0, 0};
    } else if (b.subKind == BATCH_BLEND_TEXTURED) {
      const Vertex2DBlend &v = reinterpret_cast<const Vertex2DBlend *>(base)[i];
      q = QueuedVertex{v.x, v.y, v.z, v.rhw, v.diffuse, v.u, v.v, v.blendU, v.blendV};
    } else if (b.subKind == BATCH_TEXTURED) {
      const Vertex2DTex &v = reinterpret_cast<const Vertex2DTex *>(base)[i];
      q = QueuedVertex{v.x, v.y, v.z, v.rhw, v.diffuse, v.u, v.v, 0, 0};
    } else {
      const Vertex2D &v = reinterpret_cast<const Vertex2D *>(base)[i];
      q = QueuedVertex{v.x, v.y, v.z, v.rhw, v.diffuse, 0, 0, 0, 0};
    }
    out.push_back(q);
  }
  return out;
}

// A test graph entered in the graph table under a handle of its own; the
// hand-made parts are taken back before the handle goes.
class TableGraph {
 public:
  explicit TableGraph(std::unique_ptr<TestGraph> graph) : graph_(std::move(graph)) {
    handle = AddGraphHandle();
    GraphRecord *r = GetGraphRecord(handle);
    graph_->image.referenceCount = 1000;
    r->image = &graph_->image;
    r->width = graph_->record.width;
    r->height = graph_->record.height;
    r->pieceCount = graph_->record.pieceCount;
    r->pieces = graph_->record.pieces;
  }
  ~TableGraph() {
    GraphRecord *r = GetGraphRecord(handle);
    if (!r) return;
    r->image = nullptr;
    r->pieces = nullptr;
    r->pieceCount = 0;
    DeleteGraphHandle(handle);
  }
  TestGraph &parts() { return *graph_; }
  int handle = -1;

 private:
  std::unique_ptr<TestGraph> graph_;
};

class DrawFixture : public StateFixture {
 protected:
  void SetUp() override {
    StateFixture::SetUp();
    SetFrameworkInitialised(1);
    FlushVertexBatch();
    device.calls.clear();
  }
  // The last drawn vertices, then those still queued: a piece on another
  // texture, or a state change, draws what was queued before it.
  std::vector<QueuedVertex> DrawnThenQueued() {
    std::vector<QueuedVertex> all;
    const bool blend = g_vertexBatch.subKind == BATCH_BLEND_TEXTURED;
    const size_t stride = blend ? sizeof(Vertex2DBlend) : sizeof(Vertex2DTex);
    for (size_t at = 0; at + stride <= device.lastVertices.size(); at += stride) {
      Vertex2DBlend b;
      Vertex2DTex v;
      if (blend) {
        memcpy(&b, device.lastVertices.data() + at, stride);
        v = Vertex2DTex{b.x, b.y, b.z, b.rhw, b.diffuse, b.u, b.v};
      } else {
        memcpy(&v, device.lastVertices.data() + at, stride);
      }
      all.push_back(QueuedVertex{v.x, v.y, v.z, v.rhw, v.diffuse, v.u, v.v, 0, 0});
    }
    const auto queued = QueuedVertices();
    all.insert(all.end(), queued.begin(), queued.end());
    return all;
  }
};

#endif  // VELVANE_TESTS_DRAW_FIXTURE_H
