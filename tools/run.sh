#!/usr/bin/env bash
# Sets up the machine, builds the Windows program and runs it: directly on
# Windows-like hosts, else under Wine on a virtual display when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(pwd)/tools/setup.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target velvane_demo

program="$(pwd)/build/win64/demo/velvane_demo.exe"
workdir="$(pwd)/build/win64/run"
mkdir -p "$workdir"
cd "$workdir"
export WINEPREFIX="${WINEPREFIX:-$(pwd)/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=ja_JP.UTF-8
if [[ -n "${DISPLAY:-}" ]]; then
  /usr/lib/wine/wine64 "$program" "$@"
else
  xvfb-run -a -s '-screen 0 1024x768x24' /usr/lib/wine/wine64 "$program" "$@"
fi
echo "Log written to $workdir/Log.txt"
