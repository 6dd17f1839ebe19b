#include <stdio.h>
// Writes the MQO loader's fuzz seeds into fuzz/corpus/mqo_loader_fuzz (run
// from the source root).
#include "tools/mqo_write.h"
static void Save(const char *name, const std::string &text) {
  FILE *f = fopen(name, "wb"); fwrite(text.data(), 1, text.size(), f); fclose(f);
}
int main() {
  MqoWriteModel a;
  a.materials = MakeGridMaterials();
  a.materials[0].tex = "stone.png";
  a.materials[1].aplane = "moss_a.png";
  a.materials[1].bump = "bump\\moss.png";
  a.objects.push_back(MakeGridObject("floor", 3, 2));
  MqoWriteObject wing = MakeGridObject("wing", 2, 1);
  wing.depth = 1; wing.mirror = 1; wing.mirrorAxis = 7; wing.rotation[0] = 30; wing.scale[1] = 2;
  a.objects.push_back(wing);
  MqoWriteObject pent;
  pent.name = "pent"; pent.writeDepth = false; pent.visible = 0;
  pent.vertices = {0,0,0, 1,0,0, 1,1,0, 0,1,0, -1,0.5f,0};
  MqoWriteFace f; f.v = std::vector<int>{0,1,2,3,4}; pent.faces.push_back(f);
  MqoWriteFace g; g.v = std::vector<int>{0,1,2}; g.col = {0xff0000ffu, 0x80ffffffu, 0xffffffffu}; g.material = 1; pent.faces.push_back(g);
  a.objects.push_back(pent);
  Save("fuzz/corpus/mqo_loader_fuzz/grid_mirror.mqo", WriteMqo(a));
  MqoWriteModel b;
  b.materialChunk = false; b.eof = false;
  b.objects.push_back(MakeGridObject("plain", 2, 2));
  Save("fuzz/corpus/mqo_loader_fuzz/no_material.mqo", WriteMqo(b));
}
