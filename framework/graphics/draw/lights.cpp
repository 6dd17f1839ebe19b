#include "graphics/draw/lights.h"

#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "core/base/handle_table.h"
#include "core/debug/memory.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/state/render_state_cache.h"

namespace {

enum {
  LIGHT_HANDLE_KIND = 9,
  LIGHT_POINT = 1,
  LIGHT_SPOT = 2,
  LIGHT_DIRECTIONAL = 3
};

struct LightRecord {
  HandleObject head;
  GfxLight light;
  int deviceIndex;  // -1: not sent
  int enabled;
  int changed;
};

struct LightSystem {
  HandleTable table;
  HandleObject *slots[LIGHT_TABLE_SLOTS];
  int ready;
  int highestDeviceIndex;  // -1: none enabled on the device
};

LightSystem g_lights;

HandleTable *Table(void) {
  if (!g_lights.ready) {
    HandleTableInit(&g_lights.table, LIGHT_HANDLE_KIND, g_lights.slots, LIGHT_TABLE_SLOTS);
    HandleTableSetSlotRule(&g_lights.table, HANDLE_SLOTS_HIGHEST);
    g_lights.highestDeviceIndex = -1;
    g_lights.ready = 1;
  }
  return &g_lights.table;
}

LightRecord *Find(int handle) { return HandleTableGet<LightRecord>(Table(), handle); }

void MarkChanged(void) { g_drawSettings.lightsChanged = 1; }

int AddLight(const GfxLight &light) {
  LightRecord *record = static_cast<LightRecord *>(VV_ALLOC_ZEROED(sizeof(LightRecord)));
  if (!record) FatalErrorExit("ライト用のメモリの確保に失敗しました");
  record->light = light;
  record->deviceIndex = -1;
  record->enabled = 1;
  record->changed = 1;
  const int handle = HandleTableAdd(Table(), &record->head);
  if (handle < 0) {
    VV_FREE(record);
    return -1;
  }
  MarkChanged();
  return handle;
}

GfxLight NewLight(void) {
  GfxLight light = {};
  light.type = LIGHT_POINT;
  light.diffuse = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
  light.specular = ColorF{1.0f, 1.0f, 1.0f, 1.0f};
  light.ambient = ColorF{0.33f, 0.33f, 0.33f, 0.33f};
  light.range = 2000.0f;
  light.falloff = 1.0f;
  light.attenuation0 = 0.1f;
  light.theta = 2.0f;
  light.phi = 2.0f;
  return light;
}

void FreeLight(int handle) {
  LightRecord *record = reinterpret_cast<LightRecord *>(HandleTableRemove(Table(), handle));
  if (record) VV_FREE(record);
  MarkChanged();
}

// Sends one light at a device index when it moved, changed or all go again.
void SendLight(LightRecord *record, int index, int all) {
  if (record->deviceIndex != index || record->changed || all) {
    SetDeviceLight(index, &record->light);
    EnableDeviceLight(index, 1);
    record->changed = 0;
  }
  record->deviceIndex = index;
}

}  // namespace

int CreateLightHandle(void) { return AddLight(NewLight()); }

int CreateDirectionalLight(Vector3 direction) {
  GfxLight light = NewLight();
  light.type = LIGHT_DIRECTIONAL;
  NormalizeVector(&light.direction, &direction);
  return AddLight(light);
}

int SetLightDiffuse(int handle, ColorF color) {
  LightRecord *record = Find(handle);
  if (!record) return -1;
  record->light.diffuse = ColorF{color.r, color.g, color.b, 0.0f};
  record->changed = 1;
  MarkChanged();
  return 0;
}

int SetDefaultLightDiffuse(ColorF color) {
  return SetLightDiffuse(g_drawSettings.defaultLight, color);
}

int DeleteLightHandle(int handle) {
  if (!Find(handle)) return -1;
  if (handle == g_drawSettings.defaultLight) g_drawSettings.defaultLight = -1;
  FreeLight(handle);
  return 0;
}

int DeleteAllLightHandles(void) {
  HandleTable *table = Table();
  for (int slot = 0; slot < LIGHT_TABLE_SLOTS; slot++) {
    HandleObject *object = HandleTableSlot(table, slot);
    if (object && object->handle != g_drawSettings.defaultLight) FreeLight(object->handle);
  }
  return 0;
}

int EndLightSystem(void) {
  DeleteAllLightHandles();
  DeleteLightHandle(g_drawSettings.defaultLight);
  g_drawSettings.defaultLight = -1;
  g_lights.highestDeviceIndex = -1;
  return 0;
}

int CreateDefaultLight(void) {
  if (Find(g_drawSettings.defaultLight)) return 0;
  g_drawSettings.defaultLight = CreateDirectionalLight(Vector3{1.0f, -1.0f, 1.0f});
  return 0;
}

int SetLightingEnabled(int on) {
  g_drawSettings.lightingDisabled = on ? 0 : 1;
  if (IsHardwareRenderingActive()) SetDeviceLighting(on ? 1 : 0);
  MarkChanged();
  return 0;
}

int UpdateDeviceLights(void) {
  DrawSettings &settings = g_drawSettings;
  SetDeviceLighting(settings.lightingDisabled ? 0 : 1);
  if (!settings.lightsChanged && !settings.resendAllLights) return 0;
  HandleTable *table = Table();
  int next = 0;
  static const int kOrder[3] = {LIGHT_DIRECTIONAL, LIGHT_SPOT, LIGHT_POINT};
  for (int type : kOrder) {
    for (int slot = 0; slot < LIGHT_TABLE_SLOTS; slot++) {
      LightRecord *record = reinterpret_cast<LightRecord *>(HandleTableSlot(table, slot));
      if (!record || record->light.type != type) continue;
      if (!record->enabled) {
        record->deviceIndex = -1;
        continue;
      }
      SendLight(record, next++, settings.resendAllLights);
    }
  }
  for (int index = next; index <= g_lights.highestDeviceIndex; index++) {
    EnableDeviceLight(index, 0);
  }
  g_lights.highestDeviceIndex = next - 1;
  settings.lightsChanged = 0;
  settings.resendAllLights = 0;
  return 0;
}

int GetLightDeviceIndex(int handle) {
  LightRecord *record = Find(handle);
  return record ? record->deviceIndex : -2;
}
