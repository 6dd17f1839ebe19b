// Stage files: "./Script/Stage/<number>.csv", a grid of cell codes whose
// objects are handed to the field's managers.
#ifndef PELLACOR_GAME_STAGE_STAGE_LOADER_H
#define PELLACOR_GAME_STAGE_STAGE_LOADER_H

#include <stddef.h>

class StageState;
class StageField;

// Files above this size are refused like missing ones.
constexpr size_t kMaxStageFileBytes = 1 << 20;
// Columns stop growing at this layer, however long a suffix chain is.
constexpr int kMaxStageLayer = 63;

// Reads the stage of stage.stageNumber into the field, then sets the field
// rectangle, the camera, a ball in hand and the stage music; false when
// the file cannot be read.
bool LoadStage(StageState &stage, StageField &field);

#endif
