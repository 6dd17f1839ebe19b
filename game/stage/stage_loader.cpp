#include "game/stage/stage_loader.h"

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include "game/field/stage_field.h"
#include "game/stage/stage_reader.h"
#include "game/stage_state.h"

namespace {

constexpr float kCell = 32.0f;
constexpr float kSpinPerFrame = 0.05f;

enum CellCode {
  CELL_BLOCK_1 = 1,
  CELL_BLOCK_3 = 3,
  CELL_BOMB = 4,
  CELL_HARD = 100,
  CELL_BAD = 101,
  CELL_SPEED_UP = 200,
  CELL_TURNABOUT = 201,
  CELL_MAIN_PADDLE = -1,
  CELL_PADDLE_X = -2,
  CELL_PADDLE_Y = -3
};

struct Placement {
  StageState &stage;
  StageField &field;
  StageReader &reader;
};

// The whole file, read in chunks so that a small file costs little; a file
// above the limit is refused.
bool ReadStageFile(const char *path, std::vector<uint8_t> &bytes) {
  FILE *file = fopen(path, "rb");
  if (!file) return false;
  uint8_t chunk[16384];
  size_t size;
  while ((size = fread(chunk, 1, sizeof chunk, file)) > 0 && bytes.size() <= kMaxStageFileBytes) {
    bytes.insert(bytes.end(), chunk, chunk + size);
  }
  fclose(file);
  return bytes.size() <= kMaxStageFileBytes;
}

// A gimmick's direction: a written "\" angle in whole degrees, or turning by
// itself. The degrees are brought into 0..359, where the first update of a
// larger angle would put it and below which the tables have no entry.
void ReadGimmickDirection(StageReader &reader, int ch, int code, float &angle, float &spin) {
  angle = 0.0f;
  spin = kSpinPerFrame;
  if (ch != '\\') return;
  int degrees = code;  // a "\" without a number keeps the code as angle
  if (reader.ReadInt(degrees) == NUMBER_AT_END) return;
  degrees = ((degrees % 360) + 360) % 360;
  angle = static_cast<float>(degrees * 6.2831854820251465 / 360.0);
  spin = 0.0f;
}

void PlaceObject(Placement &p, int column, int row, int layer, int code, int ch) {
  const float x = static_cast<float>(column) * kCell;
  const float y = -static_cast<float>(row) * kCell;
  const float z = -static_cast<float>(layer) * kCell;
  StageField &field = p.field;
  if (code >= CELL_BLOCK_1 && code <= CELL_BLOCK_3) {
    field.enemies.AddBreakable(new CBlock(code, x, y, z), layer);
  } else if (code == CELL_BOMB) {
    field.enemies.AddBreakable(new CBomBlock(x, y, z), layer);
  } else if (code == CELL_HARD) {
    field.enemies.AddFixed(new CHardBlock(x, y, z), layer);
  } else if (code == CELL_BAD) {
    field.enemies.AddFixed(new CBadBlock(x, y), 0);
  } else if (code == CELL_SPEED_UP || code == CELL_TURNABOUT) {
    float angle, spin;
    ReadGimmickDirection(p.reader, ch, code, angle, spin);
    if (code == CELL_SPEED_UP) {
      field.gimmicks.Add(new CSpeedUp(x, y, angle, spin));
    } else {
      field.gimmicks.Add(new CTurnabout(x, y, angle, spin));
    }
  } else if (code == CELL_MAIN_PADDLE) {
    CPlayer *paddle = new CPlayer(x, y, PADDLE_MAIN);
    p.stage.ballStartX = x;
    p.stage.ballStartY = y;
    p.stage.mainPaddle = paddle;
    field.players.Add(paddle);
  } else if (code == CELL_PADDLE_X) {
    field.players.Add(new CPlayer(x, y, PADDLE_SLIDES_X));
  } else if (code == CELL_PADDLE_Y) {
    field.players.Add(new CPlayer(x, y, PADDLE_SLIDES_Y));
  }
}

// Places the cell's object and its suffixes; ch is the character after the
// code and is left on the character the cell's reading stopped at.
void PlaceCell(Placement &p, int column, int row, int layer, int code, int &ch) {
  PlaceObject(p, column, row, layer, code, ch);
  StageReader &reader = p.reader;
  if (ch == '_') {
    int count = 0;
    const NumberRead read = reader.ReadInt(count);
    if (read == NUMBER_AT_END) return;
    // No number places nothing here, and a suffix after it still acts.
    if (read == NUMBER_MISSING) count = 0;
    count = std::min(count, kMaxStageLayer);
    ch = 0;
    for (int i = 0; i < count; ++i) PlaceCell(p, column, row, layer + 1, code, ch);
    ch = reader.Next();
  }
  if (ch == '^') {
    if (layer >= kMaxStageLayer) return;
    int nextCode = 0;
    if (reader.ReadInt(nextCode) != NUMBER_READ) return;
    ch = reader.Next();
    PlaceCell(p, column, row, layer + 1, nextCode, ch);
  }
}

void PlaceGrid(Placement &p) {
  StageState &stage = p.stage;
  int row = 0;
  int column = 0;
  for (;;) {
    int code = 0;
    p.reader.ReadInt(code);
    int ch = p.reader.Next();
    PlaceCell(p, column, row, 0, code, ch);
    while (ch != ',' && ch != '\n' && ch != kStageEnd) ch = p.reader.Next();
    stage.lastColumn = std::max(stage.lastColumn, column);
    if (ch == ',') {
      column += 1;
      continue;
    }
    stage.lastRow = std::max(stage.lastRow, row);
    if (ch == kStageEnd) return;
    row += 1;
    column = 0;
  }
}

// The field seen from above and behind, its centre on the middle of the
// 480 x 480 area left of the panel.
void AimCamera(const StageState &stage) {
  const float a = static_cast<float>(stage.lastColumn * 16);
  const float b = static_cast<float>(stage.lastRow * -16);
  const float c = static_cast<float>((stage.lastRow + stage.lastColumn + 2) / 2 * -32);
  SetCameraLookAt(Vector3{a, b - 160.0f, c}, Vector3{a, b, 0.0f});
  SetProjectionCenter(240.0f, 240.0f);
}

}  // namespace

bool LoadStage(StageState &stage, StageField &field) {
  char path[64];
  snprintf(path, sizeof path, "./Script/Stage/%d.csv", stage.stageNumber);
  stage.stateFrameCount = 0;
  stage.comboTimer = 0;
  stage.lastRow = 0;
  stage.lastColumn = 0;
  std::vector<uint8_t> bytes;
  if (!ReadStageFile(path, bytes)) return false;
  field.enemies.Clear();
  StageReader reader(bytes.data(), bytes.size());
  Placement placement{stage, field, reader};
  PlaceGrid(placement);
  stage.fieldRect = Rect{0, 32 - 32 * stage.lastRow, 32 * stage.lastColumn, 0};
  AimCamera(stage);
  stage.ballsInHand = 1;
  stage.sound->PlayStageMusic();
  return true;
}
