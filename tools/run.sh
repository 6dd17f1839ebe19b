#!/usr/bin/env bash
# Sets up the machine, builds the game folder (pellacor.exe beside its
# assets; build/win64/game) and runs the game in it, so saved data stays in
# its Data folder: for a person when there is a display, else the scripted
# play on a virtual display of its own (tests/e2e/pellacor_e2e.py, in a
# temporary copy of the game folder: answers the window question No,
# launches, scores, ends the game with Escape and prints the saved files),
# so the command always returns.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(pwd)/tools/setup.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target pellacor

root="$(pwd)"
game="$root/build/win64/game"
export VELVANE_WINEPREFIX="${VELVANE_WINEPREFIX:-$(pwd)/build/win64/run/wineprefix}"
if [[ -n "${DISPLAY:-}" ]]; then
  cd "$game"
  # A person plays as long as they like: no watchdog.
  VELVANE_TEST_TIMEOUT=0 "$root/tools/wine-run.sh" ./pellacor.exe "$@"
else
  /usr/bin/python3 tests/e2e/pellacor_e2e.py "$game"
fi
