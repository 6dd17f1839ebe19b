#!/usr/bin/env bash
# Runs a Windows test program under Wine: the crosscompiling emulator of the
# win64 build. One Wine prefix per test run (VELVANE_WINEPREFIX, else one
# beside the program's build tree), made once under a lock; a display from
# the caller or a private Xvfb; a watchdog that kills a hung program.
# VELVANE_SCREEN=WxHxD runs the program on a private Xvfb of that size and
# depth whatever DISPLAY says, with a prefix of its own for that screen
# ("<prefix>-WxHxD"), so display modes never leak between screens.
set -euo pipefail

program="$1"
shift

find_wine64() {
  for candidate in /usr/lib/wine/wine64 /usr/lib/x86_64-linux-gnu/wine/wine64 \
                   "$(command -v wine64 2>/dev/null || true)"; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      echo "$candidate"
      return
    fi
  done
  dpkg -L wine64 2>/dev/null | grep -E '/wine64$' | head -n 1
}

build_dir() {
  local dir
  dir="$(cd "$(dirname "$program")" && pwd)"
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir="$(dirname "$dir")"; done
  [[ "$dir" == / ]] && dir="$(cd "$(dirname "$program")" && pwd)"
  echo "$dir"
}

WINE64="$(find_wine64)"
if [[ -z "$WINE64" ]]; then
  echo "wine-run: the wine64 loader is not installed (run tools/setup.sh)" >&2
  exit 127
fi

export WINEPREFIX="${VELVANE_WINEPREFIX:-$(build_dir)/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
timeout_seconds="${VELVANE_TEST_TIMEOUT:-300}"

screen="${VELVANE_SCREEN:-}"
if [[ -n "$screen" ]]; then
  if [[ ! "$screen" =~ ^[0-9]+x[0-9]+x[0-9]+$ ]]; then
    echo "wine-run: VELVANE_SCREEN must be WIDTHxHEIGHTxDEPTH, not '$screen'" >&2
    exit 2
  fi
  export WINEPREFIX="$WINEPREFIX-$screen"
  if [[ "${VELVANE_SCREEN_STARTED:-}" != "$screen" ]]; then
    export VELVANE_SCREEN_STARTED="$screen"
    exec xvfb-run -a -s "-screen 0 $screen" "$0" "$program" "$@"
  fi
elif [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$program" "$@"
fi

# The first run makes the prefix; parallel runs wait for it.
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # The marker names what a ready prefix holds, so older prefixes are redone.
  if [[ ! -f "$WINEPREFIX/.velvane-ready-fonts" ]]; then
    rm -rf "$WINEPREFIX"
    timeout 300 "$WINE64" wineboot --init >/dev/null 2>&1 || true
    timeout 120 "$(dirname "$WINE64")/wineserver" -w 2>/dev/null || true
    "$(dirname "$0")/wine-prefix-fonts.sh" "$WINEPREFIX" "$WINE64"
    touch "$WINEPREFIX/.velvane-ready-fonts"
  fi
) 9>"$WINEPREFIX.lock"

# The first program in a prefix starts Wine's server and system processes,
# and they inherit its output and keep it open until every other program in
# the prefix has ended: a test harness reading that pipe would wait long
# after the program exited. So the program writes to a file, shown after.
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
set +e
timeout --kill-after=10 "$timeout_seconds" "$WINE64" "$program" "$@" >"$output" 2>&1
status=$?
set -e
cat "$output"
if [[ $status -eq 124 || $status -eq 137 ]]; then
  echo "wine-run: $program killed after ${timeout_seconds}s (hung)" >&2
fi
exit $status
