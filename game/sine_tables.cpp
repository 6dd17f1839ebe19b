#include "game/sine_tables.h"

#include <cmath>

float SineTable[360];
float CosineTable[360];

void FillSineTables() {
  for (int i = 0; i < 360; ++i) {
    // The degree is turned into a float angle first; its sine is rounded once.
    const float angle = static_cast<float>(i * 3.1415927410125732 / 180.0);
    SineTable[i] = static_cast<float>(std::sin(static_cast<double>(angle)));
    CosineTable[i] = static_cast<float>(std::cos(static_cast<double>(angle)));
  }
}
