#include "graphics/device/texture_formats.h"

#include <stdio.h>

#include "velvane.h"

namespace {

enum { kMaxChoices = 3 };

// How a row ends when none of its formats works.
enum RowFallback {
  FAIL_DEVICE,      // the device cannot be used
  TAKE_ENTRY,       // take an earlier entry of the table, quietly
  TAKE_ENTRY_ZERO   // log and take entry 0
};

struct FormatRow {
  int choices[kMaxChoices];  // 0 ends the list
  int renderTarget;
  RowFallback fallback;
  int fallbackEntry;
  const char *missingText;
  const char *foundText;  // %s is the format's name
};

const FormatRow kRows[TEXFMT_COUNT] = {
    {{GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5, 0}, 0, FAIL_DEVICE, 0,
     "使用できる 16bit カラーフォーマットが見つかりませんでした\n",
     "16bit カラーフォーマットは %s です"},
    {{GFX_FMT_X8R8G8B8, 0, 0}, 0, TAKE_ENTRY, TEXFMT_16, NULL,
     "32bit カラーフォーマットは %s です"},
    {{GFX_FMT_A4R4G4B4, GFX_FMT_A8R8G8B8, 0}, 0, FAIL_DEVICE, 0,
     "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\n",
     "アルファ付き 16bit カラーフォーマットは %s です"},
    {{GFX_FMT_A8R8G8B8, GFX_FMT_A4R4G4B4, 0}, 0, FAIL_DEVICE, 0,
     "使用できるアルファ付き 32bit カラーフォーマットが見つかりませんでした\n",
     "アルファ付き 32bit カラーフォーマットは %s です"},
    {{GFX_FMT_A1R5G5B5, GFX_FMT_A8R8G8B8, GFX_FMT_A4R4G4B4}, 0, FAIL_DEVICE, 0,
     "使用できるアルファテスト用 16bit カラーフォーマットが見つかりませんでした\n",
     "アルファテスト用 16bit カラーフォーマットは %s です"},
    {{GFX_FMT_A8R8G8B8, GFX_FMT_A1R5G5B5, GFX_FMT_A4R4G4B4}, 0, FAIL_DEVICE, 0,
     "使用できるアルファテスト用 32bit カラーフォーマットが見つかりませんでした\n",
     "アルファテスト用 32bit カラーフォーマットは %s です"},
    {{GFX_FMT_DXT1, 0, 0}, 0, TAKE_ENTRY, TEXFMT_ALPHATEST_16, NULL,
     "ＤＸＴ１テクスチャフォーマットは%s"},
    {{GFX_FMT_DXT2, 0, 0}, 0, TAKE_ENTRY, TEXFMT_ALPHA_32, NULL,
     "ＤＸＴ２テクスチャフォーマットは%s"},
    {{GFX_FMT_DXT3, 0, 0}, 0, TAKE_ENTRY, TEXFMT_ALPHA_32, NULL,
     "ＤＸＴ３テクスチャフォーマットは%s"},
    {{GFX_FMT_DXT4, 0, 0}, 0, TAKE_ENTRY, TEXFMT_ALPHA_32, NULL,
     "ＤＸＴ４テクスチャフォーマットは%s"},
    {{GFX_FMT_DXT5, 0, 0}, 0, TAKE_ENTRY, TEXFMT_ALPHA_32, NULL,
     "ＤＸＴ５テクスチャフォーマットは%s"},
    // Row 11's order depends on the display format; see RowChoices.
    {{GFX_FMT_X1R5G5B5, GFX_FMT_R5G6B5, GFX_FMT_X8R8G8B8}, 1, TAKE_ENTRY_ZERO, TEXFMT_16,
     "使用できる描画用 16bit カラーフォーマットがありませんでした\n",
     "描画用 16bit カラーフォーマットは %s です"},
    {{GFX_FMT_X8R8G8B8, GFX_FMT_R5G6B5, GFX_FMT_X1R5G5B5}, 1, TAKE_ENTRY_ZERO, TEXFMT_16,
     "使用できる描画用 32bit カラーフォーマットがありませんでした\n",
     "描画用 32bit カラーフォーマットは %s です"},
    {{GFX_FMT_A8R8G8B8, GFX_FMT_A4R4G4B4, 0}, 1, TAKE_ENTRY_ZERO, TEXFMT_16,
     "使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした\n",
     "描画用アルファ付き 32bit カラーフォーマットは %s です"},
};

bool IsDxtRow(int index) { return index >= TEXFMT_DXT1 && index <= TEXFMT_DXT5; }

FormatRow RowChoices(int index, int displayFormat) {
  FormatRow row = kRows[index];
  if (index == TEXFMT_TARGET_16 && displayFormat == GFX_FMT_R5G6B5) {
    row.choices[0] = GFX_FMT_R5G6B5;
    row.choices[1] = GFX_FMT_X1R5G5B5;
  }
  return row;
}

int FirstSupported(const GfxCaps *caps, const FormatRow &row) {
  for (int choice : row.choices) {
    if (choice != 0 && GfxCapsSupports(caps, choice, row.renderTarget)) return choice;
  }
  return GFX_FMT_UNKNOWN;
}

void LogEntry(int index, int format, bool own) {
  if (IsDxtRow(index)) {
    char text[GFX_FORMAT_NAME_SIZE + 8];
    if (own) {
      snprintf(text, sizeof text, " %s です", GfxFormatLogName(format));
    } else {
      snprintf(text, sizeof text, "使えません");
    }
    WriteLogLineFormat(kRows[index].foundText, text);
    return;
  }
  WriteLogLineFormat(kRows[index].foundText, GfxFormatLogName(format));
}

}  // namespace

int ChooseTextureFormats(const GfxCaps *caps, int displayFormat, int screenBits,
                         TextureFormatTable *table) {
  for (int index = 0; index < TEXFMT_COUNT; index++) {
    const FormatRow row = RowChoices(index, displayFormat);
    int format = FirstSupported(caps, row);
    const bool own = format != GFX_FMT_UNKNOWN;
    if (!own) {
      if (row.fallback == FAIL_DEVICE) return WriteLogLine(row.missingText);
      if (row.missingText) WriteLogLine(row.missingText);
      format = table->formats[row.fallbackEntry];
    }
    table->formats[index] = format;
    LogEntry(index, format, own);
  }
  const bool bits32 = screenBits == 32;
  table->screenColorFormat = table->formats[bits32 ? TEXFMT_TARGET_32 : TEXFMT_TARGET_16];
  table->screenAlphaTestFormat =
      table->formats[bits32 ? TEXFMT_ALPHATEST_32 : TEXFMT_ALPHATEST_16];
  return 0;
}

int ChooseDepthFormat(const GfxCaps *caps) {
  for (int format : kGfxCapsDepthFormats) {
    if (GfxCapsSupportsDepth(caps, format)) {
      WriteLogLineFormat("Ｚバッファのフォーマットは %s です", GfxFormatLogName(format));
      return format;
    }
  }
  WriteLogLine("使用できる Zバッファフォーマットが見つかりませんでした\n");
  return GFX_FMT_UNKNOWN;
}
