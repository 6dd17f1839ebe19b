// The built-in texture-stage sets of the per-draw blend states.
#ifndef VELVANE_GRAPHICS_STAGE_SETS_H
#define VELVANE_GRAPHICS_STAGE_SETS_H

#include <stdint.h>

enum {
  BUILTIN_STAGE_SETS = 60,
  BUILTIN_SET_STAGES = 4,
  STAGE_SET_BLEND_IMAGE = 12,
  STAGE_SET_KIND_STRIDE = 24,
  // What a stage binds.
  STAGE_NONE = 0,
  STAGE_TEXTURE = 1,
  STAGE_BLEND_IMAGE = 2
};

struct BuiltinStage {
  int8_t texture;  // STAGE_NONE, STAGE_TEXTURE or STAGE_BLEND_IMAGE
  int8_t texCoordIndex;
  int16_t alphaArg1, alphaArg2, alphaOp;
  int16_t colorArg1, colorArg2, colorOp;
};

struct BuiltinStageSet {
  int stageCount;  // 0: an unused slot
  BuiltinStage stages[BUILTIN_SET_STAGES];
};

// The set at index 0-59; null outside.
const BuiltinStageSet *GetBuiltinStageSet(int index);

#endif  // VELVANE_GRAPHICS_STAGE_SETS_H
