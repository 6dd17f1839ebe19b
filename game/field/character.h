// The base of every field object: one state record and one table of
// operations through which the managers and the other families reach it.
#ifndef PELLACOR_GAME_FIELD_CHARACTER_H
#define PELLACOR_GAME_FIELD_CHARACTER_H

#include "game/geometry/collision.h"
#include "velvane.h"

// The full turn and the small turning step, as stored floats.
constexpr float kFullTurn = 6.2831855f;
constexpr float kTurnStep = 0.01f;

class CCharacter {
 public:
  CCharacter();
  virtual ~CCharacter();
  CCharacter(const CCharacter &) = delete;
  CCharacter &operator=(const CCharacter &) = delete;

  // Called once by the owning manager when the object is added.
  virtual void Init() = 0;
  // Detaches the object from what it is linked to (blocks: their column).
  virtual void Unlink() = 0;
  virtual int Update();
  virtual int Draw();
  virtual void MoveBy(float x, float y, float z);
  virtual void SetSpeed(float x, float y, float z);
  virtual void SetXY(float x, float y);
  virtual void SetAngle(float a);
  virtual void RotateBackBy(float a);
  virtual void RotateBackStep();
  virtual void RotateBy(float a);
  virtual void RotateStep();
  virtual float GetX() const;
  virtual float GetY() const;
  virtual float GetZ() const;
  virtual Vector3 GetPosition() const;
  virtual float GetSpeedX() const;
  virtual float GetSpeedY() const;
  virtual float GetSpeedZ() const;
  virtual Vector3 GetSpeed() const;
  virtual float GetAngle() const;
  virtual int GetLife() const;
  virtual int IsDead() const;
  virtual OrientedBox GetBox() const;
  virtual Sphere GetSphere() const;
  virtual void SetLife(int n);
  virtual void Damage(int n);
  virtual void Kill();
  virtual void SetHitCooldown(int n);

  // Half extents along x, y and z (the box's axes are never stored).
  Vector3 GetHalfSizes() const;
  float GetSphereRadius() const { return sphere_.radius; }
  int GetHitCooldown() const { return hitCooldown_; }

 protected:
  void SetHalfSizes(float x, float y, float z);
  void WrapAngleDown();
  void WrapAngleUp();

  Vector3 position_;
  Vector3 speed_;
  float angle_;
  OrientedBox box_;
  Sphere sphere_;
  int life_;
  int hitCooldown_;
  int dead_;
};

// Squared centre distance below the squared sum of the radii.
bool SpheresTouch(const Sphere &a, const Sphere &b);

#endif
