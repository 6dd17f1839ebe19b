// Gimmicks: floor tiles that push or turn a ball rolling over them.
#ifndef PELLACOR_GAME_FIELD_GIMMICKS_H
#define PELLACOR_GAME_FIELD_GIMMICKS_H

#include <vector>

#include "game/assets/model_cache.h"
#include "game/field/character.h"

class StageState;
class CAttackBase;
class CAttackManage;
class CGimmickManage;

class CGimmickBase : public CCharacter {
 public:
  virtual int OnTouch(CAttackBase *attack) = 0;

  // What the gimmicks reach; set by the stage.
  static StageState *stage;
  static CAttackManage *attacks;
  static CGimmickManage *gimmicks;
};

// A tile facing (-sin angle, cos angle), fixed or turning by spin each frame.
class CGimmickTile : public CGimmickBase {
 public:
  void Init() override;
  void Unlink() override {}
  int Update() override;
  int Draw() override;
  float GetSpin() const { return spin_; }

 protected:
  CGimmickTile(const char *modelFile, float x, float y, float angle, float spin);

 private:
  const char *modelFile_;
  ModelHolder holder_;
  float spin_;
};

// Pushes a touching attack 0.05 along its direction each frame.
class CSpeedUp : public CGimmickTile {
 public:
  CSpeedUp(float x, float y, float angle, float spin);
  int OnTouch(CAttackBase *attack) override;
};

// Sends a touching attack off along its direction at unchanged floor speed.
class CTurnabout : public CGimmickTile {
 public:
  CTurnabout(float x, float y, float angle, float spin);
  int OnTouch(CAttackBase *attack) override;
};

// The whole-degree table index of an angle in radians.
int DegreeIndex(float angle);

class CGimmickManage {
 public:
  CGimmickManage() = default;
  virtual ~CGimmickManage();
  CGimmickManage(const CGimmickManage &) = delete;
  CGimmickManage &operator=(const CGimmickManage &) = delete;

  void Add(CGimmickBase *gimmick);
  void Update();
  void TestAttacks(CGimmickBase *gimmick);
  void Draw();
  void Clear();

  const std::vector<CGimmickBase *> &Gimmicks() const { return gimmicks_; }

  StageState *stage = nullptr;
  CAttackManage *attacks = nullptr;

 private:
  std::vector<CGimmickBase *> gimmicks_;
};

#endif
