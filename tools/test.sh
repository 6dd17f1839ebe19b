#!/usr/bin/env bash
# Sets up the machine and runs every test: the native build with sanitizers,
# the fuzz smoke runs, the Windows build under Wine, and the benchmark and
# 32-bit Windows builds (built, not run). Prints "N passed, N failed" last.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(pwd)/tools/setup.sh"

jobs="$(nproc)"
summary_dir="$(mktemp -d)"
trap 'rm -rf "$summary_dir"' EXIT

step() { echo; echo "=== $* ==="; }

# Runs ctest for a preset and keeps its closing counts.
run_ctest() {
  local preset="$1"
  shift
  set +e
  "$@" ctest --preset "$preset" 2>&1 | tee "$summary_dir/$preset.log"
  local status=${PIPESTATUS[0]}
  set -e
  return $status
}

failed=0

step "host: configure, build, unit tests (ASan + UBSan)"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
run_ctest host || failed=1

step "fuzz: configure, build, smoke runs"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
run_ctest fuzz || failed=1

step "win64: configure, build, tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
# A fresh Wine prefix for this run only, under the build folder.
export VELVANE_WINEPREFIX="$(pwd)/build/win64/wineprefix-$$"
run_ctest win64 xvfb-run -a -s '-screen 0 1024x768x24' || failed=1
# The main prefix, one per screen the graphics programs asked for, and the
# end-to-end play's own.
for prefix in "$VELVANE_WINEPREFIX" "$VELVANE_WINEPREFIX"-*x*x* "$VELVANE_WINEPREFIX"-e2e; do
  [[ -e "$prefix" || "$prefix" == "$VELVANE_WINEPREFIX" ]] || continue
  [[ "$prefix" == *.lock ]] && continue
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix" "$prefix.lock"
done

step "bench: build (run by hand: build/bench/bench/*)"
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$jobs"

step "win32: build (32-bit release; not run here)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

passed=0
failures=0
for log in "$summary_dir"/*.log; do
  line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)"
  if [[ -z "$line" ]]; then
    failed=1
    continue
  fi
  total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
  bad="$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")"
  passed=$((passed + total - bad))
  failures=$((failures + bad))
done

echo
echo "$passed passed, $failures failed"
if [[ $failed -ne 0 || $failures -ne 0 ]]; then exit 1; fi
