#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/base/core_state.h"
#include "core/debug/memory.h"
#include "core/base/system_info.h"
#include "graphics/device/display_modes.h"
#include "graphics/device/screen_settings.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

// The progress lines of start-up and shut-down of a window-mode run that
// nothing disturbs; the processor lines follow what this machine has.
std::vector<std::string> ExpectedStartAndEndLog(void) {
  const SystemFacts *facts = GetSystemFacts();
  std::vector<std::string> lines = {
      "\tシステムの情報を出力します",
      "\tVelvane Ver#",
      "\t論理プロセッサの数 : #",
      "\tＯＳ  Windows*",
  };
  if (facts->hasTsc) lines.push_back("\tＣＰＵ動作速度：大体#GHz");
  if (!facts->hasCpuid) {
    lines.push_back("\tＣＰＵＩＤ命令は使えません");
  } else if (!facts->mmx) {
    lines.push_back("\tＭＭＸは使えません");
  } else {
    lines.push_back("\tＭＭＸ命令を使用します");
    if (facts->sse) lines.push_back("\tＳＳＥ命令が使用可能です");
    if (facts->sse2) lines.push_back("\tＳＳＥ２命令が使用可能です");
  }
  if (facts->hasCpuid) lines.push_back("\tＣＰＵベンダ：*");
  if (facts->cpuName[0]) lines.push_back("\tＣＰＵ名：*");
  const std::vector<std::string> rest = {
      "ＣＯＭの初期化... 成功しました",
      "メモリ総量:#MB  空きメモリ領域:#MB タイマーの精度を検査します",
      "精度結果 更新回数 マルチメディアタイマー：#  パフォーマンスカウンター：#",
      " *",
      " ソフトの二重起動検査... 二重起動はされていませんでした",
      "ウインドウクラスを登録します... 登録に成功しました",
      "ウインドウモード起動用のウインドウを作成します",
      "ウインドウの作成に成功しました",
      "ＩＭＥを無効にしました",
      "DirectInput関係初期化処理",
      "\tDirectInput7 の取得中... 成功",
      "\t引き続き初期化処理... 初期化成功",
      "\tジョイパッドの初期化... ",
      "\tジョイパッドの初期化は正常に終了しました",
      "\tマウスデバイスの初期化... キーボードデバイスの初期化... "
      "DirectInput 関連の初期化は正常に終了しました",
      "DirectSound の初期化を行います",
      "DirectSound インターフェースの取得を行います....  成功",
      "引き続きインターフェースの初期化処理...  成功",
      "\tDirectSound デバイスを列挙します",
      "\t最大サンプリングレート:#KHz 最小サンプリングレート:#KHz ",
      "\t総サウンドメモリ領域:#KB 空きサウンドメモリ領域:#KB ",
      "",
      "\t利用可能サンプリング精度",
      "",
      "\t プライマリ １６bit = *",
      "\t セカンダリ １６bit = *",
      "",
      "\t利用可能チャンネル",
      "",
      "\t プライマリ MONO = *",
      "\t セカンダリ MONO = *",
      "",
      "DirectSound の初期化は正常に終了しました",
      "DirectDraw オブジェクトの取得を行います....  成功",
      "引き続き初期化処理... 初期化に成功しました",
      "IDirect3D9Ex オブジェクトを取得します.... 成功",
      "IDirect3DDevice9Ex オブジェクトを取得します.... *",
      "成功",
      "Driver:*",
      "画面のフォーマットは D3DFMT_X8R8G8B8 です",
      "Ｚバッファのフォーマットは D3DFMT_D16 です",
      "16bit カラーフォーマットは D3DFMT_R5G6B5 です",
      "32bit カラーフォーマットは D3DFMT_X8R8G8B8 です",
      "アルファ付き 16bit カラーフォーマットは D3DFMT_A4R4G4B4 です",
      "アルファ付き 32bit カラーフォーマットは V_D3DFMT_A8R8G8B8 です",
      "アルファテスト用 16bit カラーフォーマットは D3DFMT_A1R5G5B5 です",
      "アルファテスト用 32bit カラーフォーマットは V_D3DFMT_A8R8G8B8 です",
      "ＤＸＴ１テクスチャフォーマットは V_D3DFMT_DXT1 です",
      "ＤＸＴ２テクスチャフォーマットは V_D3DFMT_DXT2 です",
      "ＤＸＴ３テクスチャフォーマットは V_D3DFMT_DXT3 です",
      "ＤＸＴ４テクスチャフォーマットは V_D3DFMT_DXT4 です",
      "ＤＸＴ５テクスチャフォーマットは V_D3DFMT_DXT5 です",
      "描画用 16bit カラーフォーマットは D3DFMT_X1R5G5B5 です",
      "描画用 32bit カラーフォーマットは D3DFMT_X8R8G8B8 です",
      "描画用アルファ付き 32bit カラーフォーマットは V_D3DFMT_A8R8G8B8 です",
      // Which path is faster differs from run to run.
      "バックバッファロック転送の時間:#nsec  一時的な描画可能バッファを使用した転送の時間:#nsec",
      "バックバッファロックを使用*",
      "Ｚバッファを作成します.... 成功",
      "プログラマブルシェーダーを使用しません",
      "フォントの初期化を行います",
      "フォントの初期化は正常に終了しました",
      "文字コードバッファの初期化を行います... 完了しました",
      "DirectInput 関連の終了処理... 完了",
      "入力関連の終了処理... 完了",
      "DirectSound の終了処理は正常に終了しました",
      "ウインドウを閉じようとしています",
      "ウインドウが破棄されようとしています",
      "ソフトを終了する準備が整いました",
      "ＣＯＭを終了... 完了",
      "",
      "Alloc memory dump",
      "\tTotal size:0(0.000kb)  Alloc num:0",
      "",
  };
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

// The sound devices differ from machine to machine: their lines are left
// out of the comparison.
std::vector<std::string> WithoutSoundDevices(const std::vector<std::string> &lines) {
  std::vector<std::string> kept;
  for (const std::string &line : lines) {
    if (!LineMatches("\t\tモジュール名:*", line)) kept.push_back(line);
  }
  return kept;
}

void ExpectLogMatches(const std::vector<std::string> &expected,
                      const std::vector<std::string> &allLines) {
  const std::vector<std::string> lines = WithoutSoundDevices(allLines);
  ASSERT_EQ(expected.size(), lines.size()) << JoinLines(lines);
  for (size_t i = 0; i < expected.size(); i++) {
    EXPECT_TRUE(LineMatches(expected[i], lines[i]))
        << "line " << i << " [" << lines[i] << "] against [" << expected[i] << "]";
  }
}

class LifecycleTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("lifecycle"); }
  void TearDown() override {
    EndFramework();
    StoreScreenMode(640, 480, 16, 0);
    SetEmulation320x240Flag(0);
    ChangeWindowMode(1);
  }
};

TEST_F(LifecycleTest, StartUpAndShutDownRunTheirStepsInOrder) {
  ASSERT_EQ(0, StartFrameworkWindowed());
  HWND window = static_cast<HWND>(GetWindowHandle());
  ASSERT_TRUE(IsWindow(window));

  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(640, client.right - client.left);
  EXPECT_EQ(480, client.bottom - client.top);
  char text[256];
  GetWindowTextA(window, text, sizeof(text));
  EXPECT_STREQ("Velvane", text);
  GetClassNameA(window, text, sizeof(text));
  EXPECT_STREQ("Q730415M", text);
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, outer.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, outer.top);
  Rect screenRect;
  GetClientScreenRect(&screenRect);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(origin.x, screenRect.left);
  EXPECT_EQ(origin.y, screenRect.top);
  EXPECT_EQ(640, screenRect.right - screenRect.left);

  // A second start-up does nothing at all.
  const size_t linesAfterStart = ReadLogLines().size();
  EXPECT_EQ(0, InitFramework());
  EXPECT_EQ(linesAfterStart, ReadLogLines().size());
  EXPECT_EQ(0, IsFrameworkStarting());

  EXPECT_EQ(0, EndFramework());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(nullptr, GetWindowHandle());
  EXPECT_EQ(0, GetAllocatedBlockCount());
  EXPECT_EQ(0u, GetSystemFacts()->timerPeriod);
  ExpectLogMatches(ExpectedStartAndEndLog(), ReadLogLines());

  // A second end does nothing either, and a new start works.
  EXPECT_EQ(0, EndFramework());
  ASSERT_EQ(0, StartFrameworkWindowed());
  EXPECT_EQ(0, PumpMessages());
}

TEST_F(LifecycleTest, TwentyFourBitScreenSettingRefusesToStart) {
  EXPECT_EQ(-1, SetScreenMode(800, 600, 24, 0));
  EXPECT_EQ(640, GetScreenWidthSetting());
  EXPECT_EQ(16, GetScreenColorBits());
  // The framework's own adjustments store without checking.
  StoreScreenMode(640, 480, 24, 0);
  EXPECT_EQ(-1, StartFrameworkWindowed());
  const std::vector<std::string> lines = ReadLogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ("Velvaneは２４ビットカラーモードに対応していません", lines.back()) << JoinLines(lines);
  EXPECT_EQ(0, IsFrameworkStarting());
  EXPECT_EQ(nullptr, GetWindowHandle());
  EXPECT_EQ(0, EndFramework());
}

TEST_F(LifecycleTest, FullScreenSizeWithoutDisplayModeStartsInWindowMode) {
  if (HasDisplayModeOfSize(800, 600)) GTEST_SKIP() << "the display offers 800 x 600";
  ASSERT_EQ(0, SetScreenMode(800, 600, 16, 0));
  ChangeWindowMode(0);
  SetRunWhileInactive(1);
  ASSERT_EQ(0, InitFramework());
  EXPECT_EQ(1, IsWindowedMode());
  RECT client;
  GetClientRect(static_cast<HWND>(GetWindowHandle()), &client);
  EXPECT_EQ(800, client.right);
  EXPECT_EQ(600, client.bottom);
}

}  // namespace
