// Attacks: the ball and the bomb blast, the things that damage blocks.
#ifndef PELLACOR_GAME_FIELD_ATTACKS_H
#define PELLACOR_GAME_FIELD_ATTACKS_H

#include <stdint.h>

#include <vector>

#include "game/assets/model_cache.h"
#include "game/assets/sprite_strip.h"
#include "game/field/character.h"

class StageState;
class CEnemyBase;
class CEnemyManage;
class CPlayer;
class CPlayerManage;
class CAttackManage;

class CAttackBase : public CCharacter {
 public:
  // Nonzero stops the block test of this attack for the frame.
  virtual int OnHitBlock(CEnemyBase *block) = 0;
  virtual int OnHitPaddle(CPlayer *paddle) = 0;

  // What the attacks reach; set by the stage.
  static StageState *stage;
  static CPlayerManage *players;
  static CAttackManage *attacks;
  static CEnemyManage *enemies;
};

// Touch flags: the block faces a ball touched since its last update.
enum BallTouch : uint8_t {
  TOUCH_LOW_X = 1,
  TOUCH_LOW_Y = 2,
  TOUCH_HIGH_X = 4,
  TOUCH_HIGH_Y = 8,
  TOUCH_ALL = 15
};

class CBall : public CAttackBase {
 public:
  // Two units per frame across a paddle turned by angle.
  CBall(float x, float y, float angle);

  void Init() override;
  void Unlink() override {}
  int Update() override;
  int Draw() override;
  // Moves, then keeps inside the field, turning back at its edges.
  void MoveBy(float ax, float ay, float az) override;
  int OnHitBlock(CEnemyBase *block) override;
  int OnHitPaddle(CPlayer *paddle) override;
  // Bounces off the paddle's bar (this or the previous frame's) or is pushed
  // by its move; false when the paddle does not meet the path.
  bool BounceOffPaddle(CPlayer *paddle, const Segment2D &path, const Segment2D &bar);

  uint8_t GetTouchFlags() const { return touch_; }
  float GetReturnX() const { return returnX_; }
  float GetReturnY() const { return returnY_; }

 private:
  void Reflect(const Segment2D &path, const Segment2D &wall, const float point[2]);

  ModelHolder holder_;
  float previousX_ = 0.0f, previousY_ = 0.0f;
  float returnX_ = 0.0f, returnY_ = 0.0f;
  uint8_t touch_ = 0;
};

// A blast left by a bomb block: damages what it overlaps in its first frame.
class CBom : public CAttackBase {
 public:
  CBom(float x, float y, float z);

  void Init() override {}
  void Unlink() override {}
  int Update() override;
  int Draw() override;
  int OnHitBlock(CEnemyBase *block) override;
  int OnHitPaddle(CPlayer *) override { return 0; }

  const SpriteStrip &Strip() const { return strip_; }

 private:
  SpriteStrip strip_;
};

class CAttackManage {
 public:
  CAttackManage() = default;
  virtual ~CAttackManage();
  CAttackManage(const CAttackManage &) = delete;
  CAttackManage &operator=(const CAttackManage &) = delete;

  void Add(CAttackBase *attack);
  void Update();
  void TestPaddles(CAttackBase *attack);
  void TestBlocks(CAttackBase *attack);
  void Draw();
  void Clear();

  const std::vector<CAttackBase *> &Attacks() const { return attacks_; }

  CPlayerManage *players = nullptr;
  StageState *stage = nullptr;
  CEnemyManage *enemies = nullptr;

 private:
  std::vector<CAttackBase *> attacks_;
};

#endif
