#include "game/field/blocks.h"

#include "game/field/attacks.h"
#include "game/stage_state.h"

StageState *CEnemyBase::stage = nullptr;

namespace {

constexpr float kBlockHalfSize = 16.0f;
constexpr float kFallSpeed = 2.0f;
// Sunk this far into its support, a resting block keeps overlapping it.
constexpr float kRestOverlap = 0.01f;
constexpr int kFuseUpdates = 21;

void DrawWholeModel(const ModelHolder &holder, const Vector3 &position) {
  if (holder.handle == 0) return;
  VLMSetInstancePosition(holder.handle, position.x, position.y, position.z);
  VLMDrawInstance(holder.handle);
}

}  // namespace

CEnemyBase::CEnemyBase(float x, float y, float z) {
  position_ = Vector3{x, y, z};
  sphere_ = Sphere{{0.0f, 0.0f, 0.0f}, 16.0f};
  SetHalfSizes(kBlockHalfSize, kBlockHalfSize, kBlockHalfSize);
}

CEnemyBase::~CEnemyBase() { Unlink(); }

void CEnemyBase::Unlink() {
  if (above_) above_->SetBelow(below_);
  if (below_) below_->SetAbove(above_);
}

int CEnemyBase::Settle() {
  if (below_ && BoxesOverlap(below_->GetBox(), GetBox())) {
    speed_.z = 0.0f;
    const float depth = below_->GetHalfSizes().z + GetHalfSizes().z - kRestOverlap;
    position_.z = below_->GetZ() - depth;
  } else {
    speed_.z = kFallSpeed;
  }
  if (position_.z >= 0.0f) {
    speed_.z = 0.0f;
    position_.z = 0.0f;
  }
  MoveBy(speed_.x, speed_.y, speed_.z);
  return 0;
}

int CEnemyBase::GetKind() const { return kind_; }
int CEnemyBase::GetPoints() const { return points_; }
bool CEnemyBase::IsBreakable() const { return breakable_ == 1; }

void CEnemyBase::SetBelow(CEnemyBase *block) {
  below_ = block;
  if (block) block->SetAbove(this);
}

void CEnemyBase::SetAbove(CEnemyBase *block) { above_ = block; }

CBlock::CBlock(int life, float x, float y, float z) : CEnemyBase(x, y, z) {
  life_ = life;
  kind_ = life;
}

void CBlock::Init() {
  AcquireModel("./Model/block.mqo", &holder_);
  SetHalfSizes(kBlockHalfSize, kBlockHalfSize, kBlockHalfSize);
}

int CBlock::Draw() {
  if (holder_.handle == 0) return 0;
  VLMSetInstancePosition(holder_.handle, position_.x, position_.y, position_.z);
  VLMDrawInstanceFrame(holder_.handle, life_ - 1);
  return 0;
}

CBomBlock::CBomBlock(float x, float y, float z) : CEnemyBase(x, y, z) {}

void CBomBlock::Init() {
  AcquireModel("./Model/BomBlock.mqo", &holder_);
  SetHalfSizes(kBlockHalfSize, kBlockHalfSize, kBlockHalfSize);
  life_ = 1;
  breakable_ = 0;
}

int CBomBlock::Update() {
  if (life_ > 0) return 0;
  hitCooldown_ += 1;
  if (hitCooldown_ != kFuseUpdates) return 0;
  stage->sound->PlaySoundEffect("delete.wav");
  CAttackBase::attacks->Add(new CBom(position_.x, position_.y, position_.z));
  stage->score += GetPoints() * stage->combo;
  dead_ = 1;
  return 0;
}

int CBomBlock::Draw() {
  DrawModelFrameAt(&holder_, position_.x, position_.y, position_.z, life_ <= 0 ? 1 : 0);
  return 0;
}

CHardBlock::CHardBlock(float x, float y, float z) : CEnemyBase(x, y, z) {}

void CHardBlock::Init() {
  AcquireModel("./Model/HardBlock.mqo", &holder_);
  SetHalfSizes(kBlockHalfSize, kBlockHalfSize, kBlockHalfSize);
  kind_ = kHardBlockKind;
  breakable_ = 0;
}

int CHardBlock::Draw() {
  DrawWholeModel(holder_, position_);
  return 0;
}

CBadBlock::CBadBlock(float x, float y) : CEnemyBase(x, y, 0.0f) {}

void CBadBlock::Init() {
  AcquireModel("./Model/BadBlock.mqo", &holder_);
  kind_ = kBadBlockKind;
  life_ = 5;
}

int CBadBlock::Draw() {
  DrawWholeModel(holder_, position_);
  return 0;
}
