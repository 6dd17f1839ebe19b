// The small log drawn over the picture: 80 lines of text in an edged font.
#ifndef VELVANE_GRAPHICS_ONSCREEN_LOG_H
#define VELVANE_GRAPHICS_ONSCREEN_LOG_H

enum { ONSCREEN_LOG_LINES = 80, ONSCREEN_LOG_LINE_BYTES = 255 };

// -1 unless the graphics system runs; 0 (also when already initialised).
int InitOnScreenLog(void);
// Makes the log's font when it has none (also after it was deleted); 0.
int PrepareOnScreenLogFont(void);
// Draws the lines that fit the screen at x 0, one font size apart, white
// with a black edge; 0.
int DrawOnScreenLog(void);
// 1 while the log is to be drawn over the picture.
int IsLogShownOnScreen(void);
// Turns drawing the log over every presented picture on (1) or off (0).
void SetLogShownOnScreen(int shown);
// Drops its font and marks it uninitialised (framework shut-down); 0.
int EndOnScreenLog(void);
// Puts text (cut to the line's size) into a line of the store.
void StoreOnScreenLogLine(int line, const char *text);
// The log's font handle, -1 while there is none.
int GetOnScreenLogFont(void);

#endif  // VELVANE_GRAPHICS_ONSCREEN_LOG_H
