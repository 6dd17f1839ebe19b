// Any bytes offered to the MQO loader, with the MQO header put in front
// so the parser, the mirroring and the converter behind it all run. A load
// either makes model data (released again) or fails; nothing may be left.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "core/debug/memory.h"
#include "model/loaders/model_load_param.h"
#include "model/system/model_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool started = StartModelTables() == 0;
  (void)started;
  static const char kHeader[] = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n";
  std::string image(kHeader);
  // Seeds are whole documents: keep theirs rather than doubling it.
  if (size >= 22 && memcmp(data, kHeader, 22) == 0) image.clear();
  image.append(reinterpret_cast<const char *>(data), size);
  const ModelLoadParam param = {image.c_str(), static_cast<int>(image.size()), "fuzz.mqo", "fuzz", "C:\\fuzz", NULL};
  const int before = GetAllocatedBlockCount();
  const int handle = LoadMqoModel(&param);
  if (handle >= 0) ReleaseModelData(handle);
  // The data table's slot array may have grown once; nothing else stays.
  if (GetAllocatedBlockCount() > before + 1) __builtin_trap();
  return 0;
}
