// Where drawing goes: a graph made as a draw target, -2 the back buffer,
// -3 and -5 the same surface as -2, -4 the visible screen.
#ifndef VELVANE_GRAPHICS_DRAW_TARGET_H
#define VELVANE_GRAPHICS_DRAW_TARGET_H

enum {
  DRAW_TARGET_BACK = -2,
  DRAW_TARGET_FRONT = -4
};

// 0, or -1 before graphics start-up and for a value that is no target.
int SetDrawTarget(int target);
// The current draw target.
int GetDrawTarget(void);
// Restricts drawing to the rectangle (right and bottom exclusive); 0, or -1
// when the draw target is no screen or graph.
int SetDrawClipRect(int x1, int y1, int x2, int y2);

#endif  // VELVANE_GRAPHICS_DRAW_TARGET_H
