// Small vector helpers of the field objects, in float.
#ifndef PELLACOR_GAME_FIELD_MATHS_H
#define PELLACOR_GAME_FIELD_MATHS_H

// The rows of a turn by angle radians about z: (c, s, 0), (-s, c, 0), (0, 0, 1).
void MakeZTurnRows(float angle, float rows[3][3]);

// in scaled to unit length; a zero vector gives (0, 0).
void Normalize2D(const float in[2], float out[2]);

#endif
