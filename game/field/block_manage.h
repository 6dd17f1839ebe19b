// Owns the blocks of a stage: drives them each frame, credits destroyed
// ones and stacks each new block on the one placed before it.
#ifndef PELLACOR_GAME_FIELD_BLOCK_MANAGE_H
#define PELLACOR_GAME_FIELD_BLOCK_MANAGE_H

#include <vector>

#include "game/field/blocks.h"

class CEnemyManage {
 public:
  CEnemyManage() = default;
  virtual ~CEnemyManage();
  CEnemyManage(const CEnemyManage &) = delete;
  CEnemyManage &operator=(const CEnemyManage &) = delete;

  // Hard and bad blocks: the stage is cleared without destroying them.
  void AddFixed(CEnemyBase *block, int layer);
  // Normal and bomb blocks: the stage is cleared when none is left.
  void AddBreakable(CEnemyBase *block, int layer);
  int Update();
  int Draw();
  void Clear();

  const std::vector<CEnemyBase *> &Fixed() const { return fixed_; }
  const std::vector<CEnemyBase *> &Breakable() const { return breakable_; }

  StageState *stage = nullptr;

 private:
  void Add(std::vector<CEnemyBase *> &owner, CEnemyBase *block, int layer);
  void UpdateList(std::vector<CEnemyBase *> &list);
  void Forget(CEnemyBase *block);

  std::vector<CEnemyBase *> fixed_;
  std::vector<CEnemyBase *> breakable_;
  // Every live block in the order of adding; owns nothing.
  std::vector<CEnemyBase *> placement_;
};

#endif
