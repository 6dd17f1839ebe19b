// Paths: full and relative paths, splitting, and temporary files. The path
// functions themselves are public (velvane.h).
#ifndef VELVANE_CORE_PATHS_H
#define VELVANE_CORE_PATHS_H

#include <stdint.h>

#include "velvane.h"

// Creates a new empty file in the temporary folder, open for writing, and
// copies its full path (PATH_BUFFER_SIZE bytes) to pathOut when given.
// Returns the platform file handle, or 0 on failure. The caller writes,
// closes and deletes it.
intptr_t OpenNewTempFile(char *pathOut);

#endif  // VELVANE_CORE_PATHS_H
