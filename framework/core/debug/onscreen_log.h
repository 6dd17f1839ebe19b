// The small log drawn over the picture.
#ifndef VELVANE_CORE_ONSCREEN_LOG_H
#define VELVANE_CORE_ONSCREEN_LOG_H

// -1 unless the graphics system runs; 0 (also when already initialised).
int InitOnScreenLog(void);
// Drops its font and marks it uninitialised (framework shut-down); 0.
int EndOnScreenLog(void);

#endif  // VELVANE_CORE_ONSCREEN_LOG_H
