#!/usr/bin/env bash
# Makes a fresh Debian 12 machine ready to build and test the project:
# compilers and test libraries, the mingw-w64 cross toolchains, Wine with a
# virtual display and a silent sound device, the Japanese locale and font,
# and the cross-built third-party libraries. Safe to run again: it only
# acts on what is missing and says nothing when all is in place.
set -euo pipefail

readonly PACKAGES=(
    # native build, sanitizers, fuzzing, tests and benchmarks
    cmake ninja-build make g++ gcc clang libclang-rt-14-dev pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev libeigen3-dev libassimp-dev
    # Windows cross toolchains and the zlib the cross-built libpng links
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix
    mingw-w64-tools libz-mingw-w64-dev
    # running the Windows tests headless
    xvfb xauth libgl1-mesa-dri libglx-mesa0
    # Japanese text in logs and fonts
    locales fonts-ipafont-gothic
    # native counterparts of the third-party libraries
    libpixman-1-dev libsdl2-dev zlib1g-dev libpng-dev libjpeg-dev
    libogg-dev libvorbis-dev libtheora-dev
    # making the sound test fixtures; oggenc also encodes the game's music
    sox vorbis-tools
    # fetching and unpacking Debian source packages for tools/build-deps.sh
    dpkg-dev xz-utils file
    # the game's asset scripts (tools/assets/) and their regeneration test;
    # the end-to-end play drives and reads the screen (tests/e2e/)
    python3 xdotool x11-apps
)
# Wine needs its recommended fonts and graphics/sound libraries to run
# windowed programs, so these are installed with recommends.
readonly PACKAGES_WITH_RECOMMENDS=(wine64)
readonly LOCALES=("ja_JP.UTF-8 UTF-8" "en_US.UTF-8 UTF-8")
readonly ASOUND_CONF=/etc/asound.conf
readonly DEB_SRC_FILE=/etc/apt/sources.list.d/velvane-src.sources
readonly DEBIAN_SOURCES=/etc/apt/sources.list.d/debian.sources

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
lists_updated=0

say() { echo "setup: $*" >&2; }

as_root() {
    if ((EUID == 0)); then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        say "needs root (or sudo) for: $*"
        exit 1
    fi
}

# Another apt or dpkg run (an unattended upgrade, a parallel install) may
# hold the locks; apt waits for dpkg's lock itself, and the whole call is
# retried for the lists lock and passing mirror hiccups.
apt_get() {
    local attempt
    for attempt in 1 2 3 4 5 6; do
        if as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get -y -qq -o DPkg::Lock::Timeout=600 "$@"; then
            return 0
        fi
        say "apt-get $1 failed (attempt $attempt), retrying in 20 s"
        sleep 20
    done
    say "apt-get $* kept failing"
    exit 1
}

update_lists() {
    say "updating package lists"
    apt_get update >/dev/null
    lists_updated=1
}

update_lists_once() {
    ((lists_updated)) && return
    update_lists
}

missing_packages() {
    local package
    for package in "$@"; do
        [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null) == ii* ]] ||
            echo "$package"
    done
}

install_packages() {
    local missing=()
    mapfile -t missing < <(missing_packages "${PACKAGES[@]}")
    if ((${#missing[@]})); then
        update_lists_once
        say "installing ${missing[*]}"
        apt_get install --no-install-recommends "${missing[@]}" >/dev/null
    fi
    mapfile -t missing < <(missing_packages "${PACKAGES_WITH_RECOMMENDS[@]}")
    if ((${#missing[@]})); then
        update_lists_once
        say "installing ${missing[*]} with its recommends"
        apt_get install "${missing[@]}" >/dev/null
    fi
}

has_locale() {
    # "ja_JP.UTF-8" is listed by locale -a as "ja_JP.utf8".
    local name=${1%%.*}
    locale -a 2>/dev/null | grep -qix "$name.utf-\?8"
}

generate_locales() {
    local entry wanted=0
    for entry in "${LOCALES[@]}"; do
        has_locale "${entry%% *}" && continue
        wanted=1
        if grep -qE "^#? *${entry//./\\.}\$" /etc/locale.gen 2>/dev/null; then
            as_root sed -i -E "s/^# *(${entry//./\\.})\$/\\1/" /etc/locale.gen
        else
            echo "$entry" | as_root tee -a /etc/locale.gen >/dev/null
        fi
    done
    if ((wanted)); then
        say "generating locales"
        as_root locale-gen >/dev/null
    fi
}

# CI machines and containers have no sound card. A null PCM as the default
# device lets Wine's DirectSound open and play into nothing. No ALSA control
# device can open without a card; Wine does not need one for playback.
configure_sound() {
    grep -qE '^pcm\.!default *\{ *type null' "$ASOUND_CONF" 2>/dev/null && return
    say "writing $ASOUND_CONF with a null sound device"
    if [[ -f $ASOUND_CONF ]]; then
        as_root cp "$ASOUND_CONF" "$ASOUND_CONF.before-velvane"
    fi
    printf '%s\n' \
        '# Written by the Velvane setup script: a silent default device for Wine.' \
        'pcm.!default { type null }' \
        'ctl.!default { type hw card 0 }' | as_root tee "$ASOUND_CONF" >/dev/null
}

has_deb_src() {
    grep -qsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}

# Source packages come from the same mirrors, suites and keyring as the
# binary packages, so the deb822 stanzas are copied with the type changed.
add_deb_src() {
    has_deb_src && return
    say "adding deb-src entries in $DEB_SRC_FILE"
    if [[ -f $DEBIAN_SOURCES ]]; then
        sed -E -e '/^#/d' -e 's/^Types:.*/Types: deb-src/' "$DEBIAN_SOURCES" |
            as_root tee "$DEB_SRC_FILE" >/dev/null
    else
        local list=${DEB_SRC_FILE%.sources}.list
        grep -hE '^deb[[:space:]]' /etc/apt/sources.list 2>/dev/null |
            sed 's/^deb/deb-src/' | as_root tee "$list" >/dev/null
    fi
    # Lists fetched earlier in this run lack the source indexes just added.
    update_lists
}

# Lists fetched before the deb-src entry existed lack the source indexes,
# whichever run fetched them.
ensure_source_lists() {
    apt-cache showsrc libogg 2>/dev/null | grep -q '^Version:' || update_lists
}

main() {
    install_packages
    generate_locales
    configure_sound
    add_deb_src
    ensure_source_lists
    "$here/build-deps.sh" all >/dev/null
}

main "$@"
