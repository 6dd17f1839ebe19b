// Glyph cells written into software images. The pixels each cell value
// stands for are worked out once per font type and colour pair (a
// palette), the cell is clipped once per glyph, and horizontal plain text
// goes eight pixels at a time: a run of cell values becomes two lane masks
// (text, edge) that select between the image's pixels and the colours.
#include "graphics/text/glyph_cell_writer.h"

#include <stddef.h>
#include <string.h>

#include "graphics/images/base_image.h"
#include "softrender/softrender.h"

namespace {

// The pixel each cell value writes for one font type, colour pair and
// depth.
struct CellPalette {
  int valid;
  int fontType;
  uint32_t text, edge;
  int is16;
  uint32_t pixel[256];
};

struct CellWriterState {
  CellPalette palette;
};

CellWriterState g_cellWriter;

enum { ALPHA_OPAQUE = 0xFF, LANES = 8 };

struct Channel {
  int shift;
  uint32_t mask;
};

const Channel kChannels565[3] = {{11, 0x1F}, {5, 0x3F}, {0, 0x1F}};
const Channel kChannels888[3] = {{16, 0xFF}, {8, 0xFF}, {0, 0xFF}};

// Colour of an edge-and-glyph pixel: the edge colour moved towards the
// text colour by the glyph's share of the alpha.
uint32_t MixChannels(uint32_t text, uint32_t edge, int g, int a, int is16) {
  const Channel *channels = is16 ? kChannels565 : kChannels888;
  uint32_t mixed = 0;
  for (int i = 0; i < 3; i++) {
    const int t = static_cast<int>((text >> channels[i].shift) & channels[i].mask);
    const int e = static_cast<int>((edge >> channels[i].shift) & channels[i].mask);
    const int c = e + (t - e) * (g * 4096 / a) / 256;
    mixed |= (static_cast<uint32_t>(c) & channels[i].mask) << channels[i].shift;
  }
  return mixed;
}

uint32_t WithAlpha(uint32_t color, int alpha, int is16) {
  return is16 ? ((color & 0xFFFFu) | (static_cast<uint32_t>(alpha) << 16))
              : ((color & 0xFFFFFFu) | (static_cast<uint32_t>(alpha) << 24));
}

// The pixel a non-zero cell value writes.
uint32_t PixelFor(int fontType, int value, uint32_t text, uint32_t edge, int is16) {
  switch (fontType) {
    case 0:
      return text;
    case FONT_TYPE_EDGE:
      return value == 1 ? text : edge;
    case FONT_TYPE_ANTIALIAS:
      return WithAlpha(text, value * 16, is16);
    default: {
      const int g = value & 0x0F, e = value >> 4;
      if (g == 0) return WithAlpha(edge, e * 16, is16);
      if (g == 15) return WithAlpha(text, ALPHA_OPAQUE, is16);
      const int a = e * (15 - g) + 16 * g;
      return WithAlpha(MixChannels(text, edge, g, a, is16), a, is16);
    }
  }
}

// Cell values each font type stores: 1 (type 0), 1-2 (type 1), levels
// 0-15 (type 2), or glyph and edge nibbles (type 3). The plain types both
// fill the edge entry, which the eight-pixel writer reads.
int CellValueCount(int fontType) {
  switch (fontType) {
    case 0:
    case FONT_TYPE_EDGE:
      return 3;
    case FONT_TYPE_ANTIALIAS:
      return 16;
    default:
      return 256;
  }
}

const uint32_t *PaletteFor(int fontType, uint32_t text, uint32_t edge, int is16) {
  CellPalette *palette = &g_cellWriter.palette;
  if (palette->valid && palette->fontType == fontType && palette->text == text &&
      palette->edge == edge && palette->is16 == is16) {
    return palette->pixel;
  }
  const int count = CellValueCount(fontType);
  palette->pixel[0] = 0;
  for (int value = 1; value < count; value++) {
    palette->pixel[value] = PixelFor(fontType, value, text, edge, is16);
  }
  palette->valid = 1;
  palette->fontType = fontType;
  palette->text = text;
  palette->edge = edge;
  palette->is16 = is16;
  return palette->pixel;
}

int Max(int a, int b) { return a > b ? a : b; }
int Min(int a, int b) { return a < b ? a : b; }

// The part of a cell that lands inside the clip: columns [x0, x1) and
// rows [y0, y1) of the cell, in the cell's own (unturned) coordinates.
struct CellSpan {
  int x0, x1, y0, y1;
};

// Horizontal: cell (cx, cy) lands on (left + cx, top + cy). Vertical: on
// (left + height - 1 - cy, top + cx).
CellSpan VisibleSpan(const GlyphSlot *slot, const GlyphPlacement &at) {
  CellSpan span;
  if (at.vertical) {
    span.x0 = Max(0, at.clip.top - at.top);
    span.x1 = Min(slot->width, at.clip.bottom - at.top);
    span.y0 = Max(0, at.left + slot->height - at.clip.right);
    span.y1 = Min(slot->height, at.left + slot->height - at.clip.left);
  } else {
    span.x0 = Max(0, at.clip.left - at.left);
    span.x1 = Min(slot->width, at.clip.right - at.left);
    span.y0 = Max(0, at.clip.top - at.top);
    span.y1 = Min(slot->height, at.clip.bottom - at.top);
  }
  return span;
}

// Where the visible part of a cell lands: the pixel of its first cell
// column and row, and the steps from one cell column and one cell row to
// the next (vertical text walks down the image along a cell row, and
// leftwards from one cell row to the next).
struct Landing {
  uint8_t *origin;
  ptrdiff_t columnStep, rowStep;
  int bytes;
  int roomColumns;  // horizontal: cell columns before the image row ends
};

// One pixel, least significant byte first: B bytes, or (B = 0) as many as
// the landing's image has.
template <int B>
inline void Put(uint8_t *p, uint32_t value, const Landing &to) {
  if (B == 0) {
    WriteRawPixel(p, to.bytes, value);
    return;
  }
  for (int i = 0; i < B; i++) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Eight pixels of the image and eight cell values as vectors of lanes.
template <class Pixel>
struct Lanes;
template <>
struct Lanes<uint16_t> {
  typedef uint16_t Vector __attribute__((vector_size(16)));
};
template <>
struct Lanes<uint32_t> {
  typedef uint32_t Vector __attribute__((vector_size(32)));
};
typedef uint8_t CellBytes __attribute__((vector_size(8)));

// Eight pixels from line on: text where isText is set, edge where isEdge
// is, the image's own pixel elsewhere.
template <class Pixel, class Vector>
inline void Select8(uint8_t *line, const Vector &isText, const Vector &isEdge, Pixel text,
                    Pixel edge) {
  Vector pixels;
  memcpy(&pixels, line, sizeof pixels);
  pixels = (pixels & ~(isText | isEdge)) | (isText & text) | (isEdge & edge);
  memcpy(line, &pixels, sizeof pixels);
}

// count (1-8) bits of a 1-bit cell row from column cx on, the first in
// bit 7, nothing below the last; reads only the bytes that hold them.
unsigned CellBits(const uint8_t *row, int cx, int count) {
  const int skip = cx & 7;
  unsigned bits = static_cast<unsigned>(row[cx >> 3]) << 8;
  if (skip + count > 8) bits |= row[(cx >> 3) + 1];
  return ((bits << skip) >> 8) & (0xFFu << (LANES - count)) & 0xFFu;
}

// Eight cell values of an edged cell (0 nothing, 1 text, 2 edge) onto
// eight pixels; a group with nothing to draw leaves the pixels unread.
template <class Pixel, class Vector>
inline void SelectCellBytes(uint8_t *line, const CellBytes &values, Pixel text, Pixel edge) {
  uint64_t any;
  memcpy(&any, &values, sizeof any);
  if (!any) return;
  const Vector wide = __builtin_convertvector(values, Vector);
  Select8(line, (Vector)(wide == 1), (Vector)(wide == 2), text, edge);
}

// Edged (byte) cells whose groups can all be read with whole eight-byte
// loads and the image row has room for: the full groups unmasked, a
// short last group masked, rows written in one tight walk.
template <class Pixel>
void WriteEdgedRows(const uint8_t *row, int rowBytes, int rows, int x0, int x1, int groups,
                    const Landing &to, const uint32_t *palette) {
  typedef typename Lanes<Pixel>::Vector Vector;
  const Pixel text = static_cast<Pixel>(palette[1]);
  const Pixel edge = static_cast<Pixel>(palette[2]);
  const CellBytes laneIndex = {0, 1, 2, 3, 4, 5, 6, 7};
  const int fullGroups = Min(groups, (x1 - x0) / LANES);
  const int shortGroup = groups > fullGroups;
  const CellBytes shortLanes = (CellBytes)(laneIndex < static_cast<uint8_t>(x1 - x0 - fullGroups * LANES));
  uint8_t *const origin = to.origin;
  const ptrdiff_t rowStep = to.rowStep;
  for (int r = 0; r < rows; r++, row += rowBytes) {
    uint8_t *line = origin + r * rowStep;
    const uint8_t *values = row + x0;
    for (int g = 0; g < fullGroups; g++, values += LANES, line += LANES * sizeof(Pixel)) {
      CellBytes group;
      memcpy(&group, values, sizeof group);
      SelectCellBytes<Pixel, Vector>(line, group, text, edge);
    }
    if (shortGroup) {
      CellBytes group;
      memcpy(&group, values, sizeof group);
      SelectCellBytes<Pixel, Vector>(line, group & shortLanes, text, edge);
    }
  }
}

// Plain horizontal text on an image of 16- or 32-bit pixels, eight cell
// columns at a time. A last group shorter than eight still goes whole when
// the image row has room for the eight pixels: the lanes past the span
// select the image's own pixels, so they are written back unchanged. The
// bounds are copied into locals first: the pixel stores may alias any
// byte, which would otherwise have them read again after every store.
template <class Pixel>
void WritePlainRows(const FontRecord *font, const uint8_t *cell, const CellSpan &span,
                    const Landing &to, const uint32_t *palette) {
  typedef typename Lanes<Pixel>::Vector Vector;
  const Pixel text = static_cast<Pixel>(palette[1]);
  const Pixel edge = static_cast<Pixel>(palette[2]);
  const Vector bitOf = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
  const CellBytes laneIndex = {0, 1, 2, 3, 4, 5, 6, 7};
  const int bitCells = font->memoryBits == 1;
  const int rowBytes = font->memoryRowBytes;
  const int x0 = span.x0, x1 = span.x1, rows = span.y1 - span.y0;
  // Groups that go whole: those the span needs, as far as the row has room.
  const int needed = (x1 - x0 + LANES - 1) / LANES;
  const int room = to.roomColumns > x0 ? (to.roomColumns - x0) / LANES : 0;
  const int groups = Min(needed, room);
  const int groupsEnd = Min(x1, x0 + groups * LANES);
  const CellBytes lastGroupLanes = (CellBytes)(laneIndex < static_cast<uint8_t>(x1 - x0 - (needed - 1) * LANES));
  const uint8_t *row = cell + span.y0 * rowBytes;
  if (!bitCells && groups == needed && x0 + groups * LANES <= rowBytes) {
    return WriteEdgedRows<Pixel>(row, rowBytes, rows, x0, x1, groups, to, palette);
  }
  const Landing at = to;
  for (int r = 0; r < rows; r++, row += rowBytes) {
    uint8_t *line = at.origin + r * at.rowStep;
    int cx = x0;
    for (; cx < groupsEnd; cx += LANES, line += LANES * sizeof(Pixel)) {
      const int count = Min(LANES, x1 - cx);
      if (bitCells) {
        const unsigned bits = CellBits(row, cx, count);
        if (!bits) continue;
        const Vector isText = (Vector)((bitOf & static_cast<Pixel>(bits)) != 0);
        Select8(line, isText, Vector{}, text, edge);
      } else {
        CellBytes values = {};
        if (cx + LANES <= rowBytes) {
          // The whole group lies in the cell row: one load, the columns
          // past the span masked off.
          memcpy(&values, row + cx, sizeof values);
          if (count < LANES) values &= lastGroupLanes;
        } else {
          memcpy(&values, row + cx, static_cast<size_t>(count));
        }
        const Vector wide = __builtin_convertvector(values, Vector);
        Select8(line, (Vector)(wide == 1), (Vector)(wide == 2), text, edge);
      }
    }
    for (; cx < x1; cx++, line += sizeof(Pixel)) {
      const int value = bitCells ? (row[cx >> 3] >> (7 - (cx & 7))) & 1 : row[cx];
      if (value) Put<sizeof(Pixel)>(line, palette[value], at);
    }
  }
}

// 1-bit cells in any direction: the set bits of each row's visible
// columns, found a byte at a time.
template <int B>
void WriteBitRows(const FontRecord *font, const uint8_t *cell, const CellSpan &span,
                  const Landing &to, uint32_t pixel) {
  for (int cy = span.y0; cy < span.y1; cy++) {
    const uint8_t *row = cell + cy * font->memoryRowBytes;
    uint8_t *line = to.origin + (cy - span.y0) * to.rowStep;
    for (int first = span.x0 & ~7; first < span.x1; first += 8) {
      unsigned bits = row[first >> 3];
      if (first < span.x0) bits &= 0xFFu >> (span.x0 - first);
      if (first + 8 > span.x1) bits &= 0xFFu << (first + 8 - span.x1);
      while (bits & 0xFFu) {
        const int bit = __builtin_clz(bits & 0xFFu) - 24;
        Put<B>(line + (first + bit - span.x0) * to.columnStep, pixel, to);
        bits &= ~(0x80u >> bit);
      }
    }
  }
}

// Byte cells in any direction: every non-zero value writes its palette
// pixel.
template <int B>
void WriteByteRows(const FontRecord *font, const uint8_t *cell, const CellSpan &span,
                   const Landing &to, const uint32_t *palette) {
  for (int cy = span.y0; cy < span.y1; cy++) {
    const uint8_t *row = cell + cy * font->memoryRowBytes;
    uint8_t *line = to.origin + (cy - span.y0) * to.rowStep;
    for (int cx = span.x0; cx < span.x1; cx++) {
      if (row[cx]) Put<B>(line + (cx - span.x0) * to.columnStep, palette[row[cx]], to);
    }
  }
}

template <int B>
void WriteRows(const FontRecord *font, const uint8_t *cell, const CellSpan &span, const Landing &to,
               const uint32_t *palette) {
  if (font->memoryBits == 1) {
    WriteBitRows<B>(font, cell, span, to, palette[1]);
  } else {
    WriteByteRows<B>(font, cell, span, to, palette);
  }
}

Landing LandingOf(MEMIMG *image, const GlyphSlot *slot, const GlyphPlacement &at,
                  const CellSpan &span) {
  const int bytes = image->base->format->bytesPerPixel;
  const ptrdiff_t pitch = image->base->pitch;
  Landing to;
  to.bytes = bytes;
  if (at.vertical) {
    const int x = at.left + slot->height - 1 - span.y0, y = at.top + span.x0;
    to.origin = image->pixels + y * pitch + x * bytes;
    to.columnStep = pitch;
    to.rowStep = -bytes;
  } else {
    const int x = at.left + span.x0, y = at.top + span.y0;
    to.origin = image->pixels + y * pitch + x * bytes;
    to.columnStep = bytes;
    to.rowStep = pitch;
  }
  to.roomColumns = at.vertical ? 0 : image->width - at.left;
  return to;
}

}  // namespace

void WriteGlyphCell(const FontRecord *font, const GlyphSlot *slot, MEMIMG *image,
                    const GlyphPlacement &placement) {
  const CellSpan span = VisibleSpan(slot, placement);
  if (span.x0 >= span.x1 || span.y0 >= span.y1) return;
  const int is16 = image->base->formatCode == 0;
  const uint32_t *palette = PaletteFor(font->fontType, placement.text, placement.edge, is16);
  const uint8_t *cell = font->memoryCache +
                        static_cast<ptrdiff_t>(slot->cellIndex) * font->cellSize * font->memoryRowBytes;
  const Landing to = LandingOf(image, slot, placement, span);
  const int plain = (font->fontType & FONT_TYPE_ANTIALIAS) == 0;
  switch (to.bytes) {
    case 2:
      if (plain && !placement.vertical) return WritePlainRows<uint16_t>(font, cell, span, to, palette);
      return WriteRows<2>(font, cell, span, to, palette);
    case 4:
      if (plain && !placement.vertical) return WritePlainRows<uint32_t>(font, cell, span, to, palette);
      return WriteRows<4>(font, cell, span, to, palette);
    default:
      return WriteRows<0>(font, cell, span, to, palette);
  }
}
