#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "model/loaders/mqo_test_support.h"
#include "model/model_dump.h"
#include "model/system/model_system.h"

namespace {

using mqo_test::MqoTest;
using mqo_test::Textures;

// The hand-written document the dumps pin. "root" holds a triangle of
// "blue", a pentagon (dropped) and a quad of "red" with vertex colours;
// "empty" has no face; "child" (under root, moved) uses red with
// "NoMaterial"; "second" is a root of its own; "unused" is used by no face.
const char kDocument[] =
    "Metasequoia Document\r\n"
    "Format Text Ver 1.0\r\n"
    "\r\n"
    "Scene {\r\n"
    "\tpos 0.0000 0.0000 1500.0000\r\n"
    "\tamb 0.250 0.250 0.250\r\n"
    "}\r\n"
    "Material 3 {\r\n"
    "\t\"red\" col(1.000 0.000 0.000 1.000) dif(0.500) amb(0.250) emi(0.200) spc(0.100) power(5.00) tex(\"red.png\")\r\n"
    "\t\"blue\" col(0.000 0.000 1.000 0.500) dif(1.000) power(2.00) reflect(0.5)\r\n"
    "\t\"unused\" col(0 1 0 1) dif(1) tex(\"unused.png\")\r\n"
    "}\r\n"
    "Object \"root\" {\r\n"
    "\tdepth 0\r\n"
    "\tfacet 59.5\r\n"
    "\tvertex 5 {\r\n"
    "\t\t0 0 0\r\n"
    "\t\t1 0 0\r\n"
    "\t\t1 1 0\r\n"
    "\t\t0 1 1\r\n"
    "\t\t0 2 0\r\n"
    "\t}\r\n"
    "\tface 3 {\r\n"
    "\t\t3 V(0 1 2) M(1)\r\n"
    "\t\t5 V(0 1 2 3 4) M(2)\r\n"
    "\t\t4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1) COL(4278190335 4278255360 4294901760 2164260863)\r\n"
    "\t}\r\n"
    "}\r\n"
    "Object \"empty\" {\r\n"
    "\tdepth 1\r\n"
    "\tvertex 0 {\r\n"
    "\t}\r\n"
    "}\r\n"
    "Object \"child\" {\r\n"
    "\tdepth 1\r\n"
    "\ttranslation 0 0 5\r\n"
    "\tvertex 3 {\r\n"
    "\t\t0 0 5\r\n"
    "\t\t2 0 5\r\n"
    "\t\t0 2 5\r\n"
    "\t}\r\n"
    "\tface 2 {\r\n"
    "\t\t3 V(0 1 2)\r\n"
    "\t\t3 V(2 1 0) M(0)\r\n"
    "\t}\r\n"
    "}\r\n"
    "Object \"second\" {\r\n"
    "\tdepth 0\r\n"
    "\tvisible 0\r\n"
    "\tvertex 3 {\r\n"
    "\t\t0 0 0\r\n"
    "\t\t1 0 0\r\n"
    "\t\t0 1 0\r\n"
    "\t}\r\n"
    "\tface 1 {\r\n"
    "\t\t3 V(0 1 2) M(1)\r\n"
    "\t}\r\n"
    "}\r\n"
    "Eof\r\n";

TEST_F(MqoTest, HandWrittenDocumentDump) {
  const int handle = LoadText(kDocument);
  ASSERT_GE(handle, 0) << log.Text();
  EXPECT_EQ(std::vector<std::string>{}, Lines());
  EXPECT_EQ(
      // Frames depth first: "empty" keeps its number although it has no mesh.
      "frame 0 root parent - visible 1 t(0.0000 0.0000 0.0000) r(0.0000 0.0000 0.0000) order 0 s(1.0000 1.0000 1.0000) meshes 2\n"
      "frame 1 empty parent 0 visible 1 t(0.0000 0.0000 0.0000) r(0.0000 0.0000 0.0000) order 0 s(1.0000 1.0000 1.0000) meshes 0\n"
      "frame 2 child parent 0 visible 1 t(0.0000 0.0000 -5.0000) r(0.0000 0.0000 0.0000) order 0 s(1.0000 1.0000 1.0000) meshes 2\n"
      "frame 3 second parent - visible 0 t(0.0000 0.0000 0.0000) r(0.0000 0.0000 0.0000) order 0 s(1.0000 1.0000 1.0000) meshes 1\n"
      // dif x col, power x 4; the unused material loses its texture.
      "material 0 red dif(0.5000 0.0000 0.0000 1.0000) amb(0.2500 0.2500 0.2500 0.0000) spc(0.1000 0.1000 0.1000 0.0000) emi(0.2000 0.0000 0.0000 0.0000) power 20.0000 tex 0 bump -\n"
      "material 1 blue dif(0.0000 0.0000 1.0000 0.5000) amb(0.0000 0.0000 0.0000 0.0000) spc(0.0000 0.0000 0.0000 0.0000) emi(0.0000 0.0000 0.0000 0.0000) power 8.0000 tex - bump -\n"
      "material 2 unused dif(0.0000 1.0000 0.0000 1.0000) amb(0.0000 0.0000 0.0000 0.0000) spc(0.0000 0.0000 0.0000 0.0000) emi(0.0000 0.0000 0.0000 0.0000) power 0.0000 tex - bump -\n"
      "material 3 NoMaterial dif(1.0000 1.0000 1.0000 1.0000) amb(0.0000 0.0000 0.0000 0.0000) spc(0.0000 0.0000 0.0000 0.0000) emi(0.0000 0.0000 0.0000 0.0000) power 0.0000 tex - bump -\n"
      "texture 0 red.png alpha -\n"
      "texture 1 unused.png alpha -\n"
      // Materials in order of first use; z negated; COL x diffuse.
      "mesh 0 frame 0 material blue vertices 3 lists 1\n"
      "  (0.0000 0.0000 0.0000)#0000ff7f (1.0000 0.0000 0.0000)#0000ff7f (1.0000 1.0000 0.0000)#0000ff7f\n"
      "mesh 1 frame 0 material red vertices 4 lists 1\n"
      "  (0.0000 0.0000 0.0000)#7f0000ff (1.0000 0.0000 0.0000)#000000ff (0.0000 1.0000 -1.0000)#7f000080\n"
      "  (0.0000 1.0000 -1.0000)#7f000080 (1.0000 0.0000 0.0000)#000000ff (1.0000 1.0000 0.0000)#000000ff\n"
      // Vertices in the frame's own space (the frame moved to z -5).
      "mesh 2 frame 2 material NoMaterial vertices 3 lists 1\n"
      "  (0.0000 0.0000 0.0000)#ffffffff (2.0000 0.0000 0.0000)#ffffffff (0.0000 2.0000 0.0000)#ffffffff\n"
      "mesh 3 frame 2 material red vertices 3 lists 1\n"
      "  (0.0000 2.0000 0.0000)#7f0000ff (2.0000 0.0000 0.0000)#7f0000ff (0.0000 0.0000 0.0000)#7f0000ff\n"
      "mesh 4 frame 3 material blue vertices 3 lists 1\n"
      "  (0.0000 0.0000 0.0000)#0000ff7f (1.0000 0.0000 0.0000)#0000ff7f (0.0000 1.0000 0.0000)#0000ff7f\n",
      model_dump::DumpModelData(LookupModelData(handle)));
  // Only the used material's texture was asked for, against the model folder.
  EXPECT_EQ(std::vector<std::string>{"D:\\models\\red.png"}, Textures().requests);
  EXPECT_EQ(0, ReleaseModelData(handle));
}

}  // namespace

namespace {

// The document with its first occurrence of find replaced.
std::string Edited(const std::string &find, const std::string &replace) {
  std::string text = kDocument;
  const size_t at = text.find(find);
  EXPECT_NE(std::string::npos, at) << find;
  if (at != std::string::npos) text.replace(at, find.size(), replace);
  return text;
}

struct MalformedCase {
  const char *find;
  const char *replace;
  const char *line;  // after "MQO Load Error : "
};

const MalformedCase kMalformed[] = {
    {"Material 3 {", "#Material 3 {", "予期せぬ EOF です"},
    {"Material 3 {", "Material -1 {", "マテリアルの数( -1 )が不正です"},
    {"Material 3 {", "Material 1024 {", "マテリアルの数( 1024 )が不正です"},
    {"Material 3 {", "Material # {", "マテリアルの数( -1 )が不正です"},
    {"Material 3 {", "Material 3 (", "Material 数の後に { がありません"},
    {"Material 3 {", "Material 2 {", "Material チャンクの終端に } がありません"},
    {"\t\"blue\"", "\tblue", "No.1 の Material 名の取得に失敗しました"},
    {"reflect(0.5)", "reflect(0.5) #", "No.1 の Material の読み込み中にエラーが発生しました"},
    {"power(2.00)", "power 2.00", "No.1 の Material の power の後に ( がありませんでした"},
    {"power(2.00)", "power(2.00 3)", "No.1 の Material の power の数値の後に ) がありませんでした"},
    {"col(1.000 0.000 0.000 1.000)", "col(1 0 0 1 1)", "No.0 の Material の col の数値の後に ) がありませんでした"},
    {"tex(\"red.png\")", "tex(red.png)", "No.0 の tex の文字列読み込みに失敗しました"},
    {"tex(\"red.png\")", "tex(\"red.png\" x)", "No.0 の Material の tex の数値の後に ) がありませんでした"},
    {"tex(\"unused.png\")", "aplane(x)", "No.2 の aplane の文字列読み込みに失敗しました"},
    {"tex(\"unused.png\")", "bump(x)", "No.2 の bump の文字列読み込みに失敗しました"},
    {"Object \"second\"", "Object second", "Object チャンクの名前の取得に失敗しました"},
    {"Object \"second\" {", "Object \"second\" (", "Object チャンク名の後に { がありません"},
    {"depth 0\r\n\tvisible", "depth -1\r\n\tvisible", "Object second チャンクの解析中にエラーが発生しました"},
    {"depth 0\r\n\tvisible", "depth 1024\r\n\tvisible", "Object second チャンクの解析中にエラーが発生しました"},
    {"\tvisible 0", "\t#", "Object second チャンクの解析中にエラーが発生しました"},
    {"vertex 3 {\r\n\t\t0 0 5", "vertex -3 {\r\n\t\t0 0 5", "Object child チャンクの解析中にエラーが発生しました"},
    {"vertex 3 {\r\n\t\t0 0 5", "vertex 300 {\r\n\t\t0 0 5", "Object child チャンクの解析中にエラーが発生しました"},
    {"vertex 3 {\r\n\t\t0 0 5", "vertex 3 (\r\n\t\t0 0 5", "Object child チャンクの vertex 後に { がありません"},
    {"vertex 3 {\r\n\t\t0 0 5", "vertex 2 {\r\n\t\t0 0 5", "Object child チャンクの vertex の終端に } がありません"},
    {"face 2 {", "face -2 {", "Object child チャンクの解析中にエラーが発生しました"},
    {"face 2 {", "face 200 {", "Object child チャンクの解析中にエラーが発生しました"},
    {"face 2 {", "face 2 (", "Object child チャンクの face 後に { がありません"},
    {"face 2 {", "face 1 {", "Object child チャンクの face の終端に } がありません"},
    {"3 V(2 1 0) M(0)", "3 W(2 1 0) M(0)", "Object child チャンクの face の頂点数の数の後に V がありません"},
    {"3 V(2 1 0) M(0)", "3 V 2 1 0) M(0)", "Object child チャンクの face の V の ( がありません"},
    {"3 V(2 1 0) M(0)", "3 V(2 -1 0) M(0)", "Object child チャンクの face の 1番目の V の頂点インデックスが不正です"},
    {"3 V(2 1 0) M(0)", "3 V(2 1 3) M(0)", "Object child チャンクの face の 2番目の V の頂点インデックスが不正です"},
    {"3 V(2 1 0) M(0)", "3 V(2 1 0 M(0)", "Object child チャンクの face の V の ) がありません"},
    {"3 V(2 1 0) M(0)", "3 V(2 1 0) M 0)", "Object child チャンクの face の M の ( がありません"},
    {"3 V(2 1 0) M(0)", "3 V(2 1 0) M(0 1)", "Object child チャンクの face の M の ) がありません"},
    {"3 V(2 1 0) M(0)", "3 V(2 1 0) M(4)", "Object child チャンクの解析中にエラーが発生しました"},
    {"3 V(2 1 0) M(0)", "3 V(2 1 0) M(-1)", "Object child チャンクの解析中にエラーが発生しました"},
    {"UV(0 0 1 0 1 1 0 1)", "UV 0 0 1 0 1 1 0 1)", "Object root チャンクの face の UV の ( がありません"},
    {"UV(0 0 1 0 1 1 0 1)", "UV(0 0 1 0 1 1 0 1 5)", "Object root チャンクの face の UV の ) がありません"},
    {"COL(4278190335", "COL 4278190335", "Object root チャンクの face の COL の ( がありません"},
    {"2164260863)", "2164260863 7)", "Object root チャンクの face の COL の ) がありません"},
    {"Eof", "#Eof", "チャンク解析中に文字列解析エラーが発生しました"},
    // A file that ends inside a chunk fails rather than reading on.
    {"\t}\r\n}\r\nEof\r\n", "\t}\r\n", "Object second チャンクの解析中にエラーが発生しました"},
};

TEST_F(MqoTest, MalformedDocumentsFailWithTheirLine) {
  for (const MalformedCase &row : kMalformed) {
    SCOPED_TRACE(row.replace);
    const std::string text = Edited(row.find, row.replace);
    EXPECT_EQ(0, ReleaseModelData(LoadText(kDocument)));
    log.Clear();
    const int blocks = GetAllocatedBlockCount();
    EXPECT_EQ(-1, LoadText(text));
    EXPECT_EQ(std::vector<std::string>{std::string("MQO Load Error : ") + row.line}, Lines());
    EXPECT_EQ(blocks, GetAllocatedBlockCount());
  }
}

TEST_F(MqoTest, OverlongTokensFail) {
  const std::string name(1030, 'n');
  const struct {
    std::string find, replace, line;
  } rows[] = {
      {"Object \"second\"", "Object \"" + name + "\"", "Object チャンクの名前の取得に失敗しました"},
      {"\t\"blue\"", "\t\"" + name + "\"", "No.1 の Material 名の取得に失敗しました"},
      {"\tvisible 0", "\t" + name, "Object second チャンクの解析中にエラーが発生しました"},
  };
  for (const auto &row : rows) {
    log.Clear();
    EXPECT_EQ(-1, LoadText(Edited(row.find, row.replace)));
    EXPECT_EQ(std::vector<std::string>{"MQO Load Error : " + row.line}, Lines());
  }
  // 1023 bytes are still a token.
  EXPECT_EQ(0, ReleaseModelData(LoadText(Edited("Object \"second\"", "Object \"" + std::string(1021, 'n') + "\""))));
}

TEST_F(MqoTest, DocumentsEndingInsideAMaterialLineFail) {
  const std::string document = kDocument;
  EXPECT_EQ(-1, LoadText(document.substr(0, document.find("dif(1) tex(\"unused"))));
  EXPECT_EQ(std::vector<std::string>{"MQO Load Error : No.2 の Material の読み込み中にエラーが発生しました"}, Lines());
}

TEST_F(MqoTest, RefusedHeadersCostNothing) {
  const std::string lfOnly = [] {
    std::string text = kDocument;
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
  }();
  const std::string texts[] = {lfOnly, std::string(kDocument, 21), std::string(), "Metasequoia Document\n\r"};
  for (const std::string &text : texts) {
    SetAllocationFailureCountdown(1);
    EXPECT_EQ(-1, LoadText(text));
    // The countdown is still armed: the refusal allocated nothing.
    void *probe = AllocMemory(1, "", 0);
    EXPECT_EQ(nullptr, probe);
    FreeMemory(probe);
  }
  SetAllocationFailureCountdown(0);
  EXPECT_EQ(std::vector<std::string>{}, Lines());
  // The header alone (22 bytes) is an empty model.
  const int handle = LoadText(std::string(kDocument, 22));
  ASSERT_GE(handle, 0);
  EXPECT_EQ(0, LookupModelData(handle)->frameCount);
  EXPECT_EQ(0, ReleaseModelData(handle));
}

// Every prefix and every single-byte change of the document loads or fails
// with at most one line, and leaves nothing allocated.
TEST_F(MqoTest, DamagedDocumentsNeverCrashOrLeak) {
  const std::string document = kDocument;
  std::vector<std::string> texts;
  for (size_t n = 0; n < document.size(); n++) texts.push_back(document.substr(0, n));
  for (size_t i = 0; i < document.size(); i++) {
    for (char value : {'\x00', '\x7f', '\xff'}) {
      std::string text = document;
      text[i] = value;
      texts.push_back(text);
    }
  }
  // The data table's slots, once grown, stay.
  EXPECT_EQ(0, ReleaseModelData(LoadText(document)));
  const int blocks = GetAllocatedBlockCount();
  for (const std::string &text : texts) {
    log.Clear();
    const int handle = LoadText(text);
    if (handle >= 0) {
      EXPECT_EQ(0, ReleaseModelData(handle));
    }
    EXPECT_LE(Lines().size(), 1u);
    ASSERT_EQ(blocks, GetAllocatedBlockCount()) << text;
  }
}

}  // namespace

namespace {

TEST_F(MqoTest, AFailingTextureFailsTheLoadByName) {
  Textures().failPath = "D:\\models\\red.png";
  EXPECT_EQ(-1, LoadText(kDocument));
  EXPECT_EQ(std::vector<std::string>{"Read Model Convert Error : テクスチャ red.png の読み込みに失敗しました"}, Lines());
}

TEST_F(MqoTest, AnObjectUsesAtMost256Materials) {
  for (int materials : {256, 257}) {
    std::string text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nMaterial " + std::to_string(materials) + " {\r\n";
    for (int m = 0; m < materials; m++) text += "\t\"m" + std::to_string(m) + "\" dif(1)\r\n";
    text += "}\r\nObject \"many\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n\tface " +
            std::to_string(materials) + " {\r\n";
    for (int m = 0; m < materials; m++) text += "\t\t3 V(0 1 2) M(" + std::to_string(m) + ")\r\n";
    text += "\t}\r\n}\r\nEof\r\n";
    log.Clear();
    const int handle = LoadText(text);
    if (materials == 256) {
      ASSERT_GE(handle, 0);
      EXPECT_EQ(256, LookupModelData(handle)->meshCount);
      EXPECT_EQ(0, ReleaseModelData(handle));
    } else {
      EXPECT_EQ(-1, handle);
      EXPECT_EQ(std::vector<std::string>{"MQO Load Error : Object many チャンクの解析中にエラーが発生しました"}, Lines());
    }
  }
}

}  // namespace
