#!/usr/bin/env bash
# Cross-builds the third-party libraries the framework links statically
# (libpng, libjpeg-turbo, libogg, libvorbis + vorbisfile, libtheora) for the
# Windows targets, from Debian's source packages so Debian's fixes are in.
# Results live in a per-user cache outside the clone, one prefix per target
# and source-version set; the CMake toolchain files ask this script for it.
#
#   build-deps.sh <target>           build if needed, print the prefix
#   build-deps.sh --prefix <target>  print the prefix without building
#   build-deps.sh all                build every target, print each prefix
#
# Only the prefix goes to stdout; progress goes to stderr, details to a log.
set -euo pipefail

# Source package versions built. The prefix name is a hash of this table, so
# the path is cheap to compute and changes whenever what is built changes.
# Bump RECIPE when the build options below change.
readonly RECIPE=1
readonly SOURCES=(
    "libogg 1.3.5-3"
    "libvorbis 1.3.7-1"
    "libtheora 1.1.1+dfsg.1-16.1+deb12u1"
    # The newest 1.6.39 security upload was listed without its files on the
    # mirror; this is the one before it.
    "libpng1.6 1.6.39-2+deb12u5"
    "libjpeg-turbo 1:2.1.5-2"
)
readonly TARGETS=(x86_64-w64-mingw32 i686-w64-mingw32)

readonly CACHE_ROOT="${XDG_CACHE_HOME:-$HOME/.cache}/velvane-deps"
readonly DOWNLOADS="$CACHE_ROOT/sources"
readonly STAMP_NAME=".velvane-deps-stamp"

LOG=/dev/null

die() { echo "build-deps: $*" >&2; exit 1; }
say() { echo "build-deps: $*" >&2; }

usage() {
    local IFS='|'
    echo "usage: $0 [--prefix] <${TARGETS[*]}> | all" >&2
    exit 2
}

is_known_target() {
    local t
    for t in "${TARGETS[@]}"; do [[ $t == "$1" ]] && return 0; done
    return 1
}

versions_key() {
    printf '%s\n' "recipe $RECIPE" "${SOURCES[@]}" | sha256sum | cut -c1-12
}

prefix_of() { echo "$CACHE_ROOT/$1-$(versions_key)"; }

# Runs a build step with its output in the log; on failure the log tail is
# shown so a broken build explains itself without hunting for the file.
run() {
    if ! "$@" >>"$LOG" 2>&1; then
        echo "build-deps: failed: $*" >&2
        tail -n 40 "$LOG" >&2
        echo "build-deps: full log: $LOG" >&2
        exit 1
    fi
}

strip_epoch() { echo "${1#*:}"; }

dsc_path() { echo "$DOWNLOADS/${1}_$(strip_epoch "$2").dsc"; }

# Source versions the configured deb-src lists offer, newest first.
offered_versions() {
    local versions=() v i j
    mapfile -t versions < <(apt-cache showsrc "$1" 2>/dev/null |
        awk '/^Version:/ {print $2}' | sort -u)
    for ((i = 1; i < ${#versions[@]}; i++)); do
        v=${versions[i]}
        for ((j = i; j > 0; j--)); do
            dpkg --compare-versions "${versions[j - 1]}" ge "$v" && break
            versions[j]=${versions[j - 1]}
        done
        versions[j]=$v
    done
    printf '%s\n' "${versions[@]}"
}

# Prints the .dsc of the package, downloading it if needed. The pinned
# version comes first; if the mirror no longer has it, the newest version
# whose files can be fetched stands in (and is recorded in the stamp).
fetch_source() {
    local package=$1 pinned=$2 version
    if [[ -f $(dsc_path "$package" "$pinned") ]]; then
        dsc_path "$package" "$pinned"
        return
    fi
    for version in "$pinned" $(offered_versions "$package"); do
        [[ -f $(dsc_path "$package" "$version") ]] && {
            dsc_path "$package" "$version"
            return
        }
        say "downloading $package $version"
        if (cd "$DOWNLOADS" &&
            apt-get source --download-only -qq "$package=$version") >>"$LOG" 2>&1; then
            dsc_path "$package" "$version"
            return
        fi
        # A .dsc without all its files would pass for a finished download.
        rm -f "$(dsc_path "$package" "$version")"
        say "$package $version is not downloadable, trying an older one"
    done
    die "no source of $package could be downloaded; run tools/setup.sh (it adds the deb-src entry and updates the lists)"
}

dsc_version() { awk '/^Version:/ {print $2; exit}' "$1"; }

unpack() {
    local dsc=$1 dir=$2
    # dpkg-source applies Debian's patch series while unpacking.
    run dpkg-source -x "$dsc" "$dir"
}

# Toolchain and search paths shared by every build of one target.
set_toolchain() {
    local target=$1 prefix=$2
    export CC="$target-gcc-posix" CXX="$target-g++-posix"
    export AR="$target-ar" RANLIB="$target-ranlib" STRIP="$target-strip"
    export RC="$target-windres" WINDRES="$target-windres"
    export CFLAGS="-O2" CXXFLAGS="-O2"
    export CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
    # Only the target's own libraries may be found, never the build host's.
    export PKG_CONFIG=pkg-config PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
}

configure_autotools() {
    local target=$1 prefix=$2
    shift 2
    run ./configure --host="$target" --build="$(gcc -dumpmachine)" \
        --prefix="$prefix" --libdir="$prefix/lib" --includedir="$prefix/include" \
        --enable-static --disable-shared --disable-dependency-tracking "$@"
}

jobs() { nproc 2>/dev/null || echo 2; }

build_libogg() {
    configure_autotools "$1" "$2" --disable-maintainer-mode
    run make -j"$(jobs)" -C src
    run make -C src install
    run make -C include install
    run make install-pkgconfigDATA
}

build_libvorbis() {
    configure_autotools "$1" "$2" --with-ogg="$2" --disable-oggtest \
        --disable-docs --disable-examples
    run make -j"$(jobs)" -C lib
    run make -C lib install
    run make -C include install
    run make install-pkgconfigDATA
}

# Only the library and its headers: the examples and tests want SDL,
# libpng and the encoder tools, none of which the framework needs.
build_libtheora() {
    configure_autotools "$1" "$2" --with-ogg="$2" --with-vorbis="$2" \
        --disable-oggtest --disable-vorbistest --disable-sdltest \
        --disable-examples --disable-spec
    run make -j"$(jobs)" -C lib
    run make -C lib install
    run make -C include install
    run make install-pkgconfigDATA
}

# zlib comes from Debian's mingw-w64 zlib in the cross sysroot, which the
# cross compiler searches by itself.
build_libpng() {
    configure_autotools "$1" "$2" --disable-unversioned-libpng-config \
        --without-binconfigs
    run make -j"$(jobs)" libpng16.la
    run make install-libLTLIBRARIES install-pkgincludeHEADERS \
        install-nodist_pkgincludeHEADERS install-pkgconfigDATA
    # The unversioned names that "install" would make: libpng.a, png.h, libpng.pc.
    run make install-library-links install-header-links install-libpng-pc
    write_zlib_pc "$1" "$2"
}

# libpng.pc asks for zlib through pkg-config; point that at the sysroot's.
write_zlib_pc() {
    local target=$1 prefix=$2 version
    version=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "/usr/$target/include/zlib.h")
    cat >"$prefix/lib/pkgconfig/zlib.pc" <<EOF
prefix=/usr/$target
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library (Debian libz-mingw-w64-dev)
Version: $version
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
}

cmake_processor() {
    case $1 in
        x86_64-*) echo x86_64 ;;
        i686-*) echo i686 ;;
        *) die "no CMake processor name for $1" ;;
    esac
}

# SIMD would need nasm and buys little for loading a few pictures. The
# libjpeg 8 interface is the one the image loader is written for.
build_libjpeg_turbo() {
    local target=$1 prefix=$2
    run cmake -S . -B build -G Ninja \
        -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_SYSTEM_PROCESSOR="$(cmake_processor "$target")" \
        -DCMAKE_C_COMPILER="$CC" -DCMAKE_RC_COMPILER="$RC" \
        -DCMAKE_AR="$(command -v "$AR")" -DCMAKE_RANLIB="$(command -v "$RANLIB")" \
        -DCMAKE_FIND_ROOT_PATH="/usr/$target;$prefix" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DCMAKE_INSTALL_INCLUDEDIR="$prefix/include" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JPEG8=ON
    run cmake --build build -j "$(jobs)"
    run cmake --install build
}

build_package() {
    local target=$1 prefix=$2 work=$3 package=$4 dsc=$5 dir
    dir="$work/$package"
    say "building $package $(dsc_version "$dsc") for $target"
    echo "=== $package $(dsc_version "$dsc")" >>"$LOG"
    unpack "$dsc" "$dir"
    (
        cd "$dir"
        case $package in
            libogg) build_libogg "$target" "$prefix" ;;
            libvorbis) build_libvorbis "$target" "$prefix" ;;
            libtheora) build_libtheora "$target" "$prefix" ;;
            libpng1.6) build_libpng "$target" "$prefix" ;;
            libjpeg-turbo) build_libjpeg_turbo "$target" "$prefix" ;;
            *) die "no build recipe for $package" ;;
        esac
    )
}

check_prefix() {
    local prefix=$1 file missing=()
    for file in include/png.h include/jpeglib.h include/ogg/ogg.h \
        include/vorbis/vorbisfile.h include/theora/theora.h include/theora/theoradec.h \
        lib/libpng16.a lib/libpng.a lib/libjpeg.a lib/libogg.a lib/libvorbis.a \
        lib/libvorbisfile.a lib/libtheora.a lib/libtheoradec.a lib/pkgconfig; do
        [[ -e $prefix/$file ]] || missing+=("$file")
    done
    ((${#missing[@]} == 0)) || die "built prefix lacks: ${missing[*]} (log: $LOG)"
}

build_target() {
    local target=$1 prefix work entry package version dsc
    prefix=$(prefix_of "$target")
    [[ -f $prefix/$STAMP_NAME ]] && return

    mkdir -p "$CACHE_ROOT" "$DOWNLOADS"
    # One builder per target; a second one waits and then finds the stamp.
    exec 8>"$CACHE_ROOT/$target.lock"
    flock 8
    if [[ -f $prefix/$STAMP_NAME ]]; then
        exec 8>&-
        return
    fi

    LOG="$prefix.log"
    : >"$LOG"
    local started=$SECONDS
    say "building third-party libraries for $target into $prefix (log: $LOG)"
    rm -rf "$prefix"
    mkdir -p "$prefix/include" "$prefix/lib/pkgconfig"
    work=$(mktemp -d "$CACHE_ROOT/work-$target.XXXXXX")
    # shellcheck disable=SC2064 # the paths are fixed now
    trap "rm -rf '$work'" EXIT

    (
        set_toolchain "$target" "$prefix"
        for entry in "${SOURCES[@]}"; do
            read -r package version <<<"$entry"
            dsc=$(
                exec 7>"$CACHE_ROOT/downloads.lock"
                flock 7
                fetch_source "$package" "$version"
            )
            build_package "$target" "$prefix" "$work" "$package" "$dsc"
            echo "$package $(dsc_version "$dsc")" >>"$work/versions"
        done
    )
    # Tools and manuals some packages install are of no use to the framework.
    rm -rf "${prefix:?}/bin" "$prefix/share" "$prefix/lib/cmake" "$prefix"/lib/*.la
    check_prefix "$prefix"
    mv "$work/versions" "$prefix/$STAMP_NAME"
    rm -rf "$work"
    trap - EXIT
    exec 8>&-
    say "done with $target in $((SECONDS - started)) s"
}

main() {
    case ${1:-} in
        --prefix)
            if [[ $# -ne 2 ]] || ! is_known_target "$2"; then usage; fi
            prefix_of "$2"
            ;;
        all)
            [[ $# -eq 1 ]] || usage
            # The targets build side by side: most of the time goes to
            # configure scripts, which use one core each.
            local target pids=() failed=0 pid
            for target in "${TARGETS[@]}"; do
                build_target "$target" &
                pids+=($!)
            done
            for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
            ((failed == 0)) || die "a target failed to build"
            for target in "${TARGETS[@]}"; do prefix_of "$target"; done
            ;;
        *)
            if [[ $# -ne 1 ]] || ! is_known_target "$1"; then usage; fi
            build_target "$1"
            prefix_of "$1"
            ;;
    esac
}

main "$@"
