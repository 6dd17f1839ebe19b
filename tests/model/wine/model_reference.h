// The picture a model should make, computed on the CPU in doubles from the
// model as the MQO writer describes it (not from what the loader made of
// it) and from the test's own texels, by Direct3D 9's documented rules:
// the viewport transform, counter-clockwise faces culled, pixel centres on
// integer coordinates with the top-left fill rule, per-vertex lighting from
// one directional light plus ambient, the texture modulated by the lit
// colour, source-alpha blending and a less-or-equal depth test.
#ifndef VELVANE_TESTS_MODEL_WINE_MODEL_REFERENCE_H
#define VELVANE_TESTS_MODEL_WINE_MODEL_REFERENCE_H

#include <stdint.h>

#include <vector>

#include "model/row_matrices.h"
#include "tools/mqo_write.h"

namespace model_reference {

struct Vec3 {
  double x, y, z;
};

using row_matrices::Mat4;
using row_matrices::Identity;
using row_matrices::Multiply;
using row_matrices::RotationX;
using row_matrices::RotationY;
using row_matrices::RotationZ;
using row_matrices::Translation;
// Left-handed look-at and perspective (vertical field of view, width /
// height), as Direct3D's helpers define them.
Mat4 LookAt(Vec3 eye, Vec3 at, Vec3 up);
Mat4 Perspective(double fovY, double aspect, double zNear, double zFar);

// A texture the test wrote: width x height 0xAARRGGBB texels.
struct Texels {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
  // The texel under (u, v), wrapped; the test's UVs stay inside one
  // colour, so filtering does not change it.
  uint32_t At(double u, double v) const;
};

// One directional light (direction the light travels) with its diffuse
// and ambient colour, and the device's ambient colour.
struct Lighting {
  Vec3 direction;
  double diffuse[3];
  double lightAmbient[3];
  double ambient[3];
};

struct Scene {
  int width = 640, height = 480;
  uint32_t background = 0;  // 0xRRGGBB
  Mat4 view, projection;
  Lighting light;
};

// One instance of a model: its world matrix and the textures of its
// materials (null: untextured, white).
struct Instance {
  const MqoWriteModel *model;
  Mat4 world;
  std::vector<const Texels *> textures;
};

// The rendered picture: 0xFFRRGGBB per pixel, and for each pixel the face
// that coloured it last (0 for the background), to find edges.
struct Result {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
  std::vector<int> face;
};

// Clears to the background and draws the instances in order.
Result Render(const Scene &scene, const std::vector<Instance> &instances);

// Each channel rounded to the 5, 6, 5 bits a 16-bit screen keeps, and
// widened back by repeating the top bits, as the read-back widens it.
uint32_t To565(uint32_t argb);

}  // namespace model_reference

#endif  // VELVANE_TESTS_MODEL_WINE_MODEL_REFERENCE_H
