// The support calls beside the draw paths. Model drawing sends its own
// stage sets between 2-D draws; the cache then no longer describes what a
// 2-D draw wants, so the next one is made to choose its states afresh.
#include "graphics/draw_calls/draw_support.h"

#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

int SetDeviceMaterial(const GfxMaterial *material) { return SendDeviceMaterial(material); }

int ApplyDrawStateRecord(const TextureStageSet *record, int stageTexturesAreGraphs,
                         int textureFactor) {
  FlushVertexBatch();
  ApplyBlendStates(stageTexturesAreGraphs, record, textureFactor);
  g_stateCache.blendPending = 1;
  g_stateCache.texturePending = 1;
  return 0;
}

int SetTextureStageSet(int count, int apply, const TextureStageSet *stages) {
  if (count < 0 || count > CACHE_STAGES) return -1;
  if (!StateDevice()) return 0;
  if (!apply || !stages) return SetUserTextureStageSet(NULL, 0);
  TextureStageSet set = *stages;
  set.stageCount = count;
  return SetUserTextureStageSet(&set, set.textureFactor);
}
