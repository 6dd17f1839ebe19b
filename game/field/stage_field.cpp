#include "game/field/stage_field.h"

#include "game/stage_state.h"

StageField::StageField() {
  CAttackBase::attacks = &attacks;
  CGimmickBase::gimmicks = &gimmicks;
}

void StageField::Wire(StageState &stage) {
  players.enemies = &enemies;
  players.stage = &stage;
  enemies.stage = &stage;
  attacks.enemies = &enemies;
  attacks.stage = &stage;
  attacks.players = &players;
  gimmicks.stage = &stage;
  gimmicks.attacks = &attacks;
  CEnemyBase::stage = &stage;
  CPlayer::stage = &stage;
  CAttackBase::players = &players;
  CAttackBase::enemies = &enemies;
  CAttackBase::stage = &stage;
  CGimmickBase::attacks = &attacks;
  CGimmickBase::stage = &stage;
}

void StageField::Update() {
  players.Update();
  enemies.Update();
  attacks.Update();
  gimmicks.Update();
}

void StageField::Draw() {
  players.Draw();
  enemies.Draw();
  attacks.Draw();
  gimmicks.Draw();
}

void StageField::Clear(StageState &stage) {
  players.Clear();
  attacks.Clear();
  enemies.Clear();
  gimmicks.Clear();
  stage.mainPaddle = nullptr;
}
