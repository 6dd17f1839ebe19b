#include "game/field/gimmicks.h"

#include <cmath>

#include "game/field/attacks.h"
#include "game/field/owned_list.h"
#include "game/sine_tables.h"

StageState *CGimmickBase::stage = nullptr;
CAttackManage *CGimmickBase::attacks = nullptr;
CGimmickManage *CGimmickBase::gimmicks = nullptr;

namespace {

constexpr float kTileHalfSize = 16.0f;
constexpr double kSpeedUpStep = 0.05;

}  // namespace

int DegreeIndex(float angle) {
  const double degrees = static_cast<double>(angle) / 6.283185307179586 * 360.0;
  const int index = static_cast<int>(std::trunc(degrees)) % 360;
  // Loaded angles are never negative; a turned one could only be by a caller.
  return index < 0 ? index + 360 : index;
}

CGimmickTile::CGimmickTile(const char *modelFile, float x, float y, float angle, float spin)
    : modelFile_(modelFile), spin_(spin) {
  position_ = Vector3{x, y, 0.0f};
  SetHalfSizes(kTileHalfSize, kTileHalfSize, kTileHalfSize);
  sphere_.radius = kTileHalfSize;
  life_ = 1;
  angle_ = angle;
}

void CGimmickTile::Init() {
  life_ = 1;
  AcquireModel(modelFile_, &holder_);
}

int CGimmickTile::Update() {
  RotateBy(spin_);
  return 0;
}

int CGimmickTile::Draw() {
  if (holder_.handle == 0) return 0;
  VLMSetInstanceRotation(holder_.handle, 0.0f, 0.0f, angle_);
  VLMSetInstancePosition(holder_.handle, position_.x, position_.y, position_.z);
  VLMDrawInstance(holder_.handle);
  return 0;
}

CSpeedUp::CSpeedUp(float x, float y, float angle, float spin)
    : CGimmickTile("./Model/SpeedUp.mqo", x, y, angle, spin) {}

int CSpeedUp::OnTouch(CAttackBase *attack) {
  const int i = DegreeIndex(angle_);
  const float speedZ = attack->GetSpeedZ();
  const float speedY = attack->GetSpeedY();
  const float speedX = attack->GetSpeedX();
  attack->SetSpeed(static_cast<float>(speedX - kSpeedUpStep * SineTable[i]),
                   static_cast<float>(speedY + kSpeedUpStep * CosineTable[i]), speedZ);
  return 0;
}

CTurnabout::CTurnabout(float x, float y, float angle, float spin)
    : CGimmickTile("./Model/Turnabout.mqo", x, y, angle, spin) {}

int CTurnabout::OnTouch(CAttackBase *attack) {
  const int i = DegreeIndex(angle_);
  const float speedX = attack->GetSpeedX();
  const float speedY = attack->GetSpeedY();
  const float floorSpeed = static_cast<float>(
      std::sqrt(static_cast<double>(static_cast<float>(speedX * speedX + speedY * speedY))));
  attack->SetSpeed(floorSpeed * -SineTable[i], floorSpeed * CosineTable[i],
                   attack->GetSpeedZ());
  return 0;
}

CGimmickManage::~CGimmickManage() {
  Clear();
  stage = nullptr;
  CGimmickBase::stage = nullptr;
  CGimmickBase::attacks = nullptr;
  CGimmickBase::gimmicks = nullptr;
}

void CGimmickManage::Add(CGimmickBase *gimmick) {
  gimmick->Init();
  gimmicks_.push_back(gimmick);
}

void CGimmickManage::Update() {
  WalkOwned(gimmicks_, [this](CGimmickBase *gimmick) {
    gimmick->Update();
    TestAttacks(gimmick);
  });
}

void CGimmickManage::TestAttacks(CGimmickBase *gimmick) {
  for (CAttackBase *attack : attacks->Attacks()) {
    if (BoxesOverlap(attack->GetBox(), gimmick->GetBox())) gimmick->OnTouch(attack);
  }
}

void CGimmickManage::Draw() {
  for (CGimmickBase *gimmick : gimmicks_) gimmick->Draw();
}

void CGimmickManage::Clear() { DeleteOwned(gimmicks_); }
