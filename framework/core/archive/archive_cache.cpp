#include "core/archive/archive_cache.h"

int ResetArchiveCache(void) { return 0; }
