#!/usr/bin/env bash
# Runs a command inside a fresh Debian system of another release, with a copy of this checkout.
#
# Usage: run-in-debian.sh [--bare] [--out DIR] RELEASE COMMAND [ARGS...]
#   RELEASE  bookworm, trixie or sid (unstable)
#   --bare   run on the bare base system (no build dependencies installed beforehand)
#   --out    bind DIR (created, kept) at /out inside: where the command leaves what it wants kept
#
# The command runs as root in /src/stashwick, a copy of the checkout's files (tracked and
# untracked, not ignored ones; no .git), with HOME=/root, LANG=C.UTF-8, and ccache set up for
# CMake (CMAKE_<LANG>_COMPILER_LAUNCHER, CCACHE_DIR) and CMAKE_BUILD_PARALLEL_LEVEL
# ($STASHWICK_DISTRO_JOBS, default 2). Its exit status is this script's.
#
# What is kept in the cache folder ($STASHWICK_DISTRO_CACHE/RELEASE, default
# /var/cache/stashwick-distro/RELEASE, 0700):
#   base/        the pristine system debootstrap made (minbase), never written to afterwards
#   deps-HASH/   one layer on top of it: scripts/install-deps.sh's packages and ccache, made once
#                per content of install-deps.sh (an older layer is removed when a new one is made)
#   apt-archives/, ccache/   downloaded packages and the compiler cache, shared between runs
# Each run stacks a new, empty writable layer on base and deps (overlayfs) and throws it away
# at the end: every run starts from the same untouched system, without copying gigabytes and
# without installing the same packages again, while apt's lists are refreshed only when the
# dependency layer is made.
#
# Everything runs in a private mount and PID namespace: the mounts (/proc, /sys, a minimal
# /dev with /dev/pts and /dev/shm, /run, the overlay) and every process the command leaves
# behind end with it, also on failure, Ctrl+C or when this script is killed. The host's own
# mounts, devices and files are not changed; only the cache folder is written.
# Needs root, debootstrap and overlayfs; debootstrap and apt reach $STASHWICK_DISTRO_MIRROR
# (default http://deb.debian.org/debian).
set -euo pipefail

say() { echo "run-in-debian: $*" >&2; }

# The part that runs inside the private namespaces (this script again, as their first process).
# The STASHWICK_RID_* variables come from run_layered below.
# shellcheck disable=SC2153
inside() {
    local root=$STASHWICK_RID_ROOT
    mounted=()
    unmount_all() {
        local i
        for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
            umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
        done
        mounted=()
    }
    trap unmount_all EXIT
    # As the namespace's first process, the shell ignores signals it has no trap for.
    trap 'unmount_all; exit 130' INT
    trap 'unmount_all; exit 143' TERM HUP
    at() {
        local target=$1
        shift
        mount "$@" "$target" && mounted+=("$target")
    }

    at "$root" -t overlay overlay \
        -o "lowerdir=$STASHWICK_RID_LOWER,upperdir=$STASHWICK_RID_UPPER,workdir=$STASHWICK_RID_WORK"
    at "$root/proc" -t proc -o nosuid,nodev,noexec proc
    at "$root/sys" -t sysfs -o ro,nosuid,nodev,noexec sysfs 2>/dev/null ||
        at "$root/sys" --rbind -o ro /sys
    # A /dev of its own with only the usual character devices of the host.
    at "$root/dev" -t tmpfs -o nosuid,mode=0755,size=64k tmpfs
    local node
    for node in null zero full random urandom tty; do
        touch "$root/dev/$node"
        at "$root/dev/$node" --bind "/dev/$node"
    done
    mkdir -p "$root/dev/pts" "$root/dev/shm"
    at "$root/dev/pts" -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5,nosuid,noexec devpts
    ln -s pts/ptmx "$root/dev/ptmx"
    at "$root/dev/shm" -t tmpfs -o nosuid,nodev,mode=1777 tmpfs
    ln -s /proc/self/fd "$root/dev/fd"
    ln -s /proc/self/fd/0 "$root/dev/stdin"
    ln -s /proc/self/fd/1 "$root/dev/stdout"
    ln -s /proc/self/fd/2 "$root/dev/stderr"
    at "$root/run" -t tmpfs -o nosuid,nodev,mode=0755 tmpfs
    mkdir -p "$root/run/lock" "$root/run/user"
    chmod 1777 "$root/run/lock"
    chmod 0755 "$root/run/user"

    mkdir -p "$root/var/cache/apt/archives" "$root/var/cache/stashwick-ccache"
    at "$root/var/cache/apt/archives" --bind "$STASHWICK_RID_CACHE/apt-archives"
    # apt downloads as its own user, which this system names.
    chroot "$root" chown _apt:root /var/cache/apt/archives/partial 2>/dev/null || true
    at "$root/var/cache/stashwick-ccache" --bind "$STASHWICK_RID_CACHE/ccache"
    if [[ -n "${STASHWICK_RID_OUT:-}" ]]; then
        mkdir -p "$root/out"
        at "$root/out" --bind "$STASHWICK_RID_OUT"
    fi
    cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

    # The checkout: its files as they are now, without .git (a worktree's .git points outside).
    mkdir -p "$root/src/stashwick"
    if git -C "$STASHWICK_RID_SRC" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$STASHWICK_RID_SRC" ls-files -z --cached --others --exclude-standard |
            (cd "$STASHWICK_RID_SRC" && tar --null --no-recursion --ignore-failed-read -T - -cf - 2>/dev/null) |
            tar -xf - -C "$root/src/stashwick"
    else
        tar -C "$STASHWICK_RID_SRC" --exclude=./build --exclude='./build-*' --exclude=./.git -cf - . |
            tar -xf - -C "$root/src/stashwick"
    fi

    local status=0
    chroot "$root" /usr/bin/env -i \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
        DEBIAN_FRONTEND=noninteractive \
        CCACHE_DIR=/var/cache/stashwick-ccache CCACHE_MAXSIZE=5G \
        CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache \
        CMAKE_BUILD_PARALLEL_LEVEL="$STASHWICK_RID_JOBS" \
        ${FUZZ_SECONDS:+FUZZ_SECONDS="$FUZZ_SECONDS"} \
        /bin/bash -c 'cd /src/stashwick && exec "$@"' run-in-debian "$@" <&0 &
    # Waiting in the shell itself lets a signal's trap run at once; when this first process of
    # the namespace ends, the kernel ends every other one.
    wait $! || status=$?
    unmount_all
    return "$status"
}

# Everything is read before anything runs (the last line), so that editing this file while it
# runs does not change what a running copy does.
main() {
    if [[ "${1:-}" == --inside ]]; then
        shift
        inside "$@"
        return
    fi

    usage() {
        echo "usage: $0 [--bare] [--out DIR] bookworm|trixie|sid COMMAND [ARGS...]" >&2
        exit 2
    }
    bare=0
    out=""
    while (($#)); do
        case "$1" in
        --bare)
            bare=1
            shift
            ;;
        --out)
            [[ $# -ge 2 ]] || usage
            out=$2
            shift 2
            ;;
        *) break ;;
        esac
    done
    (($# >= 2)) || usage
    release=$1
    shift
    case "$release" in
    bookworm | trixie | sid) ;;
    unstable) release=sid ;;
    *)
        say "unknown release $release (bookworm, trixie or sid)"
        exit 2
        ;;
    esac

    ((EUID == 0)) || {
        say "needs root (debootstrap, chroot and mounts)"
        exit 1
    }
    command -v debootstrap >/dev/null || {
        say "needs debootstrap: apt-get install debootstrap"
        exit 1
    }
    command -v unshare >/dev/null || {
        say "needs unshare (util-linux)"
        exit 1
    }
    grep -qw overlay /proc/filesystems || modprobe overlay 2>/dev/null || grep -qw overlay /proc/filesystems || {
        say "needs overlayfs"
        exit 1
    }

    here=$(cd "$(dirname "$0")" && pwd)
    src=$(cd "$here/../.." && pwd)
    mirror=${STASHWICK_DISTRO_MIRROR:-http://deb.debian.org/debian}
    cache_top=${STASHWICK_DISTRO_CACHE:-/var/cache/stashwick-distro}
    cache=$cache_top/$release
    mkdir -p "$cache_top" "$cache"
    chmod 700 "$cache_top" "$cache"
    mkdir -p "$cache/apt-archives/partial" "$cache/ccache" "$cache/runs"
    chmod 700 "$cache/ccache" "$cache/runs"
    [[ -z "$out" ]] || {
        mkdir -p "$out"
        out=$(cd "$out" && pwd)
    }

    # apt of sid: the archive's Release file may be past its Valid-Until date.
    apt_options=()
    [[ $release == sid ]] && apt_options=(-o Acquire::Check-Valid-Until=false)

    run_dir=""
    # shellcheck disable=SC2317 # called from the trap
    cleanup() {
        # The namespace has ended (and with it its mounts and processes); only the layer is left.
        if [[ -n "$run_dir" ]]; then
            rm -rf "$run_dir"
        fi
    }
    ns_pid=""
    # shellcheck disable=SC2317 # called from the traps
    stop_namespace() {
        # Killing unshare kills the namespace's first process (--kill-child), and with it
        # every process and mount of the namespace.
        [[ -n "$ns_pid" ]] || return 0
        kill -KILL "$ns_pid" 2>/dev/null || true
        wait "$ns_pid" 2>/dev/null || true
        local _
        for _ in $(seq 100); do
            grep -qsF "$run_dir/root" /proc/[0-9]*/mountinfo || break
            sleep 0.1
        done
        ns_pid=""
    }
    trap cleanup EXIT
    trap 'stop_namespace; exit 130' INT
    trap 'stop_namespace; exit 143' TERM HUP

    # run_layered LOWER UPPER COMMAND...: runs COMMAND on the layers LOWER (overlayfs lowerdir,
    # top first) with UPPER as the writable layer, or a new one thrown away afterwards when UPPER
    # is empty.
    run_layered() {
        local lower=$1 upper=$2
        shift 2
        local work
        work=$(mktemp -d "$cache/runs/run.XXXXXX")
        run_dir=$work
        mkdir -p "$work/work" "$work/root"
        if [[ -z "$upper" ]]; then
            upper=$work/upper
        fi
        mkdir -p "$upper"
        local status=0
        STASHWICK_RID_ROOT=$work/root STASHWICK_RID_UPPER=$upper STASHWICK_RID_WORK=$work/work \
            STASHWICK_RID_LOWER=$lower \
            STASHWICK_RID_CACHE=$cache STASHWICK_RID_SRC=$src STASHWICK_RID_OUT=$out \
            STASHWICK_RID_JOBS=${STASHWICK_DISTRO_JOBS:-2} \
            unshare --mount --pid --fork --kill-child --propagation private -- \
            "$here/run-in-debian.sh" --inside "$@" <&0 &
        ns_pid=$!
        wait "$ns_pid" || status=$?
        ns_pid=""
        rm -rf "$work"
        run_dir=""
        return "$status"
    }

    # Only one run at a time makes a release's base or layer.
    exec 9>"$cache/lock"
    flock 9

    if [[ ! -e "$cache/base/.stashwick-base" ]]; then
        rm -rf "$cache/base" "$cache/base.partial" "$cache"/deps-*
        say "debootstrap $release from $mirror into $cache/base"
        start=$SECONDS
        if ! debootstrap --variant=minbase "$release" "$cache/base.partial" "$mirror" \
            >"$cache/debootstrap.log" 2>&1; then
            tail -n 20 "$cache/debootstrap.log" >&2
            say "debootstrap failed (the whole log: $cache/debootstrap.log)"
            exit 1
        fi
        if ((${#apt_options[@]})); then
            echo 'Acquire::Check-Valid-Until "false";' \
                >"$cache/base.partial/etc/apt/apt.conf.d/99stashwick-valid-until"
        fi
        touch "$cache/base.partial/.stashwick-base"
        mv "$cache/base.partial" "$cache/base"
        say "debootstrap took $((SECONDS - start)) s"
    fi

    lower=$cache/base
    if ((bare == 0)); then
        key=$( (cat "$src/scripts/install-deps.sh" && echo ccache) | sha256sum | cut -c1-16)
        layer=$cache/deps-$key
        if [[ ! -e "$layer/.stashwick-deps" ]]; then
            rm -rf "$layer" "$layer.partial"
            say "installing the build dependencies into a layer ($layer)"
            start=$SECONDS
            # dpkg's fsync after every file makes unpacking on overlayfs crawl; this system is
            # made again when it breaks.
            if ! run_layered "$cache/base" "$layer.partial" bash -ec "
                echo force-unsafe-io >/etc/dpkg/dpkg.cfg.d/stashwick-unsafe-io
                apt-get ${apt_options[*]} update -qq
                ./scripts/install-deps.sh
                apt-get ${apt_options[*]} install -y -qq --no-install-recommends ccache >/dev/null
                rm -rf /src"; then
                rm -rf "$layer.partial"
                say "installing the build dependencies failed"
                exit 1
            fi
            touch "$layer.partial/.stashwick-deps"
            for old in "$cache"/deps-*; do
                [[ "$old" == "$layer.partial" ]] || rm -rf "$old"
            done
            mv "$layer.partial" "$layer"
            say "the build dependencies took $((SECONDS - start)) s"
        fi
        lower=$layer:$cache/base
    fi
    # Further runs share the base and the layer, which nobody writes to any more.
    flock -u 9

    start=$SECONDS
    status=0
    run_layered "$lower" "" "$@" || status=$?
    say "$* took $((SECONDS - start)) s on $release (exit status $status)"
    exit "$status"
}

main "$@"; exit $?
