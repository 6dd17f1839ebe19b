// What the MQO loader tests share: loading a document from memory, the
// lines a load wrote to the log, and a texture loader that records what
// the converter asks for and fails on demand.
#ifndef VELVANE_TESTS_MQO_TEST_SUPPORT_H
#define VELVANE_TESTS_MQO_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files/file_access.h"
#include "core/log_capture.h"
#include "core/util/strings.h"
#include "model/loaders/model_load_param.h"
#include "model/model_fixture.h"
#include "model/textures/model_texture.h"

namespace mqo_test {

const char kGameDir[] = "C:\\game";

// The log's lines without their time stamps and indents.
inline std::vector<std::string> LogLines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') i++;
    if (i < line.size() && line[i] == ':' && i > 0) i++;
    while (i < line.size() && line[i] == '\t') i++;
    line = line.substr(i);
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

inline std::string Narrow(const char16_t *text) {
  std::string out;
  for (; text && *text; text++) out += *text < 128 ? static_cast<char>(*text) : '?';
  return out;
}

// Texture requests as the converter made them (full colour paths; "-"
// for none), and a colour path that fails.
struct TextureRecord {
  std::vector<std::string> requests;
  std::string failPath;
};

inline TextureRecord &Textures() {
  static TextureRecord record;
  return record;
}

inline int RecordTexture(const ModelTextureRequest *request, ModelTextureLoad *) {
  const std::string path = request->colourPath ? Narrow(request->colourPath) : "-";
  Textures().requests.push_back(path + (request->alphaPath ? " alpha " + Narrow(request->alphaPath) : ""));
  return path == Textures().failPath ? -1 : 0;
}

// The file table's current directory as the tests see it: a Windows path,
// whatever the host's own is, so paths are made full and relative the same
// way on every build.
inline int GameCurrentDir(char *buffer) {
  CopyString(buffer, kGameDir);
  return static_cast<int>(strlen(kGameDir));
}

// A started model system with a log, the recording texture loader and the
// file table reporting kGameDir as its current directory.
class MqoTest : public model_fixture::ModelSystemTest {
 protected:
  void SetUp() override {
    ModelSystemTest::SetUp();
    Textures() = TextureRecord();
    SetModelTextureLoader(RecordTexture);
    FileAccessFunctions table = *GetFileAccessFunctions();
    table.getCurrentDir = GameCurrentDir;
    SelectStreamFunctions(&table);
  }
  void TearDown() override {
    SelectStreamFunctions(nullptr);
    SetModelTextureLoader(nullptr);
    ModelSystemTest::TearDown();
  }
  // LoadMqoModel over the text; the model-data handle or -1.
  static int LoadText(const std::string &text, const char *directory = "D:\\models") {
    ModelLoadParam param = {text.c_str(), static_cast<int>(text.size()), "D:\\models\\test.mqo", "test", directory, nullptr};
    return LoadMqoModel(&param);
  }
  std::vector<std::string> Lines() const { return LogLines(log.Text()); }
  LogCapture log;
};

}  // namespace mqo_test

#endif  // VELVANE_TESTS_MQO_TEST_SUPPORT_H
