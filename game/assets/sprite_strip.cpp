#include "game/assets/sprite_strip.h"

#include <string>

#include "game/message_box.h"
#include "velvane.h"

namespace {

constexpr int kDefaultDuration = 8;
const char kLoadErrorCaption[] = "読み込みエラー";
constexpr int kDigitRowY = 420;
constexpr int kDigitWidth = 16;
constexpr int kComboLastDigitX = 608;

}  // namespace

SpriteStrip::~SpriteStrip() { ReleaseGraphs(); }

bool SpriteStrip::Load(int frameCount, const char *path, int columns, int rows) {
  imageGraph_ = LoadGraphFromFile(path, 0);
  if (imageGraph_ == -1) {
    const std::string text = std::string(path) + "\n" + "の画像の読み込みに失敗しました";
    ShowMessageBox(text.c_str(), kLoadErrorCaption, nullptr, MESSAGE_BOX_OK);
    return false;
  }
  GetGraphHandleSize(imageGraph_, &imageWidth_, &imageHeight_);
  // A grid without cells would divide by zero: refused like an empty strip.
  if (frameCount <= 0 || columns <= 0 || rows <= 0) {
    ShowMessageBox("画像のサイズが不正です", kLoadErrorCaption, nullptr, MESSAGE_BOX_OK);
    return false;
  }
  cellWidth_ = imageWidth_ / columns;
  cellHeight_ = imageHeight_ / rows;
  // Frames start as -1 so that a failed cut leaves no stray handle to delete;
  // the strip still animates and stops, so a blast on it still ends.
  frames_.assign(static_cast<size_t>(frameCount), -1);
  durations_.assign(static_cast<size_t>(frameCount), kDefaultDuration);
  if (LoadDividedGraph(path, frameCount, columns, rows, cellWidth_, cellHeight_,
                       frames_.data(), 0) == -1) {
    frames_.assign(static_cast<size_t>(frameCount), -1);
    return false;
  }
  return true;
}

void SpriteStrip::Advance() {
  if (!playing_ || frames_.empty()) return;
  frameTimer_ += 1;
  if (durations_[static_cast<size_t>(currentFrame_)] < frameTimer_) {
    currentFrame_ += 1;
    frameTimer_ = 0;
  }
  if (currentFrame_ < 0 || currentFrame_ >= FrameCount()) {
    currentFrame_ = 0;
    if (!loop_) playing_ = 0;
  }
}

void SpriteStrip::DrawFrame(int x, int y) {
  if (frames_.empty() || !playing_) return;
  DrawGraphAt(x, y, frames_[static_cast<size_t>(currentFrame_)], 1);
}

void SpriteStrip::DrawDigitRotated(int digit, int x, float scale, float angle) {
  if (frames_.empty()) return;
  if (digit < 0 || digit >= FrameCount()) {
    DrawTextAt(x, kDigitRowY, "エラ", PackDrawColor(255, 255, 255), 0);
    return;
  }
  if (!playing_) return;
  DrawGraphRotated(x + cellWidth_ / 2, kDigitRowY + cellHeight_ / 2, scale, angle,
                   frames_[static_cast<size_t>(digit)], 1, 0);
}

void SpriteStrip::DrawBillboard(float x, float y, float z, float angle) {
  if (frames_.empty()) return;
  DrawGraphBillboard(Vector3{x, y, z}, 0.5f, 0.5f, static_cast<float>(cellWidth_), angle,
                     frames_[static_cast<size_t>(currentFrame_)], 1, 0);
}

void SpriteStrip::SetShortDurations() {
  for (int &duration : durations_) duration = 1;
}

void SpriteStrip::ReleaseGraphs() {
  DeleteGraphHandle(imageGraph_);
  for (int frame : frames_) DeleteGraphHandle(frame);
}

DigitStrip::DigitStrip() { Load(10, "./Graph/Figure.png", 10, 1); }

void DrawNumber(int count, int value, int x, const SpriteStrip &digits, int y) {
  int position = x + kDigitWidth;
  for (int i = 0; i < count; ++i) {
    const int digit = value % 10;
    if (digit >= 0 && digit < digits.FrameCount()) DrawGraphAt(position, y, digits.FrameAt(digit), 1);
    value /= 10;
    position -= kDigitWidth;
  }
}

void DrawComboNumber(int value, SpriteStrip &digits, float scale) {
  int position = kComboLastDigitX;
  for (;;) {
    digits.DrawDigitRotated(value % 10, position, scale, 0.0f);
    if (value == 0) return;
    value /= 10;
    if (value == 0) return;
    position -= kDigitWidth;
  }
}
