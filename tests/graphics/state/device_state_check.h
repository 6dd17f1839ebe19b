// Compares what the render-state cache believes with what the device holds
// (through the device's Get* calls), as the cache's meaning of each field
// says the device value must be. Shared by the native tests (recording
// fake) and the Wine tests (the real device).
#ifndef VELVANE_TESTS_DEVICE_STATE_CHECK_H
#define VELVANE_TESTS_DEVICE_STATE_CHECK_H

#include <string>
#include <vector>

class GfxDevice;

// One line per state where cache and device disagree; empty when they agree.
// argTemp says whether the device takes the result-argument state.
std::vector<std::string> CacheDeviceMismatches(GfxDevice *device, int argTemp);

#endif  // VELVANE_TESTS_DEVICE_STATE_CHECK_H
