#include "graphics/graphs/graph_images.h"

#include <stddef.h>

#include "core/debug/memory.h"
#include "graphics/device/gfx_device.h"
#include "graphics/graphs/graph_records.h"
#include "softrender/softrender.h"

namespace {

void ReleaseDrawTargetExtras(SharedGraphImage *image, GfxDevice *device) {
  for (int i = 0; i < image->entryCount; i++) {
    GraphTextureEntry &entry = image->entries[i];
    if (entry.extraSurface && device) device->ReleaseSurface(entry.extraSurface);
    entry.extraSurface = NULL;
  }
}

}  // namespace

int ReleaseGraphTextures(SharedGraphImage *image) {
  if (!image || !image->hardware) return 0;
  GfxDevice *device = GetGfxDevice();
  for (int i = 0; i < image->entryCount; i++) {
    GraphTextureEntry &entry = image->entries[i];
    if (device) {
      if (entry.surface) device->ReleaseSurface(entry.surface);
      if (entry.videoTexture) device->ReleaseTexture(entry.videoTexture);
      if (entry.systemTexture) device->ReleaseTexture(entry.systemTexture);
    }
    entry.surface = NULL;
    entry.videoTexture = NULL;
    entry.systemTexture = NULL;
  }
  return 0;
}

void ReleaseSharedGraphImage(SharedGraphImage *image) {
  if (!image || --image->referenceCount > 0) return;
  if (image->hardware) {
    ReleaseDrawTargetExtras(image, GetGfxDevice());
    ReleaseGraphTextures(image);
  } else if (MemImgIsValid(&image->memImage)) {
    MemImgRelease(&image->memImage);
  }
  VV_FREE(image);
}
