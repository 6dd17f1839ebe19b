#include "game/stage_state.h"

#include "game/field/attacks.h"
#include "game/input/key_manage.h"

namespace {
constexpr int kRightButton = 1;
}

void StageState::LaunchBall(float x, float y, float angle) {
  if (keys->mouseCounts[kRightButton] != 1) return;
  CAttackBase::attacks->Add(new CBall(x, y, angle));
  ballsInHand -= 1;
}
