// Shader handles: each keeps its kind and byte code, so the device shader
// can be made again on a new device.
#include <stdint.h>
#include <string.h>

#include "core/base/handle_table.h"
#include "core/debug/memory.h"
#include "graphics/device/shaders.h"
#include "graphics/state/render_state_cache.h"
#include "velvane.h"

namespace {

enum { SHADER_HANDLE_SLOTS = 4096, SHADER_END_TOKEN = 0x0000FFFF };

struct ShaderRecord {
  HandleObject head;
  int pixel;
  int words;
  uint32_t *code;
  GfxShader *shader;  // null while none exists
};

struct ShaderHandleState {
  int ready;
  HandleTable table;
  HandleObject *slots[SHADER_HANDLE_SLOTS];
};

ShaderHandleState g_shaderHandles;

HandleTable *Table(void) {
  if (!g_shaderHandles.ready) {
    HandleTableInit(&g_shaderHandles.table, HANDLE_KIND_SHADER, g_shaderHandles.slots,
                    SHADER_HANDLE_SLOTS);
    HandleTableSetSlotRule(&g_shaderHandles.table, HANDLE_SLOTS_HIGHEST);
    g_shaderHandles.ready = 1;
  }
  return &g_shaderHandles.table;
}

ShaderRecord *Find(int handle) { return HandleTableGet<ShaderRecord>(Table(), handle); }

void ReleaseShaderObject(ShaderRecord *record) {
  GfxDevice *device = GetGfxDevice();
  if (record->shader && device) device->ReleaseShader(record->pixel, record->shader);
  record->shader = NULL;
}

int CreateShaderObject(ShaderRecord *record) {
  ReleaseShaderObject(record);
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  GfxShader *shader = NULL;
  if (device->CreateShader(record->pixel, record->code, &shader) < 0) return -1;
  record->shader = shader;
  return 0;
}

void FreeRecord(ShaderRecord *record) {
  ReleaseShaderObject(record);
  VV_FREE(record->code);
  VV_FREE(record);
}

template <void (*Visit)(ShaderRecord *)>
void ForEachShader(void) {
  HandleTable *table = Table();
  for (int slot = table->nextSlot - 1; slot >= 0; slot--) {
    HandleObject *object = HandleTableSlot(table, slot);
    if (object) Visit(reinterpret_cast<ShaderRecord *>(object));
  }
}

void DeleteRecord(ShaderRecord *record) { DeleteShaderHandle(record->head.handle); }

void RecreateIgnoringFailure(ShaderRecord *record) { CreateShaderObject(record); }

}  // namespace

int MakeShaderHandle(int pixel, const uint32_t *code, int words) {
  // The code must end in its end token, or the device would read past it.
  if (!code || words <= 0 || words > (1 << 20) || code[words - 1] != SHADER_END_TOKEN) return -1;
  ShaderRecord *record = static_cast<ShaderRecord *>(VV_ALLOC_ZEROED(sizeof(ShaderRecord)));
  if (!record) return -1;
  record->pixel = pixel ? 1 : 0;
  record->words = words;
  record->code = static_cast<uint32_t *>(VV_ALLOC(sizeof(uint32_t) * static_cast<size_t>(words)));
  const int handle = record->code ? HandleTableAdd(Table(), &record->head) : -1;
  if (handle < 0) {
    FreeRecord(record);
    return -1;
  }
  memcpy(record->code, code, sizeof(uint32_t) * static_cast<size_t>(words));
  if (StateDevice() && CreateShaderObject(record) < 0) {
    HandleTableRemove(Table(), handle);
    FreeRecord(record);
    return -1;
  }
  return handle;
}

int DeleteShaderHandle(int handle) {
  ShaderRecord *record = Find(handle);
  if (!record) return -1;
  HandleTableRemove(Table(), handle);
  FreeRecord(record);
  return 0;
}

int DeleteAllShaderHandles(void) {
  ForEachShader<DeleteRecord>();
  return 0;
}

int ReleaseAllShaderObjects(void) {
  ForEachShader<ReleaseShaderObject>();
  return 0;
}

int RecreateAllShaderObjects(void) {
  ForEachShader<RecreateIgnoringFailure>();
  return 0;
}

GfxShader *GetShaderDevice(int handle) {
  const ShaderRecord *record = Find(handle);
  return record ? record->shader : NULL;
}

int GetShaderTableEnd(void) { return Table()->nextSlot; }
