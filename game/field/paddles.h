// Paddles: 64-unit bars steered by the mouse, stopped by blocks; the ball
// bounces off the segment each one occupies.
#ifndef PELLACOR_GAME_FIELD_PADDLES_H
#define PELLACOR_GAME_FIELD_PADDLES_H

#include <vector>

#include "game/assets/model_cache.h"
#include "game/field/character.h"

class StageState;
class CEnemyManage;

enum PaddleType { PADDLE_MAIN = 0, PADDLE_SLIDES_Y = 1, PADDLE_SLIDES_X = 2 };

class CPlayer : public CCharacter {
 public:
  CPlayer(float x, float y, int type);

  void Init() override;
  void Unlink() override {}
  int Update() override;
  int Draw() override;
  // Moves by the step (each clamped to -32..32) and keeps inside the field.
  void MoveClamped(float stepX, float stepY);
  // Keeps the main paddle on the ball's start point, turns it by the mouse
  // and offers the stage a launch.
  void HoldBall(float startX, float startY);

  // The paddle's box turned by its angle.
  OrientedBox GetTurnedBox() const;
  // Back to the pose before the last move and the angle at the frame's start.
  void RestorePose();

  int GetType() const { return type_; }
  const Segment2D &GetSegment() const { return segment_; }
  const Segment2D &GetPreviousSegment() const { return previousSegment_; }
  bool CanHit() const { return canHit_; }
  void SetCanHit(bool canHit) { canHit_ = canHit; }
  float GetPreviousX() const { return previousX_; }
  float GetPreviousY() const { return previousY_; }

  // The stage whose input, field and balls the paddles read.
  static StageState *stage;

 private:
  void TurnByMouse();

  ModelHolder holder_;
  int type_;
  Segment2D segment_{};
  Segment2D previousSegment_{};
  bool canHit_ = true;
  float previousX_ = 0.0f, previousY_ = 0.0f, previousZ_ = 0.0f;
  float previousAngle_ = 0.0f;
};

class CPlayerManage {
 public:
  CPlayerManage() = default;
  virtual ~CPlayerManage();
  CPlayerManage(const CPlayerManage &) = delete;
  CPlayerManage &operator=(const CPlayerManage &) = delete;

  void Add(CPlayer *paddle);
  void Update();
  void Draw();
  void Clear();
  // Restores the paddle's pose when it overlaps a block; true then.
  bool CollideWithBlocks(CPlayer *paddle);

  const std::vector<CPlayer *> &Paddles() const { return paddles_; }

  StageState *stage = nullptr;
  CEnemyManage *enemies = nullptr;

 private:
  std::vector<CPlayer *> paddles_;
};

#endif
