#include "model/wine/model_reference.h"

#include <math.h>

#include <algorithm>

namespace model_reference {

namespace {

struct Vec4 {
  double x, y, z, w;
};

Vec3 Sub(Vec3 a, Vec3 b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(Vec3 a, Vec3 b) { return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalised(Vec3 a) {
  const double length = sqrt(Dot(a, a));
  return length > 0 ? Vec3{a.x / length, a.y / length, a.z / length} : a;
}

Vec4 Transform(Vec3 p, const Mat4 &m) {
  Vec4 out;
  out.x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
  out.y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
  out.z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
  out.w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  return out;
}

Vec3 TransformDirection(Vec3 d, const Mat4 &m) {
  return Vec3{d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0], d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
              d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2]};
}

double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

// A corner ready for the rasteriser: screen position, depth, 1 / w and
// the attributes divided by w (perspective-correct interpolation).
struct ScreenCorner {
  double x, y, z, invW;
  double colourOverW[4];
  double uOverW, vOverW;
};

// What a material gives a corner, as the MQO text defines it.
struct CornerColour {
  double diffuse[4];  // the vertex colour, stored as truncated bytes
};

double Byte(double v) {
  if (v >= 1.0) return 1.0;
  if (v < 0.0) return 0.0;
  return floor(v * 255.0) / 255.0;
}

CornerColour ColourOf(const MqoWriteModel &model, const MqoWriteFace &face, int corner) {
  double base[4] = {1, 1, 1, 1};
  if (face.material >= 0) {
    const MqoWriteMaterial &m = model.materials[static_cast<size_t>(face.material)];
    base[0] = m.dif * m.col[0];
    base[1] = m.dif * m.col[1];
    base[2] = m.dif * m.col[2];
    base[3] = m.col[3];
  }
  CornerColour out;
  if (!face.col.empty()) {
    const uint32_t c = face.col[static_cast<size_t>(corner)];
    out.diffuse[0] = (c & 255) * base[0] / 255.0;
    out.diffuse[1] = ((c >> 8) & 255) * base[1] / 255.0;
    out.diffuse[2] = ((c >> 16) & 255) * base[2] / 255.0;
    out.diffuse[3] = (c >> 24) * base[3] / 255.0;
  } else {
    for (int k = 0; k < 4; k++) out.diffuse[k] = base[k];
  }
  for (double &v : out.diffuse) v = Byte(v);
  return out;
}

// Per-vertex lighting: emissive + ambient x (device ambient + the light's
// ambient) + diffuse x light x max(0, N . L); alpha from the diffuse.
void Light(const Scene &scene, const MqoWriteModel &model, int material, const CornerColour &corner, Vec3 normal,
           double out[4]) {
  double ambient = 0, emissive[3] = {0, 0, 0};
  if (material >= 0) {
    const MqoWriteMaterial &m = model.materials[static_cast<size_t>(material)];
    ambient = m.amb;
    for (int k = 0; k < 3; k++) emissive[k] = m.emi * m.col[k];
  }
  const Lighting &l = scene.light;
  const Vec3 toLight = Normalised(Vec3{-l.direction.x, -l.direction.y, -l.direction.z});
  const double facing = std::max(0.0, Dot(Normalised(normal), toLight));
  for (int k = 0; k < 3; k++) {
    out[k] = Clamp01(emissive[k] + ambient * (l.ambient[k] + l.lightAmbient[k]) + corner.diffuse[k] * l.diffuse[k] * facing);
  }
  out[3] = corner.diffuse[3];
}

uint32_t Pack(const double c[4]) {
  uint32_t out = 0xFF000000u;
  for (int k = 0; k < 3; k++) out |= static_cast<uint32_t>(lround(Clamp01(c[k]) * 255.0)) << (16 - 8 * k);
  return out;
}

void Unpack(uint32_t argb, double c[4]) {
  c[0] = ((argb >> 16) & 255) / 255.0;
  c[1] = ((argb >> 8) & 255) / 255.0;
  c[2] = (argb & 255) / 255.0;
  c[3] = (argb >> 24) / 255.0;
}

// Whether a zero edge value still covers the sample: Direct3D's top-left
// rule, for triangles wound clockwise on a y-down screen.
bool TopOrLeft(const ScreenCorner &from, const ScreenCorner &to) {
  const double dx = to.x - from.x, dy = to.y - from.y;
  return (dy == 0 && dx > 0) || dy < 0;
}

double Edge(const ScreenCorner &from, const ScreenCorner &to, double px, double py) {
  return (to.x - from.x) * (py - from.y) - (to.y - from.y) * (px - from.x);
}

struct Target {
  Result *result;
  std::vector<double> depth;
};

void Rasterise(Target *target, const ScreenCorner c[3], const Texels *texture, int faceId) {
  const double area = Edge(c[0], c[1], c[2].x, c[2].y);
  // Counter-clockwise on screen (negative here) is culled; so is nothing.
  if (area <= 0) return;
  Result &r = *target->result;
  const int x0 = std::max(0, static_cast<int>(floor(std::min({c[0].x, c[1].x, c[2].x}))));
  const int x1 = std::min(r.width - 1, static_cast<int>(ceil(std::max({c[0].x, c[1].x, c[2].x}))));
  const int y0 = std::max(0, static_cast<int>(floor(std::min({c[0].y, c[1].y, c[2].y}))));
  const int y1 = std::min(r.height - 1, static_cast<int>(ceil(std::max({c[0].y, c[1].y, c[2].y}))));
  for (int y = y0; y <= y1; y++) {
    for (int x = x0; x <= x1; x++) {
      // Pixel centres lie on integer coordinates.
      const double w[3] = {Edge(c[1], c[2], x, y), Edge(c[2], c[0], x, y), Edge(c[0], c[1], x, y)};
      const bool inside = (w[0] > 0 || (w[0] == 0 && TopOrLeft(c[1], c[2]))) &&
                          (w[1] > 0 || (w[1] == 0 && TopOrLeft(c[2], c[0]))) &&
                          (w[2] > 0 || (w[2] == 0 && TopOrLeft(c[0], c[1])));
      if (!inside) continue;
      const double b[3] = {w[0] / area, w[1] / area, w[2] / area};
      const double z = b[0] * c[0].z + b[1] * c[1].z + b[2] * c[2].z;
      const size_t at = static_cast<size_t>(y) * r.width + x;
      if (z < 0 || z > 1 || !(z <= target->depth[at])) continue;
      const double invW = b[0] * c[0].invW + b[1] * c[1].invW + b[2] * c[2].invW;
      double colour[4];
      for (int k = 0; k < 4; k++) {
        colour[k] = (b[0] * c[0].colourOverW[k] + b[1] * c[1].colourOverW[k] + b[2] * c[2].colourOverW[k]) / invW;
      }
      double texel[4] = {1, 1, 1, 1};
      if (texture) {
        const double u = (b[0] * c[0].uOverW + b[1] * c[1].uOverW + b[2] * c[2].uOverW) / invW;
        const double v = (b[0] * c[0].vOverW + b[1] * c[1].vOverW + b[2] * c[2].vOverW) / invW;
        Unpack(texture->At(u, v), texel);
      }
      double source[4], below[4], out[4];
      for (int k = 0; k < 4; k++) source[k] = texel[k] * colour[k];
      Unpack(r.argb[at], below);
      for (int k = 0; k < 3; k++) out[k] = source[k] * source[3] + below[k] * (1 - source[3]);
      out[3] = 1;
      r.argb[at] = Pack(out);
      r.face[at] = faceId;
      target->depth[at] = z;
    }
  }
}

}  // namespace

Mat4 LookAt(Vec3 eye, Vec3 at, Vec3 up) {
  const Vec3 zAxis = Normalised(Sub(at, eye));
  const Vec3 xAxis = Normalised(Cross(up, zAxis));
  const Vec3 yAxis = Cross(zAxis, xAxis);
  Mat4 m = Identity();
  const Vec3 axes[3] = {xAxis, yAxis, zAxis};
  for (int c = 0; c < 3; c++) {
    m.m[0][c] = axes[c].x;
    m.m[1][c] = axes[c].y;
    m.m[2][c] = axes[c].z;
    m.m[3][c] = -Dot(axes[c], eye);
  }
  return m;
}

Mat4 Perspective(double fovY, double aspect, double zNear, double zFar) {
  Mat4 m = {};
  const double yScale = 1.0 / tan(fovY / 2);
  m.m[0][0] = yScale / aspect;
  m.m[1][1] = yScale;
  m.m[2][2] = zFar / (zFar - zNear);
  m.m[2][3] = 1;
  m.m[3][2] = -zNear * zFar / (zFar - zNear);
  return m;
}

uint32_t Texels::At(double u, double v) const {
  int x = static_cast<int>(floor(u * width)) % width;
  int y = static_cast<int>(floor(v * height)) % height;
  if (x < 0) x += width;
  if (y < 0) y += height;
  return argb[static_cast<size_t>(y) * width + x];
}

Result Render(const Scene &scene, const std::vector<Instance> &instances) {
  Result result;
  result.width = scene.width;
  result.height = scene.height;
  const size_t pixels = static_cast<size_t>(scene.width) * scene.height;
  result.argb.assign(pixels, 0xFF000000u | scene.background);
  result.face.assign(pixels, 0);
  Target target = {&result, std::vector<double>(pixels, 1.0)};
  const Mat4 viewProjection = Multiply(scene.view, scene.projection);
  int faceId = 0;
  for (const Instance &instance : instances) {
    const MqoWriteModel &model = *instance.model;
    const Mat4 toClip = Multiply(instance.world, viewProjection);
    for (const MqoWriteObject &object : model.objects) {
      if (object.visible != 15) {
        faceId += static_cast<int>(object.faces.size());
        continue;
      }
      for (const MqoWriteFace &face : object.faces) {
        faceId++;
        const int corners = static_cast<int>(face.v.size());
        if (corners != 3 && corners != 4) continue;
        // The file's z is negated; quads are cut (0, 1, 3) (3, 1, 2).
        const int cuts[2][3] = {{0, 1, corners == 4 ? 3 : 2}, {3, 1, 2}};
        const Texels *texture = face.material >= 0 ? instance.textures[static_cast<size_t>(face.material)] : nullptr;
        for (int t = 0; t < (corners == 4 ? 2 : 1); t++) {
          Vec3 local[3];
          for (int k = 0; k < 3; k++) {
            const int v = face.v[static_cast<size_t>(cuts[t][k])];
            local[k] = Vec3{object.vertices[3 * v], object.vertices[3 * v + 1], -object.vertices[3 * v + 2]};
          }
          const Vec3 normal = TransformDirection(Cross(Sub(local[1], local[0]), Sub(local[2], local[0])), instance.world);
          ScreenCorner screen[3];
          bool behind = false;
          for (int k = 0; k < 3; k++) {
            const int corner = cuts[t][k];
            const Vec4 clip = Transform(local[k], toClip);
            if (clip.w <= 0) behind = true;
            ScreenCorner &s = screen[k];
            s.invW = 1.0 / clip.w;
            s.x = (clip.x * s.invW + 1) * scene.width / 2;
            s.y = (1 - clip.y * s.invW) * scene.height / 2;
            s.z = clip.z * s.invW;
            double lit[4];
            Light(scene, model, face.material, ColourOf(model, face, corner), normal, lit);
            for (int c = 0; c < 4; c++) s.colourOverW[c] = lit[c] * s.invW;
            const double u = face.uv.empty() ? 0 : face.uv[static_cast<size_t>(2 * corner)];
            const double v = face.uv.empty() ? 0 : face.uv[static_cast<size_t>(2 * corner + 1)];
            s.uOverW = u * s.invW;
            s.vOverW = v * s.invW;
          }
          if (!behind) Rasterise(&target, screen, texture, faceId);
        }
      }
    }
  }
  return result;
}

uint32_t To565(uint32_t argb) {
  const int bits[3] = {5, 6, 5};
  uint32_t out = 0xFF000000u;
  for (int k = 0; k < 3; k++) {
    const int shift = 16 - 8 * k;
    const int top = (1 << bits[k]) - 1;
    const uint32_t level = static_cast<uint32_t>(lround(((argb >> shift) & 255) * top / 255.0));
    // Widened by repeating the top bits, as the read-back does.
    const uint32_t wide = (level << (8 - bits[k])) | (level >> (2 * bits[k] - 8));
    out |= wide << shift;
  }
  return out;
}

}  // namespace model_reference
