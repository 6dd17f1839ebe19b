// The model module's own maths: a table-driven sine and cosine, rotations in
// the six axis orders built from it, and 3x4 matrices. They run for every
// changed frame matrix and every animation key each frame, so they never
// call the runtime library's trigonometry.
#ifndef VELVANE_MODEL_MODEL_MATHS_H
#define VELVANE_MODEL_MODEL_MATHS_H

#include <string.h>

#include "velvane.h"

// Three rows of four floats; row r = (a, b, c, t) gives coordinate r of a
// transformed point as a x + b y + c z + t. Rotation and scale sit in the
// first three columns, translation in the fourth (the columns of a
// Matrix4x4 stored as rows, the form vertex shader constants take).
struct Matrix34 {
  float m[3][4];
};

// Table entries: one turn in 65536 steps.
enum { MODEL_SINE_TABLE_SIZE = 65536 };

// Fills the sine table once (later calls do nothing).
void FillModelSineTable(void);
// The table itself, read-only once filled.
extern float g_modelSineTable[MODEL_SINE_TABLE_SIZE];
// ModelSineIndex for angles outside the rounding trick's range.
int ModelSineIndexOfLargeAngle(float angle);

// The table index of an angle: round(angle x 65536 / 2 pi) mod 65536. Angles
// beyond the table trick's range are reduced modulo 2 pi first; NaN and
// infinity give 0. Inline: it runs for every rotation of every frame.
inline int ModelSineIndex(float angle) {
  // The product must be a float before the bias is added: x87 excess
  // precision would round twice. SSE maths has none; x87 gets a store.
#if defined(__i386__) && !defined(__SSE_MATH__)
  volatile float stored = angle * 10430.378f;
  const float scaled = stored;
#else
  const float scaled = angle * 10430.378f;  // 65536 / (2 pi)
#endif
  if (!(scaled < 4194304.0f && scaled > -4194304.0f)) return ModelSineIndexOfLargeAngle(angle);
  // Adding 1.5 x 2^23 leaves the rounded integer in the low mantissa bits.
  const float biased = scaled + 12582912.0f;
  unsigned int bits;
  memcpy(&bits, &biased, sizeof(bits));
  return static_cast<int>(bits & 0xFFFFu);
}

// Table sine and cosine of angle (radians).
inline void ModelSinCos(float angle, float *sinOut, float *cosOut) {
  const int index = ModelSineIndex(angle);
  if (sinOut) *sinOut = g_modelSineTable[index];
  if (cosOut) *cosOut = g_modelSineTable[(index + 0x4000) & 0xFFFF];
}

// out = (x, y, z, 1) x m, w column ignored.
void TransformPoint3(Vector3 *out, const Vector3 *in, const Matrix4x4 *m);
// out = (x, y, z, 0) x m.
void TransformDirection3(Vector3 *out, const Vector3 *in, const Matrix4x4 *m);
// out = m (x, y, z, 1), by rows.
void TransformPoint34(const Matrix34 *m, Vector3 *out, const Vector3 *in);

// Rotations turning about the axes in the order of the name, the first
// letter first; translation column 0.
void MakeModelRotationXYZ(Matrix34 *out, float x, float y, float z);
void MakeModelRotationXZY(Matrix34 *out, float x, float y, float z);
void MakeModelRotationYXZ(Matrix34 *out, float x, float y, float z);
void MakeModelRotationYZX(Matrix34 *out, float x, float y, float z);
void MakeModelRotationZXY(Matrix34 *out, float x, float y, float z);
void MakeModelRotationZYX(Matrix34 *out, float x, float y, float z);
// The maker of an EulerOrder code; -1 (out untouched) for another code.
int MakeModelRotation(Matrix34 *out, int order, float x, float y, float z);

// out = a after b (b applied first); out must be neither input.
void MultiplyMatrix34(const Matrix34 *a, Matrix34 *out, const Matrix34 *b);
// out rotation = a's, out translation = a rotation x b translation + a
// translation (b's rotation ignored); out must be neither input.
void MultiplyMatrix34Translation(const Matrix34 *a, const Matrix34 *b, Matrix34 *out);
// Row r of out = column r of in.
void Matrix4x4To34(Matrix34 *out, const Matrix4x4 *in);
// The inverse rearrangement, fourth column (0, 0, 0, 1).
void Matrix34To4x4(Matrix4x4 *out, const Matrix34 *in);
// The identity.
void MakeIdentity34(Matrix34 *out);

// out = scale x R1 x R2 x R3 x (XYZ rotation of extra, when given) x
// translation, row vectors, with R1..R3 the single-axis rotations in the
// EulerOrder's sequence. 0, or -1 for an unknown order (out then holds only
// the scale matrix).
int MakeRotOrderMatrix(const Vector3 *rotation, const Vector3 *scale, const Vector3 *translation,
                       const Vector3 *extraRotation, Matrix4x4 *out, int order);

#endif  // VELVANE_MODEL_MODEL_MATHS_H
