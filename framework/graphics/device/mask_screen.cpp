#include "graphics/device/mask_screen.h"

namespace {

struct MaskScreenState {
  int useSetting;
  int screenExists;
};

MaskScreenState g_mask = {1, 0};

}  // namespace

int GetMaskEnabled(void) { return g_mask.useSetting; }

int SetMaskEnabled(int use) {
  if (!g_mask.screenExists) return -1;
  g_mask.useSetting = use;
  return 0;
}
