#include "game/field/character.h"

CCharacter::CCharacter()
    : position_{0.0f, 0.0f, 0.0f},
      speed_{0.0f, 0.0f, 0.0f},
      angle_(0.0f),
      box_(),
      sphere_{{0.0f, 0.0f, 0.0f}, 16.0f},
      life_(1),
      hitCooldown_(0),
      dead_(0) {
  SetHalfSizes(12.0f, 12.0f, 12.0f);
}

CCharacter::~CCharacter() = default;

int CCharacter::Update() { return 0; }
int CCharacter::Draw() { return 0; }

void CCharacter::MoveBy(float x, float y, float z) {
  position_.x += x;
  position_.y += y;
  position_.z += z;
}

void CCharacter::SetSpeed(float x, float y, float z) { speed_ = Vector3{x, y, z}; }

void CCharacter::SetXY(float x, float y) {
  position_.x = x;
  position_.y = y;
}

void CCharacter::SetAngle(float a) { angle_ = a; }

void CCharacter::WrapAngleDown() {
  while (angle_ > kFullTurn) angle_ -= kFullTurn;
}

void CCharacter::WrapAngleUp() {
  while (angle_ < 0.0f) angle_ += kFullTurn;
}

void CCharacter::RotateBackBy(float a) {
  angle_ -= a;
  WrapAngleUp();
}

void CCharacter::RotateBackStep() { RotateBackBy(kTurnStep); }

void CCharacter::RotateBy(float a) {
  angle_ += a;
  WrapAngleDown();
}

void CCharacter::RotateStep() { RotateBy(kTurnStep); }

float CCharacter::GetX() const { return position_.x; }
float CCharacter::GetY() const { return position_.y; }
float CCharacter::GetZ() const { return position_.z; }
Vector3 CCharacter::GetPosition() const { return position_; }
float CCharacter::GetSpeedX() const { return speed_.x; }
float CCharacter::GetSpeedY() const { return speed_.y; }
float CCharacter::GetSpeedZ() const { return speed_.z; }
Vector3 CCharacter::GetSpeed() const { return speed_; }
float CCharacter::GetAngle() const { return angle_; }
int CCharacter::GetLife() const { return life_; }
int CCharacter::IsDead() const { return dead_; }

OrientedBox CCharacter::GetBox() const { return MakeAxisBox(position_, GetHalfSizes()); }

Sphere CCharacter::GetSphere() const { return Sphere{position_, sphere_.radius}; }

void CCharacter::SetLife(int n) { life_ = n; }
void CCharacter::Damage(int n) { life_ -= n; }
void CCharacter::Kill() { dead_ = 1; }
void CCharacter::SetHitCooldown(int n) { hitCooldown_ = n; }

Vector3 CCharacter::GetHalfSizes() const {
  return Vector3{box_.halfSizes[0], box_.halfSizes[1], box_.halfSizes[2]};
}

void CCharacter::SetHalfSizes(float x, float y, float z) {
  box_.halfSizes[0] = x;
  box_.halfSizes[1] = y;
  box_.halfSizes[2] = z;
}

bool SpheresTouch(const Sphere &a, const Sphere &b) {
  const float dx = a.centre.x - b.centre.x;
  const float dy = a.centre.y - b.centre.y;
  const float dz = a.centre.z - b.centre.z;
  const float distanceSquared = dx * dx + dy * dy + dz * dz;
  const float reach = a.radius + b.radius;
  return distanceSquared < reach * reach;
}
