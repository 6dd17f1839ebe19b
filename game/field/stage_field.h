// The four managers of a stage's field objects, wired to the stage and
// driven in the play frame's order. Declared paddles, blocks, attacks,
// gimmicks, so the gimmicks go first when the field is destroyed.
#ifndef PELLACOR_GAME_FIELD_STAGE_FIELD_H
#define PELLACOR_GAME_FIELD_STAGE_FIELD_H

#include "game/field/attacks.h"
#include "game/field/block_manage.h"
#include "game/field/gimmicks.h"
#include "game/field/paddles.h"

class StageState;

class StageField {
 public:
  // Points the attacks and gimmicks at their managers.
  StageField();
  StageField(const StageField &) = delete;
  StageField &operator=(const StageField &) = delete;

  // Points the managers and the families at each other and at the stage.
  void Wire(StageState &stage);
  // Paddles, blocks, attacks, gimmicks.
  void Update();
  void Draw();
  // Deletes every field object; the stage keeps no main paddle.
  void Clear(StageState &stage);

  CPlayerManage players;
  CEnemyManage enemies;
  CAttackManage attacks;
  CGimmickManage gimmicks;
};

#endif
