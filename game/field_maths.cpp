#include "game/field_maths.h"

#include <cmath>

void MakeZTurnRows(float angle, float rows[3][3]) {
  const float c = cosf(angle);
  const float s = sinf(angle);
  const float turned[3][3] = {{c, s, 0.0f}, {-s, c, 0.0f}, {0.0f, 0.0f, 1.0f}};
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) rows[r][k] = turned[r][k];
  }
}

void Normalize2D(const float in[2], float out[2]) {
  const float lengthSquared = in[0] * in[0] + in[1] * in[1];
  if (lengthSquared == 0.0f) {
    out[0] = 0.0f;
    out[1] = 0.0f;
    return;
  }
  const float length = sqrtf(lengthSquared);
  out[0] = in[0] / length;
  out[1] = in[1] / length;
}
