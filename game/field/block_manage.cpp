#include "game/field/block_manage.h"

#include <algorithm>

#include "game/field/owned_list.h"
#include "game/stage_state.h"

CEnemyManage::~CEnemyManage() {
  Clear();
  stage = nullptr;
  CEnemyBase::stage = nullptr;
}

void CEnemyManage::AddFixed(CEnemyBase *block, int layer) { Add(fixed_, block, layer); }

void CEnemyManage::AddBreakable(CEnemyBase *block, int layer) {
  Add(breakable_, block, layer);
}

void CEnemyManage::Add(std::vector<CEnemyBase *> &owner, CEnemyBase *block, int layer) {
  block->Init();
  owner.push_back(block);
  if (!placement_.empty() && layer != 0) block->SetBelow(placement_.back());
  placement_.push_back(block);
}

int CEnemyManage::Update() {
  UpdateList(fixed_);
  UpdateList(breakable_);
  return 0;
}

void CEnemyManage::UpdateList(std::vector<CEnemyBase *> &list) {
  size_t i = 0;
  while (i < list.size()) {
    CEnemyBase *block = list[i];
    if (block->GetLife() <= 0 && block->IsBreakable()) {
      stage->score += block->GetPoints() * stage->combo;
      block->Kill();
    }
    if (block->IsDead()) {
      Forget(block);
      delete block;
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    block->Update();
    block->Settle();
    ++i;
  }
}

// A deleted block must never become the support of a later one.
void CEnemyManage::Forget(CEnemyBase *block) {
  placement_.erase(std::remove(placement_.begin(), placement_.end(), block),
                   placement_.end());
}

int CEnemyManage::Draw() {
  for (CEnemyBase *block : fixed_) block->Draw();
  for (CEnemyBase *block : breakable_) block->Draw();
  return 0;
}

void CEnemyManage::Clear() {
  DeleteOwned(fixed_);
  DeleteOwned(breakable_);
  placement_.clear();
}
