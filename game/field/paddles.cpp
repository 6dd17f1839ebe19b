#include "game/field/paddles.h"

#include <algorithm>
#include <cmath>

#include "game/field/block_manage.h"
#include "game/field/owned_list.h"
#include "game/input/key_manage.h"
#include "game/stage_state.h"

StageState *CPlayer::stage = nullptr;

namespace {

constexpr float kHalfBar = 32.0f;
constexpr float kMaxStep = 32.0f;
constexpr int kRearmAfter = 5;
constexpr int kLeftButton = 0;

}  // namespace

CPlayer::CPlayer(float x, float y, int type) : type_(type) { position_ = Vector3{x, y, 0.0f}; }

void CPlayer::Init() {
  if (type_ == PADDLE_SLIDES_Y) angle_ = 1.5707964f;
  previousX_ = position_.x;
  previousY_ = position_.y;
  previousZ_ = position_.z;
  previousAngle_ = angle_;
  canHit_ = true;
  segment_ = Segment2D{};
  previousSegment_ = Segment2D{};
  sphere_.radius = 32.0f;
  SetHalfSizes(32.0f, 8.0f, 8.0f);
  AcquireModel("./Model/Player.mqo", &holder_);
}

void CPlayer::TurnByMouse() {
  const CKeyManage &keys = *stage->keys;
  angle_ += static_cast<float>(keys.mouseMoveY * 0.01) + static_cast<float>(keys.mouseMoveX * 0.01);
}

int CPlayer::Update() {
  previousAngle_ = angle_;
  const CKeyManage &keys = *stage->keys;
  if (stage->ballsInHand == 0) {
    const int left = keys.mouseCounts[kLeftButton];
    if (left == 0) {
      speed_.x = static_cast<float>(keys.mouseMoveX);
      speed_.y = static_cast<float>(-keys.mouseMoveY);
    } else if (left > 0) {
      speed_.x = 0.0f;
      speed_.y = 0.0f;
      TurnByMouse();
    }
    if (type_ == PADDLE_SLIDES_Y) {
      speed_.x = 0.0f;
    } else {
      speed_.y = 0.0f;
    }
    MoveClamped(speed_.x, speed_.y);
  } else if (type_ != PADDLE_MAIN) {
    TurnByMouse();
  }
  if (hitCooldown_ > kRearmAfter) {
    canHit_ = true;
  } else {
    hitCooldown_ += 1;
  }
  previousSegment_ = segment_;
  previousSegment_.valid = 1;
  const float s = static_cast<float>(std::sin(static_cast<double>(angle_)));
  const float c = static_cast<float>(std::cos(static_cast<double>(angle_)));
  segment_ = Segment2D{position_.x - kHalfBar * c, position_.y - kHalfBar * s, 64.0f * c,
                       64.0f * s, 1};
  return 0;
}

int CPlayer::Draw() {
  if (holder_.handle != 0) VLMSetInstanceRotation(holder_.handle, 0.0f, 0.0f, angle_);
  for (int frame = 0; frame < 3; ++frame) {
    DrawModelFrameAt(&holder_, position_.x, position_.y, position_.z, frame);
  }
  if (type_ == PADDLE_MAIN && stage->ballsInHand != 0) {
    DrawModelFrameAt(&holder_, position_.x, position_.y, position_.z, 3);
  }
  return 0;
}

void CPlayer::MoveClamped(float stepX, float stepY) {
  stepX = std::min(std::max(stepX, -kMaxStep), kMaxStep);
  stepY = std::min(std::max(stepY, -kMaxStep), kMaxStep);
  previousX_ = position_.x;
  previousY_ = position_.y;
  previousZ_ = position_.z;
  position_.x += stepX;
  position_.y += stepY;
  const Rect &field = stage->fieldRect;
  position_.x = std::min(std::max(position_.x, static_cast<float>(field.left)),
                         static_cast<float>(field.right));
  position_.y = std::min(std::max(position_.y, static_cast<float>(field.top)),
                         static_cast<float>(field.bottom));
}

void CPlayer::HoldBall(float startX, float startY) {
  position_.x = startX;
  position_.y = startY;
  TurnByMouse();
  stage->LaunchBall(position_.x, position_.y, angle_);
}

OrientedBox CPlayer::GetTurnedBox() const {
  return MakeTurnedBox(position_, GetHalfSizes(), angle_);
}

void CPlayer::RestorePose() {
  angle_ = previousAngle_;
  position_ = Vector3{previousX_, previousY_, previousZ_};
}

CPlayerManage::~CPlayerManage() {
  Clear();
  stage = nullptr;
  CPlayer::stage = nullptr;
}

void CPlayerManage::Add(CPlayer *paddle) {
  paddle->Init();
  paddles_.push_back(paddle);
}

void CPlayerManage::Update() {
  WalkOwned(paddles_, [this](CPlayer *paddle) {
    paddle->Update();
    CollideWithBlocks(paddle);
  });
}

void CPlayerManage::Draw() {
  for (CPlayer *paddle : paddles_) paddle->Draw();
}

void CPlayerManage::Clear() { DeleteOwned(paddles_); }

bool CPlayerManage::CollideWithBlocks(CPlayer *paddle) {
  for (const std::vector<CEnemyBase *> *list : {&enemies->Fixed(), &enemies->Breakable()}) {
    for (CEnemyBase *block : *list) {
      if (!SpheresTouch(block->GetSphere(), paddle->GetSphere())) continue;
      if (OrientedBoxesOverlap(paddle->GetTurnedBox(), block->GetBox())) {
        paddle->RestorePose();
        return true;
      }
    }
  }
  return false;
}
