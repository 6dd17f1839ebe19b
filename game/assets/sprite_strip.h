// An image file cut into equal cells, one graph per frame, with a small
// animation state: panel pictures and the bomb blast.
#ifndef PELLACOR_GAME_ASSETS_SPRITE_STRIP_H
#define PELLACOR_GAME_ASSETS_SPRITE_STRIP_H

#include <vector>

class SpriteStrip {
 public:
  SpriteStrip() = default;
  ~SpriteStrip();
  SpriteStrip(const SpriteStrip &) = delete;
  SpriteStrip &operator=(const SpriteStrip &) = delete;

  // Loads the file as frameCount cells of columns x rows; false (after a
  // message box) when the image or its cut fails.
  bool Load(int frameCount, const char *path, int columns, int rows);
  // One update of the animation.
  void Advance();
  // The current frame at (x, y) while playing.
  void DrawFrame(int x, int y);
  // Frame digit centred on its cell at (x, 420), scaled and turned; "エラ"
  // for a digit the strip has no frame of.
  void DrawDigitRotated(int digit, int x, float scale, float angle);
  // The current frame as a camera-facing square one cell wide.
  void DrawBillboard(float x, float y, float z, float angle);
  // Every frame shows for two updates.
  void SetShortDurations();
  int FrameAt(int index) const { return frames_[index]; }
  // Deletes the image graph, then every frame graph.
  void ReleaseGraphs();

  bool HasFrames() const { return !frames_.empty(); }
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  bool IsPlaying() const { return playing_ != 0; }
  void SetLoop(bool loop) { loop_ = loop ? 1 : 0; }
  int CurrentFrame() const { return currentFrame_; }
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  int ImageGraph() const { return imageGraph_; }

 private:
  std::vector<int> frames_;
  int imageGraph_ = 0;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  int frameTimer_ = 0;
  unsigned char loop_ = 1;
  unsigned char playing_ = 1;
  std::vector<int> durations_;
  int currentFrame_ = 0;
};

// The ten digit cells of "./Graph/Figure.png", frame d showing digit d.
class DigitStrip : public SpriteStrip {
 public:
  DigitStrip();
};

// count digits of value, right-aligned with the last at x + 16, leading
// zeros included; digits of a negative value are not drawn.
void DrawNumber(int count, int value, int x, const SpriteStrip &digits, int y);
// value without leading zeros on the combo row, its last digit's cell at x
// 608, scaled about each cell's centre.
void DrawComboNumber(int value, SpriteStrip &digits, float scale);

#endif
