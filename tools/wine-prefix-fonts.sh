#!/usr/bin/env bash
# Gives a Wine prefix the Japanese gothic face the framework's default font
# asks for: IPA Gothic (fonts-ipafont-gothic, installed by setup.sh) copied
# into the prefix's font folder and named as the replacement for
# "ＭＳ ゴシック" and "MS Gothic". Without it Wine maps the face to any font
# it has, which draws no Japanese glyphs.
# Usage: wine-prefix-fonts.sh PREFIX WINE64
set -euo pipefail

prefix="$1"
wine64="$2"

font="$(dpkg -L fonts-ipafont-gothic 2>/dev/null | grep -E '/ipag\.ttf$' | head -n 1 || true)"
if [[ -z "$font" || ! -f "$font" ]]; then
  echo "wine-prefix-fonts: ipag.ttf not found (fonts-ipafont-gothic; run tools/setup.sh)" >&2
  exit 1
fi

mkdir -p "$prefix/drive_c/windows/Fonts"
cp -f "$font" "$prefix/drive_c/windows/Fonts/ipag.ttf"

export WINEPREFIX="$prefix"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
key='HKCU\Software\Wine\Fonts\Replacements'
for face in "ＭＳ ゴシック" "MS Gothic"; do
  timeout 120 "$wine64" reg add "$key" /v "$face" /t REG_SZ /d IPAGothic /f >/dev/null 2>&1
done
timeout 120 "$(dirname "$wine64")/wineserver" -w 2>/dev/null || true
