#include "tools/mqo_write.h"

#include <stdio.h>

namespace {

std::string Number(float v) {
  char text[48];
  snprintf(text, sizeof(text), "%.6f", static_cast<double>(v));
  return text;
}

void WriteMaterial(std::string &out, const MqoWriteMaterial &m) {
  out += "\t\"" + m.name + "\" col(" + Number(m.col[0]) + " " + Number(m.col[1]) + " " + Number(m.col[2]) + " " +
         Number(m.col[3]) + ") dif(" + Number(m.dif) + ") amb(" + Number(m.amb) + ") emi(" + Number(m.emi) +
         ") spc(" + Number(m.spc) + ") power(" + Number(m.power) + ")";
  if (!m.tex.empty()) out += " tex(\"" + m.tex + "\")";
  if (!m.aplane.empty()) out += " aplane(\"" + m.aplane + "\")";
  if (!m.bump.empty()) out += " bump(\"" + m.bump + "\")";
  out += "\r\n";
}

void WriteFace(std::string &out, const MqoWriteFace &f) {
  out += "\t\t" + std::to_string(f.v.size()) + " V(";
  for (size_t i = 0; i < f.v.size(); i++) out += (i ? " " : "") + std::to_string(f.v[i]);
  out += ")";
  if (f.material >= 0) out += " M(" + std::to_string(f.material) + ")";
  if (!f.uv.empty()) {
    out += " UV(";
    for (size_t i = 0; i < f.uv.size(); i++) out += (i ? " " : "") + Number(f.uv[i]);
    out += ")";
  }
  if (!f.col.empty()) {
    out += " COL(";
    for (size_t i = 0; i < f.col.size(); i++) out += (i ? " " : "") + std::to_string(f.col[i]);
    out += ")";
  }
  out += "\r\n";
}

void WriteObject(std::string &out, const MqoWriteObject &o) {
  out += "Object \"" + o.name + "\" {\r\n";
  if (o.writeDepth) out += "\tdepth " + std::to_string(o.depth) + "\r\n";
  out += "\tfolding 0\r\n";
  out += "\tscale " + Number(o.scale[0]) + " " + Number(o.scale[1]) + " " + Number(o.scale[2]) + "\r\n";
  out += "\trotation " + Number(o.rotation[0]) + " " + Number(o.rotation[1]) + " " + Number(o.rotation[2]) + "\r\n";
  out += "\ttranslation " + Number(o.translation[0]) + " " + Number(o.translation[1]) + " " +
         Number(o.translation[2]) + "\r\n";
  out += "\tvisible " + std::to_string(o.visible) + "\r\n";
  out += "\tlocking 0\r\n\tshading 1\r\n";
  out += "\tfacet " + Number(o.facet) + "\r\n";
  out += "\tcolor 0.898 0.498 0.698\r\n\tcolor_type 0\r\n";
  if (o.mirror) {
    out += "\tmirror " + std::to_string(o.mirror) + "\r\n";
    out += "\tmirror_axis " + std::to_string(o.mirrorAxis) + "\r\n";
  }
  out += "\tvertex " + std::to_string(o.vertices.size() / 3) + " {\r\n";
  for (size_t i = 0; i + 2 < o.vertices.size(); i += 3) {
    out += "\t\t" + Number(o.vertices[i]) + " " + Number(o.vertices[i + 1]) + " " + Number(o.vertices[i + 2]) + "\r\n";
  }
  out += "\t}\r\n";
  out += "\tface " + std::to_string(o.faces.size()) + " {\r\n";
  for (const MqoWriteFace &f : o.faces) WriteFace(out, f);
  out += "\t}\r\n}\r\n";
}

}  // namespace

std::string WriteMqo(const MqoWriteModel &model) {
  std::string out = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
  out += "Scene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n\tlookat 0.0000 0.0000 0.0000\r\n\thead -0.5236\r\n"
         "\tpich 0.5236\r\n\tortho 0\r\n\tzoom2 5.0000\r\n\tamb 0.250 0.250 0.250\r\n}\r\n";
  if (model.materialChunk) {
    out += "Material " + std::to_string(model.materials.size()) + " {\r\n";
    for (const MqoWriteMaterial &m : model.materials) WriteMaterial(out, m);
    out += "}\r\n";
  }
  for (const MqoWriteObject &o : model.objects) WriteObject(out, o);
  if (model.eof) out += "Eof\r\n";
  return out;
}

std::string WriteObj(const MqoWriteModel &model) {
  std::string out;
  size_t base = 1;
  for (const MqoWriteObject &o : model.objects) {
    out += "g " + o.name + "\n";
    for (size_t i = 0; i + 2 < o.vertices.size(); i += 3) {
      out += "v " + Number(o.vertices[i]) + " " + Number(o.vertices[i + 1]) + " " + Number(o.vertices[i + 2]) + "\n";
    }
    for (const MqoWriteFace &f : o.faces) {
      for (size_t k = 0; k + 1 < f.uv.size(); k += 2) out += "vt " + Number(f.uv[k]) + " " + Number(f.uv[k + 1]) + "\n";
    }
    size_t uvBase = 1;
    for (const MqoWriteObject &earlier : model.objects) {
      if (&earlier == &o) break;
      for (const MqoWriteFace &f : earlier.faces) uvBase += f.uv.size() / 2;
    }
    for (const MqoWriteFace &f : o.faces) {
      out += "f";
      for (size_t k = 0; k < f.v.size(); k++) {
        out += " " + std::to_string(base + static_cast<size_t>(f.v[k]));
        if (!f.uv.empty()) out += "/" + std::to_string(uvBase + k);
      }
      uvBase += f.uv.size() / 2;
      out += "\n";
    }
    base += o.vertices.size() / 3;
  }
  return out;
}

MqoWriteObject MakeGridObject(const std::string &name, int columns, int rows) {
  MqoWriteObject o;
  o.name = name;
  for (int y = 0; y <= rows; y++) {
    for (int x = 0; x <= columns; x++) {
      o.vertices.push_back(static_cast<float>(x));
      o.vertices.push_back(static_cast<float>((x * 7 + y * 13) % 5) * 0.1f);
      o.vertices.push_back(static_cast<float>(y));
    }
  }
  auto at = [columns](int x, int y) { return y * (columns + 1) + x; };
  auto uv = [columns, rows](int x, int y, std::vector<float> &out) {
    out.push_back(static_cast<float>(x) / static_cast<float>(columns));
    out.push_back(static_cast<float>(y) / static_cast<float>(rows));
  };
  for (int y = 0; y < rows; y++) {
    for (int x = 0; x < columns; x++) {
      const int material = (x + y) % 2;
      if ((x + y) % 3 != 0) {
        MqoWriteFace f;
        f.v = std::vector<int>{at(x, y), at(x, y + 1), at(x + 1, y + 1), at(x + 1, y)};
        f.material = material;
        uv(x, y, f.uv);
        uv(x, y + 1, f.uv);
        uv(x + 1, y + 1, f.uv);
        uv(x + 1, y, f.uv);
        o.faces.push_back(f);
      } else {
        MqoWriteFace a, b;
        a.v = std::vector<int>{at(x, y), at(x, y + 1), at(x + 1, y + 1)};
        b.v = std::vector<int>{at(x, y), at(x + 1, y + 1), at(x + 1, y)};
        a.material = b.material = material;
        uv(x, y, a.uv);
        uv(x, y + 1, a.uv);
        uv(x + 1, y + 1, a.uv);
        uv(x, y, b.uv);
        uv(x + 1, y + 1, b.uv);
        uv(x + 1, y, b.uv);
        o.faces.push_back(a);
        o.faces.push_back(b);
      }
    }
  }
  return o;
}

std::vector<MqoWriteMaterial> MakeGridMaterials() {
  MqoWriteMaterial a, b;
  a.name = "stone";
  a.col[0] = 0.5f;
  b.name = "moss";
  b.col[1] = 0.25f;
  return {a, b};
}
