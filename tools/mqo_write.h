// Writes MQO documents (CR LF lines) from a model described in code, for
// the model loader's tests, its benchmark and its fuzz seeds; also writes
// the same mesh as OBJ text for other importers.
#ifndef VELVANE_TOOLS_MQO_WRITE_H
#define VELVANE_TOOLS_MQO_WRITE_H

#include <stdint.h>

#include <string>
#include <vector>

struct MqoWriteMaterial {
  std::string name;  // bytes as written (Shift-JIS allowed)
  float col[4] = {1, 1, 1, 1};
  float dif = 0.8f, amb = 0.6f, emi = 0.0f, spc = 0.0f, power = 5.0f;
  std::string tex, aplane, bump;  // written when not empty
};

struct MqoWriteFace {
  std::vector<int> v;
  int material = -1;            // M(...) when 0 or more
  std::vector<float> uv;        // UV(...) when not empty: u, v per corner
  std::vector<uint32_t> col;    // COL(...) when not empty
};

struct MqoWriteObject {
  std::string name;
  int depth = 0;
  bool writeDepth = true;
  int visible = 15;
  float facet = 59.5f;
  float scale[3] = {1, 1, 1};
  float rotation[3] = {0, 0, 0};  // heading, pitch, bank in degrees
  float translation[3] = {0, 0, 0};
  int mirror = 0;
  int mirrorAxis = 0;
  std::vector<float> vertices;  // x, y, z per vertex
  std::vector<MqoWriteFace> faces;
};

struct MqoWriteModel {
  bool materialChunk = true;
  std::vector<MqoWriteMaterial> materials;
  std::vector<MqoWriteObject> objects;
  bool eof = true;
};

// The document text.
std::string WriteMqo(const MqoWriteModel &model);
// The objects' vertices and faces as OBJ text (one object per group, no
// materials), in the file's own coordinates.
std::string WriteObj(const MqoWriteModel &model);

// A grid object of columns x rows quads (every other one split into two
// triangles), materials 0 and 1 alternating, with UVs; for benchmarks.
MqoWriteObject MakeGridObject(const std::string &name, int columns, int rows);
// Two materials for grid objects.
std::vector<MqoWriteMaterial> MakeGridMaterials();

#endif  // VELVANE_TOOLS_MQO_WRITE_H
