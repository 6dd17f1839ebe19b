// Blocks: 32-unit cubes standing in columns; each rests on the block below
// it and falls when that block goes.
#ifndef PELLACOR_GAME_FIELD_BLOCKS_H
#define PELLACOR_GAME_FIELD_BLOCKS_H

#include <stdint.h>

#include "game/assets/model_cache.h"
#include "game/field/character.h"

class StageState;

constexpr int kHardBlockKind = 100;
constexpr int kBadBlockKind = 101;

class CEnemyBase : public CCharacter {
 public:
  CEnemyBase(float x, float y, float z = 0.0f);
  ~CEnemyBase() override;

  void Unlink() override;
  // Gravity and stacking, once per frame after Update.
  virtual int Settle();
  virtual int GetKind() const;
  virtual int GetPoints() const;
  virtual bool IsBreakable() const;
  virtual void SetBelow(CEnemyBase *block);
  virtual void SetAbove(CEnemyBase *block);

  CEnemyBase *GetBelow() const { return below_; }
  CEnemyBase *GetAbove() const { return above_; }

  // The stage whose score and sounds the blocks use; set by the stage.
  static StageState *stage;

 protected:
  CEnemyBase *below_ = nullptr;
  CEnemyBase *above_ = nullptr;
  int kind_ = 0;
  int points_ = 10;
  uint8_t breakable_ = 1;
};

// A normal block of one to three hits.
class CBlock : public CEnemyBase {
 public:
  CBlock(int life, float x, float y, float z);
  void Init() override;
  int Draw() override;
  const ModelHolder &Holder() const { return holder_; }

 private:
  ModelHolder holder_;
};

// Lit by a hit; its fuse leaves a blast 21 updates later.
class CBomBlock : public CEnemyBase {
 public:
  CBomBlock(float x, float y, float z);
  void Init() override;
  int Update() override;
  int Draw() override;

 private:
  ModelHolder holder_;
};

// Never damaged by balls or blasts.
class CHardBlock : public CEnemyBase {
 public:
  CHardBlock(float x, float y, float z);
  void Init() override;
  int Draw() override;

 private:
  ModelHolder holder_;
};

// Costs a touching ball its life; only a blast breaks it.
class CBadBlock : public CEnemyBase {
 public:
  CBadBlock(float x, float y);
  void Init() override;
  int Draw() override;

 private:
  ModelHolder holder_;
};

#endif
