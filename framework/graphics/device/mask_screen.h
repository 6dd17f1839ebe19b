// The mask screen switch. No operation of this framework builds a mask
// screen, so drawing never goes through one.
#ifndef VELVANE_GRAPHICS_MASK_SCREEN_H
#define VELVANE_GRAPHICS_MASK_SCREEN_H

// The mask-use setting.
int GetMaskEnabled(void);
// -1 while no mask screen exists (always here); the setting is kept.
int SetMaskEnabled(int use);

#endif  // VELVANE_GRAPHICS_MASK_SCREEN_H
