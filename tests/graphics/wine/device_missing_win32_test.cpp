// Run with d3d9 or ddraw switched off in Wine: the framework refuses to
// start, says why, and leaves nothing loaded.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "graphics/device/direct3d_state.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

bool ModuleLoads(const char *name) {
  HMODULE module = LoadLibraryA(name);
  if (module) FreeLibrary(module);
  return module != NULL;
}

TEST(MissingDeviceLibrary, FrameworkDoesNotStart) {
  EnterPrivateDirectory("graphics-missing");
  const bool hasD3d9 = ModuleLoads("d3d9.dll");
  EXPECT_EQ(-1, StartFrameworkWindowed());
  const std::vector<std::string> lines = ReadLogLines();
  const char *line = hasD3d9 ? "DirectDraw オブジェクトの取得を行います....  オブジェクトの取得に失敗しました"
                             : "d3d9.dll の読み込みに失敗しました";
  EXPECT_GE(FindLine(lines, line), 0) << JoinLines(lines);
  EXPECT_EQ(0, g_d3d.libraryLoaded);
  EXPECT_EQ(0, g_d3d.directDrawMade);
  EndFramework();
}

}  // namespace
