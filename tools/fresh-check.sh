#!/usr/bin/env bash
# Runs the README's test command the way a newcomer would: in a clean
# Debian 12 root (debootstrap's minbase, one line of sources.list, no
# deb-src entry, nothing installed beyond the base), from a fresh clone of
# the committed tree, with a cold dependency cache. A missing install step
# in tools/setup.sh then fails here as it would on a new machine.
#
#   fresh-check.sh              setup and every test (tools/test.sh)
#   fresh-check.sh --host-only  setup, then the native build and its tests
#
# Needs root (or sudo) for debootstrap, chroot and the mounts. The root,
# its mounts and whatever still runs inside are removed on every exit,
# failure and interrupt included. Set FRESH_CHECK_MIRROR to use another
# Debian mirror and FRESH_CHECK_KEEP=1 to keep the root for a look inside.
set -euo pipefail

readonly SUITE=bookworm
readonly MIRROR=${FRESH_CHECK_MIRROR:-http://deb.debian.org/debian}
readonly CLONE_IN_ROOT=/root/velvane
readonly TEST_COMMAND='tools/test.sh'
readonly HOST_ONLY_COMMAND='tools/setup.sh && cmake --preset host && cmake --build --preset host -j "$(nproc)" && ctest --preset host'

repo=$(git -C "$(dirname "${BASH_SOURCE[0]}")" rev-parse --show-toplevel)
root=""
mounts=()
started=$SECONDS

say() { echo "fresh-check: [$((SECONDS - started)) s] $*" >&2; }

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

usage() {
    echo "usage: $0 [--host-only]" >&2
    exit 2
}

# Processes left running inside the root (a Wine server, a virtual display)
# would keep its mounts busy; they are this run's own, found by their root.
stop_processes_inside() {
    local link pid signal
    for signal in TERM KILL; do
        for link in /proc/[0-9]*/root; do
            [[ $(as_root readlink "$link" 2>/dev/null) == "$root" ]] || continue
            pid=${link#/proc/}
            pid=${pid%/root}
            as_root kill "-$signal" "$pid" 2>/dev/null || true
        done
        if [[ $signal == TERM ]]; then sleep 2; fi
    done
    return 0
}

unmount_all() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        as_root umount -R "${mounts[i]}" 2>/dev/null ||
            as_root umount -R -l "${mounts[i]}" 2>/dev/null || true
    done
    mounts=()
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    # A failing step in here must not end the shell before the unmounts.
    set +e
    [[ -n $root && -d $root ]] || exit "$status"
    stop_processes_inside
    unmount_all
    if [[ ${FRESH_CHECK_KEEP:-0} == 1 ]]; then
        say "keeping $root"
    elif findmnt -rn -o TARGET | grep -qF "$root"; then
        # Never delete through a mount that is still there.
        say "a mount under $root is still busy; not removing it"
        status=1
    else
        as_root rm -rf --one-file-system "$root"
    fi
    exit "$status"
}

mount_into_root() {
    local target="$root$1"
    shift
    as_root mkdir -p "$target"
    as_root mount "$@" "$target"
    mounts+=("$target")
}

make_root() {
    command -v debootstrap >/dev/null || {
        say "installing debootstrap"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get -y -qq install debootstrap >/dev/null
    }
    root=$(as_root mktemp -d "${FRESH_CHECK_DIR:-/var/tmp}/velvane-fresh.XXXXXX")
    # A root directory is world-readable; apt's own user reads below it.
    as_root chmod 755 "$root"
    say "making a minbase $SUITE root in $root"
    as_root debootstrap --variant=minbase "$SUITE" "$root" "$MIRROR" >"$root.debootstrap.log" 2>&1 || {
        tail -n 30 "$root.debootstrap.log" >&2
        exit 1
    }
    rm -f "$root.debootstrap.log"
    as_root cp /etc/resolv.conf "$root/etc/resolv.conf"
}

# The committed tree only: uncommitted changes and ignored files (build
# folders, caches) stay out, as they would for someone cloning the project.
copy_clean_clone() {
    local commit
    commit=$(git -C "$repo" rev-parse HEAD)
    say "cloning $commit"
    as_root git clone --quiet --no-checkout "$repo" "$root$CLONE_IN_ROOT"
    as_root git -C "$root$CLONE_IN_ROOT" checkout --quiet --detach "$commit"
}

mount_what_the_run_needs() {
    mount_into_root /proc -t proc proc
    mount_into_root /dev --rbind /dev
    as_root mount --make-rslave "$root/dev"
    mount_into_root /tmp -t tmpfs -o mode=1777 tmpfs
}

run_inside() {
    local command=$1
    say "running '$command' inside as root in $CLONE_IN_ROOT"
    # In the background and waited for, so an interrupt reaches the trap
    # at once instead of after the run.
    as_root chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root \
        SHELL=/bin/bash TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd $CLONE_IN_ROOT && $command" &
    wait $!
}

main() {
    local command=$TEST_COMMAND
    case ${1:-} in
        "") ;;
        --host-only) command=$HOST_ONLY_COMMAND ;;
        *) usage ;;
    esac
    trap cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
    make_root
    copy_clean_clone
    mount_what_the_run_needs
    run_inside "$command"
    say "passed"
}

# On one line, so the run ends here even if this file changes meanwhile
# (bash reads a script as it goes).
main "$@"; exit
