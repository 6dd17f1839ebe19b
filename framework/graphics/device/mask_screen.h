// The mask screen's frame: mask handles (kind 5), the mask-use setting and
// the steps start-up, restore and shut-down call. No operation of this
// framework builds a mask screen, so drawing never goes through one.
#ifndef VELVANE_GRAPHICS_MASK_SCREEN_H
#define VELVANE_GRAPHICS_MASK_SCREEN_H

enum { MASK_HANDLE_CAPACITY = 512 };

// The mask-use setting.
int GetMaskEnabled(void);
// -1 while no mask screen exists (always here); the setting is kept.
int SetMaskEnabled(int use);
// 1 while drawing goes to the mask (never here).
int IsMaskDrawActive(void);
// The setting back to 1, as a draw-settings reset leaves it.
void ResetMaskEnabled(void);
// -1 for anything but a live mask handle; else frees it; 0.
int DeleteMaskHandle(int handle);
// Deletes every live mask handle; 0.
int DeleteAllMaskHandles(void);
// After a device rebuild: the mask surfaces again; 0.
int RestoreMaskScreen(void);
// At graphics shut-down; 0.
int EndMaskScreen(void);
// Frees whatever mask images and textures exist.
void MaskSurfaceRelease(void);

#endif  // VELVANE_GRAPHICS_MASK_SCREEN_H
