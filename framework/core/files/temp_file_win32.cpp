#include <windows.h>

#include "core/files/paths.h"

namespace {

enum { TEMP_DIR_LIMIT = 256 };

// The temporary folder with a trailing backslash; false when it cannot be
// had or leaves no room for a file name.
bool GetTempFolder(char *folder) {
  const DWORD length = GetTempPathA(TEMP_DIR_LIMIT, folder);
  if (length == 0 || length >= TEMP_DIR_LIMIT - 1) return false;
  if (folder[length - 1] != '\\') {
    folder[length] = '\\';
    folder[length + 1] = '\0';
  }
  return true;
}

}  // namespace

intptr_t OpenNewTempFile(char *pathOut) {
  char folder[TEMP_DIR_LIMIT + 1];
  char name[MAX_PATH];
  char fullPath[PATH_BUFFER_SIZE];
  if (!GetTempFolder(folder) || GetTempFileNameA(folder, "tmp", 0, name) == 0) return 0;
  // The platform made the file to reserve the name; make it anew, ours alone.
  if (MakeFullPath(name, fullPath, folder) < 0) {
    DeleteFileA(name);
    return 0;
  }
  DeleteFileA(fullPath);
  HANDLE file = CreateFileA(fullPath, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 0;
  if (pathOut) lstrcpynA(pathOut, fullPath, PATH_BUFFER_SIZE);
  return reinterpret_cast<intptr_t>(file);
}
