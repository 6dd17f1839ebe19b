// Text dumps of model data for the loader tests: what a reader of the test
// compares at a glance, with floats rounded to 4 decimals.
#ifndef VELVANE_TESTS_MODEL_DUMP_H
#define VELVANE_TESTS_MODEL_DUMP_H

#include <stdio.h>

#include <string>
#include <vector>

#include "model/data/model_data.h"

namespace model_dump {

inline std::string F(float v) {
  char text[32];
  snprintf(text, sizeof(text), "%.4f", static_cast<double>(v) == 0.0 ? 0.0 : static_cast<double>(v));
  return text;
}

inline std::string V(const Vector3 &v) { return "(" + F(v.x) + " " + F(v.y) + " " + F(v.z) + ")"; }
inline std::string C(const ColorF &c) { return "(" + F(c.r) + " " + F(c.g) + " " + F(c.b) + " " + F(c.a) + ")"; }

inline Vector3 PositionOf(const ModelMesh *mesh, int meshVertex) {
  return PositionAt(mesh->frame, MeshVertexAt(mesh, meshVertex)->positionIndex)->position;
}

// One line per frame, material, texture and mesh; a mesh lists its
// triangles as frame-space corner positions.
inline std::string DumpModelData(const ModelData *data, bool withTriangles = true) {
  std::string out;
  for (int f = 0; f < data->frameCount; f++) {
    const ModelFrame &frame = data->frames[f];
    out += "frame " + std::to_string(f) + " " + frame.name + " parent " +
           (frame.parent ? std::to_string(frame.parent->index) : std::string("-")) + " visible " +
           std::to_string(frame.flags & 1) + " t" + V(frame.translation) + " r" + V(frame.rotation) + " order " +
           std::to_string(frame.rotationOrder) + " s" + V(frame.scale) + " meshes " + std::to_string(frame.meshCount) +
           "\n";
  }
  for (int m = 0; m < data->materialCount; m++) {
    const ModelMaterial &material = data->materials[m];
    out += "material " + std::to_string(m) + " " + material.name + " dif" + C(material.surface.diffuse) + " amb" +
           C(material.surface.ambient) + " spc" + C(material.surface.specular) + " emi" + C(material.surface.emissive) +
           " power " + F(material.surface.power) + " tex " +
           (material.surface.diffuseTexture.used ? std::to_string(material.surface.diffuseTexture.texture) : "-") +
           " bump " + (material.surface.normalMap.used ? std::to_string(material.surface.normalMap.texture) : "-") + "\n";
  }
  for (int t = 0; t < data->textureCount; t++) {
    const ModelTexture &texture = data->textures[t];
    out += "texture " + std::to_string(t) + " " + (texture.fileName ? texture.fileName : "-") + " alpha " +
           (texture.alphaFileName ? texture.alphaFileName : "-") + "\n";
  }
  for (int m = 0; m < data->meshCount; m++) {
    const ModelMesh &mesh = data->meshes[m];
    out += "mesh " + std::to_string(m) + " frame " + std::to_string(mesh.frame->index) + " material " +
           (mesh.material ? mesh.material->name : "-") + " vertices " + std::to_string(mesh.meshVertexCount) +
           " lists " + std::to_string(mesh.triangleListCount) + "\n";
    for (int l = 0; withTriangles && l < mesh.triangleListCount; l++) {
      const ModelTriangleList &list = mesh.firstTriangleList[l];
      for (int i = 0; i + 2 < list.indexCount; i += 3) {
        out += " ";
        for (int k = 0; k < 3; k++) {
          const int v = list.listVertexIndices[list.indices[i + k]];
          const ModelMeshVertex *vertex = MeshVertexAt(&mesh, v);
          char colour[16];
          snprintf(colour, sizeof(colour), "%02x%02x%02x%02x", vertex->diffuse[2], vertex->diffuse[1],
                   vertex->diffuse[0], vertex->diffuse[3]);
          out += " " + V(PositionOf(&mesh, v)) + "#" + colour;
        }
        out += "\n";
      }
    }
  }
  return out;
}

}  // namespace model_dump

#endif  // VELVANE_TESTS_MODEL_DUMP_H
