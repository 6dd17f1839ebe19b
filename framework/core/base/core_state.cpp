#include "core/base/core_state.h"

#include <string.h>

namespace {

struct CoreState {
  int charSet;
  unsigned codePage;
  char startDirectory[START_DIRECTORY_SIZE];
  int initialised;
  int starting;
};

CoreState g_core = {0, 932, {0}, 0, 0};

}  // namespace

int GetFrameworkCharSet(void) { return g_core.charSet; }

unsigned GetFrameworkCodePage(void) { return g_core.codePage; }

void SetFrameworkCharSet(int charSetCode, unsigned codePage) {
  g_core.charSet = charSetCode;
  g_core.codePage = codePage;
}

const char *GetStartDirectory(void) { return g_core.startDirectory; }

int SetStartDirectory(const char *path) {
  size_t length = path ? strlen(path) : 0;
  if (length >= sizeof(g_core.startDirectory)) return -1;
  memcpy(g_core.startDirectory, path ? path : "", length + 1);
  return 0;
}

int IsFrameworkInitialised(void) { return g_core.initialised; }

void SetFrameworkInitialised(int on) { g_core.initialised = on ? 1 : 0; }

int IsFrameworkStarting(void) { return g_core.starting; }

void SetFrameworkStarting(int on) { g_core.starting = on ? 1 : 0; }
