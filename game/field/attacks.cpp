#include "game/field/attacks.h"

#include <algorithm>
#include <cmath>

#include "game/field/block_manage.h"
#include "game/field/owned_list.h"
#include "game/field/paddles.h"
#include "game/input/key_manage.h"
#include "game/stage_state.h"

StageState *CAttackBase::stage = nullptr;
CPlayerManage *CAttackBase::players = nullptr;
CAttackManage *CAttackBase::attacks = nullptr;
CEnemyManage *CAttackBase::enemies = nullptr;

namespace {

constexpr float kMaxFloorSpeed = 4.0f;
constexpr float kMaxFallSpeed = 4.0f;
constexpr float kGravity = 2.0f;
constexpr float kJumpSpeed = -12.0f;
constexpr float kLandingBounce = -13.0f;
constexpr float kAirborne = -0.1f;
constexpr float kStrikeSpeedUp = 1.01f;
constexpr float kPaddlePush = 0.03125f;
constexpr int kComboTime = 50;
constexpr int kRightButton = 1;

// The hit raises the combo when the block still had life.
void CountHit(CEnemyBase *block, StageState *stage) {
  if (block->GetLife() > 0) {
    stage->combo += 1;
    stage->comboTimer = kComboTime;
  }
}

// Reverses one speed component from exactly one of its two faces.
void BounceAxis(uint8_t touch, uint8_t lowFace, uint8_t highFace, float &speed, float &position,
                float returnPoint) {
  const bool low = (touch & lowFace) != 0;
  const bool high = (touch & highFace) != 0;
  if (low == high) return;
  if ((speed > 0.0f && low) || (speed < 0.0f && high)) {
    speed = -speed;
    position = returnPoint;
  }
}

// Touch and return point of one axis: the ball's centre past a face.
void TouchFaces(float centre, float half, float ballHalf, float position, float speed,
                uint8_t lowFace, uint8_t highFace, uint8_t &touch, float &returnPoint) {
  const float low = centre - half;
  const float high = centre + half;
  if (position - ballHalf < low) {
    touch |= lowFace;
    if (speed > 0.0f && position < low) returnPoint = low - ballHalf;
  } else if (position + ballHalf > high) {
    touch |= highFace;
    if (speed < 0.0f && position > high) returnPoint = high + ballHalf;
  }
}

}  // namespace

CBall::CBall(float x, float y, float angle) {
  position_ = Vector3{x, y, 0.0f};
  const float sine = static_cast<float>(std::sin(static_cast<double>(angle)));
  const float cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
  speed_ = Vector3{sine * -2.0f, cosine * 2.0f, 0.0f};
}

void CBall::Init() {
  touch_ = 0;
  position_.z = 0.0f;
  angle_ = 0.0f;
  previousX_ = returnX_ = position_.x;
  previousY_ = returnY_ = position_.y;
  SetHalfSizes(8.0f, 8.0f, 8.0f);
  AcquireModel("./Model/Ball.mqo", &holder_);
}

int CBall::Update() {
  if (life_ <= 0) {
    dead_ = 1;
    stage->ballsLeft -= 1;
    stage->sound->PlaySoundEffect("delete.wav");
    if (stage->ballsLeft >= 0) stage->ballsInHand += 1;
    return 0;
  }
  if (touch_ == TOUCH_ALL) {
    speed_.x = -speed_.x;
    speed_.y = -speed_.y;
    position_.x = returnX_;
    position_.y = returnY_;
  } else {
    BounceAxis(touch_, TOUCH_LOW_X, TOUCH_HIGH_X, speed_.x, position_.x, returnX_);
    BounceAxis(touch_, TOUCH_LOW_Y, TOUCH_HIGH_Y, speed_.y, position_.y, returnY_);
  }
  life_ = 1;
  touch_ = 0;
  speed_.z += kGravity;
  speed_.x = std::min(std::max(speed_.x, -kMaxFloorSpeed), kMaxFloorSpeed);
  speed_.y = std::min(std::max(speed_.y, -kMaxFloorSpeed), kMaxFloorSpeed);
  speed_.z = std::min(speed_.z, kMaxFallSpeed);
  if (stage->keys->mouseCounts[kRightButton] == 1 && position_.z > kAirborne) {
    speed_.z = kJumpSpeed;
  }
  MoveBy(speed_.x, speed_.y, speed_.z);
  return 0;
}

int CBall::Draw() {
  if (holder_.handle == 0) return 0;
  VLMSetInstancePosition(holder_.handle, position_.x, position_.y, position_.z);
  VLMDrawInstance(holder_.handle);
  return 0;
}

void CBall::MoveBy(float ax, float ay, float az) {
  previousX_ = position_.x;
  previousY_ = position_.y;
  position_.x += ax;
  position_.y += ay;
  position_.z += az;
  returnX_ = position_.x;
  returnY_ = position_.y;
  const Rect &field = stage->fieldRect;
  if (position_.x < static_cast<float>(field.left)) {
    position_.x = static_cast<float>(field.left);
    if (speed_.x < 0.0f) speed_.x = -speed_.x;
  } else if (position_.x > static_cast<float>(field.right)) {
    position_.x = static_cast<float>(field.right);
    if (speed_.x > 0.0f) speed_.x = -speed_.x;
  }
  if (position_.y < static_cast<float>(field.top)) {
    position_.y = static_cast<float>(field.top);
    if (speed_.y < 0.0f) speed_.y = -speed_.y;
  } else if (position_.y > static_cast<float>(field.bottom)) {
    position_.y = static_cast<float>(field.bottom);
    if (speed_.y > 0.0f) speed_.y = -speed_.y;
  }
  if (position_.z > 0.0f) position_.z = 0.0f;
}

int CBall::OnHitBlock(CEnemyBase *block) {
  if (block->GetKind() == kBadBlockKind) {
    life_ -= 1;
    return 0;
  }
  life_ = 2;
  const OrientedBox box = block->GetBox();
  const Vector3 ball = GetHalfSizes();
  const float top = box.centre.z - box.halfSizes[2];
  if (position_.z < top && touch_ == 0) {
    position_.z = top - ball.z;
    speed_.z = kLandingBounce;
  } else {
    TouchFaces(box.centre.x, box.halfSizes[0], ball.x, position_.x, speed_.x, TOUCH_LOW_X,
               TOUCH_HIGH_X, touch_, returnX_);
    TouchFaces(box.centre.y, box.halfSizes[1], ball.y, position_.y, speed_.y, TOUCH_LOW_Y,
               TOUCH_HIGH_Y, touch_, returnY_);
  }
  speed_.x *= kStrikeSpeedUp;
  speed_.y *= kStrikeSpeedUp;
  stage->sound->PlaySoundEffect("shok.wav");
  if (block->GetKind() == kHardBlockKind) return 0;
  CountHit(block, stage);
  block->Damage(1);
  return 0;
}

int CBall::OnHitPaddle(CPlayer *paddle) {
  if (!paddle->CanHit() || position_.z < kAirborne) return 0;
  const Segment2D path{position_.x, position_.y, speed_.x, speed_.y, 1};
  if (BounceOffPaddle(paddle, path, paddle->GetSegment())) {
    stage->sound->PlaySoundEffect("shok.wav");
    paddle->SetCanHit(false);
    paddle->SetHitCooldown(0);
  }
  return 0;
}

void CBall::Reflect(const Segment2D &path, const Segment2D &wall, const float point[2]) {
  float offset[2], velocity[2];
  if (!ReflectMove(path, wall, point[0], point[1], offset, velocity)) return;
  position_.x += offset[0];
  position_.y += offset[1];
  speed_.x = velocity[0];
  speed_.y = velocity[1];
}

bool CBall::BounceOffPaddle(CPlayer *paddle, const Segment2D &path, const Segment2D &bar) {
  float point[2];
  if (IntersectSegmentsAt(path, bar, point)) {
    Reflect(path, bar, point);
    return true;
  }
  const Segment2D &previousBar = paddle->GetPreviousSegment();
  if (IntersectSegmentsAt(path, previousBar, point)) {
    Reflect(path, previousBar, point);
    return true;
  }
  const float moveX = paddle->GetX() - paddle->GetPreviousX();
  const float moveY = paddle->GetY() - paddle->GetPreviousY();
  const Segment2D paddleMove{path.startX, path.startY, moveX, moveY, 1};
  if (!IntersectSegments(paddleMove, bar, nullptr, nullptr)) return false;
  // A parallel path writes no parameter; it then counts as 0.
  float t = 0.0f;
  IntersectSegments(path, bar, &t, nullptr);
  const float sign = t > 0.0f ? -1.0f : 1.0f;
  const Segment2D turned{path.startX, path.startY, sign * path.dirX, sign * path.dirY, 1};
  const Segment2D wall{path.startX + turned.dirX, path.startY + turned.dirY, bar.dirX,
                       bar.dirY, 1};
  if (IntersectSegmentsAt(turned, wall, point)) {
    Reflect(turned, wall, point);
  } else {
    speed_.x += moveX * kPaddlePush;
    speed_.y += moveY * kPaddlePush;
  }
  return true;
}

CBom::CBom(float x, float y, float z) {
  position_ = Vector3{x, y, z};
  sphere_.radius = 48.0f;
  SetHalfSizes(48.0f, 48.0f, 24.0f);
  angle_ = 0.0f;
  strip_.Load(9, "./Graph/Bom.png", 6, 2);
  strip_.SetShortDurations();
  strip_.SetLoop(false);
}

int CBom::Update() {
  strip_.Advance();
  if (!strip_.IsPlaying()) dead_ = 1;
  hitCooldown_ += 1;
  return 0;
}

int CBom::Draw() {
  strip_.DrawBillboard(position_.x, position_.y, position_.z, 0.0f);
  return 0;
}

int CBom::OnHitBlock(CEnemyBase *block) {
  if (block->GetKind() == kHardBlockKind || hitCooldown_ > 1) return 0;
  CountHit(block, stage);
  block->Damage(5);
  return 0;
}

CAttackManage::~CAttackManage() {
  Clear();
  players = nullptr;
  stage = nullptr;
  enemies = nullptr;
  CAttackBase::stage = nullptr;
  CAttackBase::players = nullptr;
  CAttackBase::attacks = nullptr;
  CAttackBase::enemies = nullptr;
}

void CAttackManage::Add(CAttackBase *attack) {
  attack->Init();
  attacks_.push_back(attack);
}

void CAttackManage::Update() {
  WalkOwned(attacks_, [this](CAttackBase *attack) {
    attack->Update();
    TestPaddles(attack);
    TestBlocks(attack);
  });
}

void CAttackManage::TestPaddles(CAttackBase *attack) {
  for (CPlayer *paddle : players->Paddles()) {
    if (SpheresTouch(attack->GetSphere(), paddle->GetSphere())) attack->OnHitPaddle(paddle);
  }
}

void CAttackManage::TestBlocks(CAttackBase *attack) {
  for (const std::vector<CEnemyBase *> *list : {&enemies->Fixed(), &enemies->Breakable()}) {
    for (CEnemyBase *block : *list) {
      if (BoxesOverlap(attack->GetBox(), block->GetBox()) && attack->OnHitBlock(block) != 0)
        return;
    }
  }
}

void CAttackManage::Draw() {
  for (CAttackBase *attack : attacks_) attack->Draw();
}

void CAttackManage::Clear() { DeleteOwned(attacks_); }
