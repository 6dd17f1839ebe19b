// Velvane: the framework's flat function interface.
//
// Every function returns 0 on success and -1 on failure unless its comment
// says otherwise; getters return the value itself. Objects are named by
// handles (see "Handles" below). Strings are byte strings in the system
// code page (Shift-JIS on a Japanese system); 16-bit strings are UTF-16.
#ifndef VELVANE_H
#define VELVANE_H

#include <stddef.h>
#include <stdint.h>

// ---------------------------------------------------------------------------
// Shared records
// ---------------------------------------------------------------------------

// A rectangle with the layout of the platform's RECT (right and bottom are
// exclusive edges).
struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};

// Three floats: a point or direction.
struct Vector3 {
  float x, y, z;
};

// Sixteen floats m[row][column]; row vectors, translation in the fourth row.
struct Matrix4x4 {
  float m[4][4];
};

// A colour with float channels.
struct ColorF {
  float r, g, b, a;
};

// A calendar date and time of day.
struct DateTime {
  int year, month, day, hour, minute, second;
};

// One result of a file search.
struct FindFileInfo {
  char name[260];
  int isDirectory;
  uint64_t size;
  DateTime creationTime;
  DateTime lastWriteTime;
};

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------
// A handle is an int: bit 31 clear, the kind in bits 27-30, a check number in
// bits 16-26 and the slot in bits 0-15; -1 means failure.

enum HandleKind {
  HANDLE_KIND_GRAPH = 1,
  HANDLE_KIND_SOUND = 2,
  HANDLE_KIND_MOVIE = 3,
  HANDLE_KIND_FONT = 4,
  HANDLE_KIND_MASK = 5,
  HANDLE_KIND_NETWORK = 6,
  HANDLE_KIND_KEY_INPUT = 7,
  HANDLE_KIND_MUSIC = 8,
  HANDLE_KIND_LIGHT = 9,
  HANDLE_KIND_MODEL = 10,
  HANDLE_KIND_SOFT_IMAGE = 11,
  HANDLE_KIND_SHADER = 12,
  HANDLE_KIND_SOFT_SOUND = 13,
  HANDLE_KIND_VERTEX_BUFFER = 14,
  HANDLE_KIND_INDEX_BUFFER = 15
};

// ---------------------------------------------------------------------------
// Core: lifecycle, window and message pump
// ---------------------------------------------------------------------------

// Starts every framework subsystem once; 0 (also when already started), -1.
int InitFramework(void);
// Ends every framework subsystem and lists unfreed blocks in the log; 0.
int EndFramework(void);
// Dispatches up to five window messages and runs the per-pass work; -1 once
// the program must end (window closed or a quit message seen), else 0.
int PumpMessages(void);
// Logs text, ends the framework and the process with exit code -1.
[[noreturn]] void FatalErrorExit(const char *text);
// printf-style FatalErrorExit (at most 1023 characters of text).
[[noreturn]] void FatalErrorExitFormat(const char *format, ...);
// 1 window mode, 0 full screen: before start-up only recorded; afterwards
// the window and screen are rebuilt (-1 when full screen is not possible).
int ChangeWindowMode(int windowed);
// 1 once the program must end (see PumpMessages).
int IsProgramEnding(void);
// The main window (an HWND), null before start-up.
void *GetWindowHandle(void);
// 1 in window mode, 0 in full screen.
int IsWindowedMode(void);
// The desktop's size and colour depth (each pointer may be null); 0.
int GetDesktopMode(int *width, int *height, int *colorBits);
// 1 while the main window is active.
int IsWindowActive(void);
// 1 when the program keeps running while its window is inactive.
int GetRunWhileInactive(void);
// 1 keeps the program running while its window is inactive; 0.
int SetRunWhileInactive(int on);
// 1 when the processor's MMX instructions are used.
int IsMmxAvailable(void);
// 1 once the framework asked the window to close.
int IsCloseRequested(void);
// Window-mode client scale factors (each pointer may be null); returns x,
// 1 in full screen.
double GetWindowScale(double *x, double *y);
// Window title (at most 255 characters; empty gives "Velvane"); 0.
int SetWindowTitle(const char *title);
// Icon resource of the window (0 the system's application icon); 0.
int SetWindowIcon(int resourceId);
// Copies the clipboard's text into buffer (bufferSize bytes, terminated);
// with a null buffer returns the size needed; -1 when there is no text.
int ReadClipboardText(char *buffer, int bufferSize);
// Puts text on the clipboard; -1 when the clipboard cannot take it.
int WriteClipboardText(const char *text);
// 1 shows, 0 hides the mouse cursor over the window, -1 applies again; 0.
int SetMouseCursorVisible(int show);
// Mouse position in screen pixels of the picture (each pointer may be null); 0.
int GetMousePosition(int *x, int *y);
// Moves the mouse to a picture position (clamped to the screen); 0.
int SetMousePosition(int x, int y);
// The window's client area in desktop coordinates; 0.
int GetClientScreenRect(Rect *out);
// Text of a menu item; -1 (the framework makes no menu).
int ReadMenuItemText(int id, char *out);

// ---------------------------------------------------------------------------
// Core: input devices
// ---------------------------------------------------------------------------

// Pad number bit: adds the keys mapped to the pad (alone: pad 1's keys).
enum { PAD_INPUT_KEYS = 0x1000 };

// 1 while the key (a DirectInput key code, 0-255) is down, else 0; before
// start-up starts input and returns 0.
int CheckKeyDown(int keyCode);
// Fills 256 bytes with 1 (down) or 0 per key code; 0, -1 for a null buffer.
int GetAllKeyStates(char *keyStates);
// Mouse buttons down: bit 0 left, 1 right, 2 middle (DirectInput: 0-7).
int GetMouseButtons(void);
// Input bits of pad 1-16 (ORed with PAD_INPUT_KEYS: and its mapped keys):
// 1 down, 2 left, 4 right, 8 up, 0x10 << i button i; 0 out of range.
int GetJoypadState(int pad);

// ---------------------------------------------------------------------------
// Core: log
// ---------------------------------------------------------------------------

// Starts a new log file (deleting the old one); 0.
int StartLogFile(void);
// Appends text to the log and the debugger output; always -1.
int WriteLogLine(const char *text);
// Same as WriteLogLine, the name decoders use for their failures; always -1.
int WriteErrorLog(const char *text);
// printf-style WriteLogLine with a line feed appended; always -1.
int WriteLogLineFormat(const char *format, ...);
// UTF-16 printf-style log line, converted to the system code page; always -1.
int WriteLogLineFormatW(const char16_t *format, ...);
// Raises the indent level of new log lines; 0.
int IncreaseLogIndent(void);
// Lowers the indent level of new log lines (never below 0); 0.
int DecreaseLogIndent(void);
// 0 switches logging off, any other value on; 0.
int SetLogOutputFlag(int on);

// ---------------------------------------------------------------------------
// Core: debug memory manager
// ---------------------------------------------------------------------------

// Allocates size bytes tagged with a source tag and line; null on failure.
void *AllocMemory(int size, const char *sourceTag, int line);
// AllocMemory with the block filled with zero bytes.
void *AllocMemoryZeroed(int size, const char *sourceTag, int line);
// Frees a block from AllocMemory; null is ignored.
void FreeMemory(void *p);
// Resizes a block (added bytes are zero); null on failure, the old block kept.
void *ReallocMemory(void *p, int newSize, const char *sourceTag, int line);
// 0 when every block header is intact, -1 at the first damaged one.
int CheckAllocations(void);
// Writes every live block and the totals to the log.
void DumpAllocations(void);

// ---------------------------------------------------------------------------
// Core: strings, numbers and bytes
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: system information and clocks
// ---------------------------------------------------------------------------

// Milliseconds of the system clock, never negative (wraps after 24 days).
int GetNowMilliseconds(void);
// Microseconds of the finest clock; allowTsc 1 lets it use the processor's
// time-stamp counter once the framework runs.
uint64_t GetNowMicroseconds(int allowTsc);
// The local date and time; 0, -1 for a null out.
int GetLocalDateTime(DateTime *out);
// Seeds the framework's MT19937 generator.
void SeedRandom(unsigned seed);

// ---------------------------------------------------------------------------
// Core: ring buffer and handle lists
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: files, streams and paths
// ---------------------------------------------------------------------------

// Path outputs hold this many characters (terminator included) unless a
// function takes a size. Paths accept '\\' and '/' alike and are written
// with '\\'; a double-byte character (UTF-16 surrogate pair in the W forms)
// is one character.
enum { PATH_BUFFER_SIZE = 260 };

// Full path of path against currentDir (null: the file table's current
// directory); ".", ".." and empty parts resolved; -1 when out would overflow.
int MakeFullPath(const char *path, char *out, const char *currentDir);
// MakeFullPath on UTF-16 text (a table directory is widened from the code page).
int MakeFullPathW(const char16_t *path, char16_t *out, const char16_t *currentDir);
// Splits at the last '\\', '/' or ':' into file name and folder (either out
// may be null); no separator: all of it is the file name.
int SplitDirAndFileName(const char *path, char *fileNameOut, char *dirOut);
// SplitDirAndFileName on UTF-16 text.
int SplitDirAndFileNameW(const char16_t *path, char16_t *fileNameOut, char16_t *dirOut);
// Copies the path's root ("X:" or "\\\\server"); its length, -1 when too long.
int GetPathRootElement(const char *path, char *out);
// GetPathRootElement on UTF-16 text.
int GetPathRootElementW(const char16_t *path, char16_t *out);
// Copies the path's first element (up to a separator); its length, -1 when too long.
int GetPathElement(const char *path, char *out);
// GetPathElement on UTF-16 text.
int GetPathElementW(const char16_t *path, char16_t *out);
// Path of filePath relative to the folder baseDir ("..\\" steps as needed);
// the full path when their roots differ.
int MakeRelativePath(const char *filePath, const char *baseDir, char *out);
// MakeRelativePath on UTF-16 text.
int MakeRelativePathW(const char16_t *filePath, const char16_t *baseDir, char16_t *out);

// Unpacks the LZ block of blockSize bytes into output (outputCapacity bytes);
// returns the unpacked size (with a null output: only reads it), -1 for a
// corrupt block or too small an output.
int DecodeLzBlock(const void *block, int blockSize, void *output, int outputCapacity);

// ---------------------------------------------------------------------------
// Core: matrix and vector maths
// ---------------------------------------------------------------------------

// Matrices are row-major, for row vectors (v' = v x M); a product A x B
// applies A first. Angles are radians; axes are left-handed. Out-parameter
// forms may name an input as out and return 0 unless noted.

// Sets out to the identity.
int MakeIdentityMatrix(Matrix4x4 *out);
// out = a x b; -1 with nothing written when out is null.
int MultiplyMatrix(Matrix4x4 *out, const Matrix4x4 *a, const Matrix4x4 *b);
// Diagonal scale sx, sy, sz, 1.
int MakeScaleMatrix(Matrix4x4 *out, float sx, float sy, float sz);
// Rotation about X (turns y toward z).
int MakeRotationMatrixX(Matrix4x4 *out, float angle);
// Rotation about Y (turns z toward x).
int MakeRotationMatrixY(Matrix4x4 *out, float angle);
// Rotation about Z (turns x toward y).
int MakeRotationMatrixZ(Matrix4x4 *out, float angle);
// Identity with the translation x, y, z in the fourth row.
int MakeTranslationMatrix(Matrix4x4 *out, float x, float y, float z);
// out = the transpose of in.
int TransposeMatrix(Matrix4x4 *out, const Matrix4x4 *in);
// out = the inverse of in; -1 with out untouched when in is (nearly) singular.
int InvertMatrix(Matrix4x4 *out, const Matrix4x4 *in);
// Maps clip space to a viewport centred on cx, cy of the given size.
int MakeViewportMatrix(Matrix4x4 *out, float cx, float cy, float width, float height);
// Perspective projection; a negative aspect means screen height / width; -1 when near ~ far or sin(fov/2) ~ 0.
int MakePerspectiveMatrix(Matrix4x4 *out, float fov, float zNear, float zFar, float aspect);
// Orthographic projection of the given view height; aspect as above; -1 when near ~ far.
int MakeOrthographicMatrix(Matrix4x4 *out, float height, float zNear, float zFar, float aspect);
// View matrix looking from eye at target with the given up direction.
int MakeLookAtMatrix(Matrix4x4 *out, const Vector3 *eye, const Vector3 *target, const Vector3 *up);
// Rotation Rx x Ry x Rz (X applied first).
int MakeEulerMatrixXYZ(Matrix4x4 *out, float x, float y, float z);
// Rotation Rx x Rz x Ry.
int MakeEulerMatrixXZY(Matrix4x4 *out, float x, float y, float z);
// Rotation Ry x Rx x Rz.
int MakeEulerMatrixYXZ(Matrix4x4 *out, float x, float y, float z);
// Rotation Ry x Rz x Rx.
int MakeEulerMatrixYZX(Matrix4x4 *out, float x, float y, float z);
// Rotation Rz x Rx x Ry.
int MakeEulerMatrixZXY(Matrix4x4 *out, float x, float y, float z);
// Rotation Rz x Ry x Rx.
int MakeEulerMatrixZYX(Matrix4x4 *out, float x, float y, float z);
// Angles of an XYZ rotation (pointers optional); -1 near a quarter turn of the middle axis.
int ExtractEulerXYZ(const Matrix4x4 *m, float *x, float *y, float *z);
// Angles of an XZY rotation; as ExtractEulerXYZ.
int ExtractEulerXZY(const Matrix4x4 *m, float *x, float *y, float *z);
// Angles of a YXZ rotation; as ExtractEulerXYZ.
int ExtractEulerYXZ(const Matrix4x4 *m, float *x, float *y, float *z);
// Angles of a YZX rotation; as ExtractEulerXYZ.
int ExtractEulerYZX(const Matrix4x4 *m, float *x, float *y, float *z);
// Angles of a ZXY rotation; as ExtractEulerXYZ.
int ExtractEulerZXY(const Matrix4x4 *m, float *x, float *y, float *z);
// Angles of a ZYX rotation; as ExtractEulerXYZ.
int ExtractEulerZYX(const Matrix4x4 *m, float *x, float *y, float *z);
// out = v / length(v) (no zero-length test).
int NormalizeVector(Vector3 *out, const Vector3 *v);
// out = a - b.
int SubtractVector(Vector3 *out, const Vector3 *a, const Vector3 *b);
// out = a + b.
int AddVector(Vector3 *out, const Vector3 *a, const Vector3 *b);
// out = a x b (cross product).
int CrossProduct(Vector3 *out, const Vector3 *a, const Vector3 *b);
// out = a x b; returns out.
Vector3 *CrossVector3(Vector3 *out, const Vector3 *a, const Vector3 *b);
// The dot product a . b.
float DotProduct(const Vector3 *a, const Vector3 *b);
// out = (v, 1) x m with w dropped.
int TransformVector(Vector3 *out, const Vector3 *v, const Matrix4x4 *m);
// (v, w) x m: x, y, z to out and the fourth component to outW.
int TransformVector4(Vector3 *out, float *outW, const Vector3 *v, float w, const Matrix4x4 *m);
// Clips rect in place to bounds (an inverted rectangle first becomes empty); 0.
int ClipRectangle(Rect *rect, const Rect *bounds);
// a x b.
Matrix4x4 GetMatrixProduct(Matrix4x4 a, Matrix4x4 b);
// Scale matrix of the three factors.
Matrix4x4 GetScaleMatrix(Vector3 scale);
// Rotation about X.
Matrix4x4 GetRotationMatrixX(float angle);
// Rotation about Y.
Matrix4x4 GetRotationMatrixY(float angle);
// Rotation about Z.
Matrix4x4 GetRotationMatrixZ(float angle);
// Inverse of m, or the identity when m is singular.
Matrix4x4 GetInverseMatrix(Matrix4x4 m);
// v / length(v).
Vector3 GetNormalizedVector(Vector3 v);
// Length of v; 0 when its square is below 1e-7.
float GetVectorLength(Vector3 v);
// Matrix with the three axes and the position as rows 0 to 3, fourth column (0, 0, 0, 1).
Matrix4x4 GetMatrixFromAxes(Vector3 xAxis, Vector3 yAxis, Vector3 zAxis, Vector3 position);

// ---------------------------------------------------------------------------
// Graphics: screen mode
// ---------------------------------------------------------------------------

// Screen size, colour depth (8, 16 or 32) and refresh rate (0 the display's
// default); before start-up only stored. 0, -1 for a size or depth refused.
int SetScreenMode(int width, int height, int colorBits, int refreshRate);
// 1 runs a 320 x 240 full-screen picture scaled up to 640 x 480; 0.
int SetEmulation320x240(int on);
// 0 chooses the software renderer (before start-up only; else -1).
int SetUseHardwareRendering(int use);
// 1 unless the software renderer was chosen.
int GetUseHardwareRendering(void);
// The configured screen size (640 x 480 until set; each pointer may be null); 0.
int GetScreenSizeSetting(int *width, int *height);
// The size the program draws at (320 x 240 while emulated) and the colour bits; 0.
int GetLogicalScreenInfo(int *width, int *height, int *colorBits);
// The screen's colour bits (16 until set).
int GetScreenColorBits(void);
// 1 in full-screen mode, 0 in window mode.
int IsFullScreenMode(void);
// Mip-map levels of graph textures made from now on: levels when enable is 1
// (-1 the full chain), else one level; 0.
int SetNewGraphMipmapLevels(int enable, int levels);
// The display's DirectDraw object (an IDirectDraw7), null when there is none.
void *GetDirectDrawObject(void);
// Fills the 380-byte DirectDraw capability record with zeros; returns it.
void *GetDisplayHardwareCaps(void *caps);
// Display modes of the primary display with more than 15 bits per pixel.
int GetDisplayModeCount(void);
// 1 when a listed mode has exactly that size and colour depth.
int IsDisplayModeAvailable(int width, int height, int colorBits);
// Device dialog-box mode off, and on again when menu is not null; 0.
int ResetDeviceDialogBoxMode(void *menu);
// Ends an open scene and sets the device's dialog-box mode; 0.
int EnableDeviceDialogBoxMode(int mode);
// Deletes a mask handle; -1 for any value that names none.
int DeleteMaskHandle(int handle);
// The mask-use setting; setting it fails (-1) while no mask screen exists.
int GetMaskEnabled(void);
int SetMaskEnabled(int use);
// The function that reloads every graph after a device rebuild (null: the
// built-in one); 0.
int SetGraphReloadCallback(int (*reload)(void));

// ---------------------------------------------------------------------------
// Graphics: graph handles
// ---------------------------------------------------------------------------

// A new graph of the whole image file (flag has no effect); -1 on failure.
int LoadGraphFromFile(const char *path, int flag);
// Cuts the image into count cellWidth x cellHeight graphs, row by row.
int LoadDividedGraph(const char *path, int count, int columns, int rows, int cellWidth,
                     int cellHeight, int *handles, int flag);
// The graph's size (each pointer may be null); -1 for a bad handle.
int GetGraphHandleSize(int handle, int *width, int *height);
// Deletes one graph; -1 for a bad handle.
int DeleteGraphHandle(int handle);
// Deletes every graph; does nothing before graphics start-up; 0.
int DeleteAllGraphHandles(void);

// ---------------------------------------------------------------------------
// Graphics: drawing
// ---------------------------------------------------------------------------

// The graph with its top-left at (x, y); transparent 1 honours key and alpha.
int DrawGraphAt(int x, int y, int handle, int transparent);
// A camera-facing square of size world units at position, centred on the
// graph fraction (centreX, centreY), turned by angle radians.
int DrawGraphBillboard(Vector3 position, float centreX, float centreY, float size,
                       float angle, int handle, int transparent, int turn);
// The graph scaled and turned by angle radians about its centre at (cx, cy).
int DrawGraphRotated(int cx, int cy, double scale, double angle, int handle, int transparent,
                     int turn);
// The same about a centre between pixels.
int DrawGraphRotatedF(float cx, float cy, double scale, double angle, int handle,
                      int transparent, int turn);
// The graph stretched from (x1, y1) to (x2, y2); reversed corners mirror it.
int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int transparent);
// The same with float corners.
int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int handle, int transparent);
// The graph mirrored left to right with its top-left at (x, y).
int DrawGraphTurned(int x, int y, int handle, int transparent);
// The part (srcX, srcY, width, height) of the graph at (x, y), turn mirrors.
int DrawRectGraph(int x, int y, int srcX, int srcY, int width, int height, int handle,
                  int transparent, int turn);
// The graph on the quad with corners clockwise from the top-left.
int DrawGraphQuadF(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                   float y4, int handle, int transparent);
// Text with the default font, its top-left at (x, y).
int DrawTextAt(int x, int y, const char *text, int color, int edgeColor);
// printf-style text with the default font, its top-left at (x, y).
int DrawFormattedText(int x, int y, int color, const char *format, ...);
// Fills the rectangle of the draw target (null: all of it) with the
// background colour and clears the depth buffer.
int ClearDrawTarget(const Rect *rect);
// Shows the finished back buffer.
int PresentScreen(void);

// ---------------------------------------------------------------------------
// Graphics: draw settings
// ---------------------------------------------------------------------------

// Where drawing goes: -2 the back buffer, or a draw-target graph.
int SetDrawTarget(int target);
// Drawing is clipped to (x1, y1)-(x2, y2).
int SetDrawClipRect(int x1, int y1, int x2, int y2);
// The colour made transparent when images become graphs (0-255 each).
int SetColorKey(int r, int g, int b);
// Size of the default font used by the text draws.
int SetDefaultFontSize(int size);
// Depth test of 3-D drawing on (1) or off (0).
int SetDepthTest3D(int on);
// Depth write of 3-D drawing on (1) or off (0).
int SetDepthWrite3D(int on);
// Brightness (each clamped to 0-255) applied to the following 2-D draws.
int SetDrawBrightness(int r, int g, int b);
// The colour value in the screen's pixel format, for the text draws.
uint32_t PackDrawColor(int r, int g, int b);
// Diffuse colour of the default light of 3-D drawing (r, g, b used).
int SetDefaultLightDiffuse(ColorF color);

// ---------------------------------------------------------------------------
// Graphics: camera
// ---------------------------------------------------------------------------

// Camera at position looking at target, kept upright (world +Y up); 0.
int SetCameraLookAt(Vector3 position, Vector3 target);
// The screen point onto which the centre of the view projects; 0.
int SetProjectionCenter(float x, float y);

// ---------------------------------------------------------------------------
// Graphics: fonts and text
// ---------------------------------------------------------------------------

// A font from system outlines (null face: the default face; -1 arguments
// take their defaults; slot and check number -1 for a new handle).
int CreateFontToHandle(const char *face, int size, int thickness, int fontType,
                       int charSetCode, int edgeSize, int italic, int slot, int checkNumber);
// Deletes a font handle; -1 for a handle that names no font.
int DeleteFontHandle(int handle);
// *notice becomes 0 now and 1 when the font is deleted; 0 / -1.
int SetFontDeleteNotice(int handle, int *notice);
// The face (256 bytes), size and thickness of a font; each may be null.
int GetFontHandleInfo(char *face, int *size, int *thickness, int handle);
// The size a font was made with, or -1.
int GetFontHandleSize(int handle);
// 1 when handle names a font, else 0.
int IsFontHandleValid(int handle);
// Extra pixels added to every advance of the font; 0 / -1.
int SetFontSpacing(int spacing, int handle);
// The default font's handle (-1 while there is none).
int GetDefaultFontHandle(void);
// Size and thickness of the default font (-1: 16 and 6); the face is unused.
int SetDefaultFontSizeAndThickness(const char *face, int size, int thickness);
// Text with a font at (x, y): colours in the screen's format, vertical 1
// turns it a quarter clockwise. 0, or -1 for a bad font handle.
int DrawTextWithFont(int x, int y, const char *text, int color, int fontHandle, int edgeColor,
                     int vertical);

// ---------------------------------------------------------------------------
// Graphics: character classification
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Graphics: base images and pixel formats
// ---------------------------------------------------------------------------

// The colour layout of a pixel value. 1-byte pixels index the palette, whose
// entries are blue, green, red and a fourth byte (read back as alpha).
struct PixelFormat {
  uint16_t bitsPerPixel;
  uint16_t bytesPerPixel;
  uint8_t redBits, greenBits, blueBits, alphaBits;
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t fillMask;  // bits no channel covers; set whenever a colour is packed
  uint8_t palette[256][4];
  uint8_t fillShift, fillBits;
  uint32_t compression;  // 0 plain; 1 to 5 DXT1 to DXT5 blocks
};

// A CPU-side image; rows run top to bottom. A zero-filled record is empty.
struct BASEIMAGE {
  PixelFormat format;
  int width, height;
  int pitch;
  void *pixels;  // owned by the record, from the debug memory manager
  int mipCount;  // levels stored one after another; 0 = one level
};

// 8-bit paletted format (palette left to the caller); 0.
int MakePalette8PixelFormat(PixelFormat *format);
// 8-bit paletted format with a grey-ramp palette; 0.
int MakeGray8PixelFormat(PixelFormat *format);
// 32-bit format with an unused top byte (always packed as 0xFF); 0.
int MakeXrgb32PixelFormat(PixelFormat *format);
// 32-bit format with alpha in the top byte; 0.
int MakeArgb32PixelFormat(PixelFormat *format);
// 24-bit R8G8B8 format; 0.
int MakeRgb24PixelFormat(PixelFormat *format);
// Format from the pixel size and the four channel masks (0 = absent); 0.
int MakePixelFormatFromMasks(PixelFormat *format, int bits, uint32_t redMask,
                             uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);
// Recomputes fillMask from the channel masks; returns format.
PixelFormat *UpdateFillMask(PixelFormat *format);
// Allocates a width x height image of the format (pitch a multiple of 4).
int CreateBaseImageWithFormat(int width, int height, const PixelFormat *format,
                              BASEIMAGE *image);
// Allocates a width x height 32-bit XRGB image.
int CreateXrgb32BaseImage(int width, int height, BASEIMAGE *image);
// Allocates a width x height 32-bit ARGB image.
int CreateArgb32BaseImage(int width, int height, BASEIMAGE *image);
// Frees the pixels and zero-fills the record; 0.
int FreeBaseImage(BASEIMAGE *image);
// Zeroes a w x h block at (x, y); the caller keeps it inside the image; 0.
int ClearBaseImageRect(BASEIMAGE *image, int x, int y, int w, int h);
// Pixel value of a colour of 0-255 channels (nearest entry for palettes).
uint32_t PackColorToPixel(const PixelFormat *format, int r, int g, int b, int a);
// Channels of a pixel value scaled to 0-255 (any pointer may be null); 0.
int UnpackPixelColor(const PixelFormat *format, uint32_t value, int *r, int *g, int *b,
                     int *a);
// Raw pixel at (x, y) rearranged as 0xAARRGGBB without rescaling (no range check).
uint32_t GetBaseImagePixelArgb(const BASEIMAGE *image, int x, int y);
// Stores a colour at (x, y); -1 out of range or when decoding fails.
int WriteBaseImagePixel(BASEIMAGE *image, int x, int y, int r, int g, int b, int a);
// Reads the colour at (x, y) as 0-255 channels; -1 out of range.
int ReadBaseImagePixel(const BASEIMAGE *image, int x, int y, int *r, int *g, int *b,
                       int *a);
// Copies srcRect of the source to (destX, destY) converting every pixel; -1 for
// an empty rectangle or an unusable format, the highest index copied for a
// plain 8-bit index copy, else 0.
int BlitWithFormatConversion(void *destPixels, int destPitch, const PixelFormat *destFormat,
                             const void *srcPixels, int srcPitch,
                             const PixelFormat *srcFormat, const void *alphaPixels,
                             int alphaPitch, const PixelFormat *alphaFormat, int destX,
                             int destY, const Rect *srcRect, int mirror, int keyToAlpha,
                             uint32_t keyColor, int ditherMode, int colorOff,
                             int redToAlpha, int keySkip, int paletteRemap);
// Clipped w x h copy from (srcX, srcY) of src to (destX, destY) of dest.
int BlitBaseImage(int srcX, int srcY, int w, int h, int destX, int destY,
                  BASEIMAGE *src, BASEIMAGE *dest);
// Scaled copy between two rectangles; mode 1 bilinear, else nearest pixel.
int ScaleBlitBaseImage(int srcX1, int srcY1, int srcX2, int srcY2, BASEIMAGE *src,
                       int destX1, int destY1, int destX2, int destY2, BASEIMAGE *dest,
                       int mode);
// Decodes a DXT1-DXT5 image in place into 32-bit ARGB; 0 for a plain image.
int ConvertDxtToPlain(BASEIMAGE *image);
// Reverses every row in place.
int MirrorBaseImage(BASEIMAGE *image);
// Turns the image by 180 degrees in place.
int RotateBaseImage180(BASEIMAGE *image);
// Writes a half-size copy (2 x 2 averages) for a mip-map level.
int HalveBaseImagePixels(const PixelFormat *format, void *destPixels, int destPitch,
                         const void *srcPixels, int srcPitch, int destX, int destY,
                         int srcX, int srcY, int srcWidth, int srcHeight);

// ---------------------------------------------------------------------------
// Graphics: image loading (BMP, JPEG, PNG, raw BGRA, TGA, DDS)
// ---------------------------------------------------------------------------

// Reads an image from the file path (fromMemory 0) or the block data of size
// bytes (fromMemory 1) into image; reverse 1 mirrors it left to right.
int LoadImageAsBaseImage(const char *path, const void *data, int size, int fromMemory,
                         BASEIMAGE *image, int reverse);
// Loads the colour image, then the alpha image: alphaMode 0 from the file
// named like path with "_a" before its extension, 1 from alphaData, else
// none. 0 both loaded, 1 the colour image only, -1 the colour image failed.
int LoadImagePairToBaseImages(const char *path, const void *data, int size, int fromMemory,
                              const void *alphaData, int alphaSize, int alphaMode,
                              BASEIMAGE *color, BASEIMAGE *alpha, int reverse);
// Writes path with "_a" before the extension of its last component (at the
// end when it has none) into out of outSize bytes; -1 when it does not fit.
int MakeAlphaImageName(char *out, int outSize, const char *path);
// The same for a UTF-16 path; outSize counts 16-bit units.
int MakeAlphaImageNameW(char16_t *out, int outSize, const char16_t *path);

// ---------------------------------------------------------------------------
// Graphics: soft images
// ---------------------------------------------------------------------------

// Deletes one soft image; -1 for a handle that names none.
int DeleteSoftImage(int handle);
// Deletes every soft image; 0.
int DeleteAllSoftImages(void);

// ---------------------------------------------------------------------------
// Models
// ---------------------------------------------------------------------------
// Model handles carry HANDLE_KIND_MODEL; every model function returns -1
// while the model system is not running (software rendering).

// Deletes a model instance (its model data goes with its last instance).
int VLMDeleteInstance(int handle);
// A new instance over the same model data, at the origin, unrotated, scale
// 1 and visible; the new handle, or -1.
int VLMCloneInstance(int handle);
// Places the instance at x, y, z.
int VLMSetInstancePosition(int handle, float x, float y, float z);
// Rotates the instance by Euler angles x, then y, then z (radians).
int VLMSetInstanceRotation(int handle, float x, float y, float z);
// Loads a model file; a new model instance handle, -1 on failure.
int LoadModel(const char *path);
// Draws every frame of the instance; -1 bad handle.
int VLMDrawInstance(int handle);
// Draws one frame; -1 bad handle, index out of range or nothing drawn.
int VLMDrawInstanceFrame(int handle, int frameIndex);

// ---------------------------------------------------------------------------
// Software renderer
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Sound: handles, playing and loading
// ---------------------------------------------------------------------------
// Play types: 0 plays and waits for the end (pumping messages), 1 plays in
// the background, 3 loops; a restart of 1 plays from the start, 0 goes on
// from the current position. Lengths and positions are sample frames or ms.

// Loads a WAV or Ogg Vorbis file into a sound with bufferCount (1-10)
// buffers that can play overlapping; the handle or -1.
int LoadSoundFromFile(const char *path, int bufferCount, int sharedStreamHandle);
// Loads a file as a stream sound (WAV from the file, others from memory).
int LoadStreamSoundFromFile(const char *path);
// As LoadSoundFromFile from a file image in memory; -1 for counts outside 1-10.
int CreateSoundFromMemory(const void *image, int bytes, int bufferCount, int sharedStreamHandle);
// How loads keep data: 0 PCM in memory (1 is taken as 0), 2 stream from a
// memory image, 3 stream from the file; -1 for other values.
int SetCreateSoundDataType(int type);
// The create-data type.
int GetCreateSoundDataType(void);
// Plays a sound with a play type and restart flag.
int PlaySoundHandle(int handle, int playType, int restart);
// Stops every buffer of a sound.
int StopSoundHandle(int handle);
// 1 while any buffer of the sound plays, 0 when none does, -1 bad handle.
int CheckSoundPlaying(int handle);
// Deletes a sound and its buffers.
int DeleteSoundHandle(int handle);
// Deletes every sound; -1 when sound is not started.
int DeleteAllSoundHandles(void);
// Length in sample frames, or -1.
int GetSoundTotalSamples(int handle);
// Length in milliseconds, or -1.
int GetSoundTotalTimeMs(int handle);
// Play position in milliseconds, or -1.
int GetSoundCurrentTimeMs(int handle);
// Where a looping play of the sound starts again after its end, in sample
// frames below the length (a PCM sound becomes a stream sound); -1 clears
// it. 0, or -1 for a bad handle or a refused position.
int SetSoundLoopPositionSamples(int samples, int handle);
// The same in milliseconds; -1 clears it.
int SetSoundLoopPositionMs(int ms, int handle);

// ---------------------------------------------------------------------------
// Sound: stream sounds
// ---------------------------------------------------------------------------

// Looped playback of a stream sound restarts ms milliseconds in (-1: at
// the start); -1 for a bad handle.
int SetSoundLoopPositionMs(int ms, int handle);

#endif  // VELVANE_H
