#!/usr/bin/env bash
# shellcheck disable=SC2317 # functions called from traps and wait_for
# Runs a command inside a private, headless Wayland session with XWayland and a private session
# bus, then tears the whole session down and returns the command's status.
#
# Usage: run-in-session.sh [--env NAME=VALUE]... [--reach DIR]...
#                          <sway|kwin|mutter|gnome-shell> command [args...]
#
# As root (sway refuses to run as root) the compositor, the bus and the command run as the
# unprivileged user "swtest" (created when missing; STASHWICK_SESSION_USER picks another one);
# otherwise as the current user. The command sees WAYLAND_DISPLAY, DISPLAY (XWayland),
# XDG_RUNTIME_DIR (private, 0700), HOME and XDG_CONFIG_HOME/XDG_DATA_HOME/XDG_CACHE_HOME/
# XDG_STATE_HOME (private), DBUS_SESSION_BUS_ADDRESS, XDG_SESSION_TYPE=wayland,
# XDG_CURRENT_DESKTOP (sway, KDE or GNOME), SWAYSOCK under sway, XAUTHORITY,
# XDG_DESKTOP_PORTAL_DIR (the desktop's own portal backends: GTK's under sway, KDE's under
# kwin, GNOME's and GTK's under mutter and gnome-shell), STASHWICK_TEST_COMPOSITOR (sway, kwin,
# mutter or gnome-shell: the tests' sign that they run in such a session), and the --env
# variables. gnome-shell runs with a private system bus (DBUS_SYSTEM_BUS_ADDRESS) and GNOME's
# media-keys daemon, which runs the commands of GNOME's custom keyboard shortcuts.
# Every --reach DIR (the build and source folders) is what the command reads at its own path. As
# root, where that user cannot get there (a checkout in a private home, 0700), the session runs
# in a private mount namespace in which the first folder on the way that the user cannot search
# is covered by an empty tmpfs holding only the way down to each such DIR, and DIR itself is
# mounted there read-only: the user sees the build and nothing else of the home, and the home
# stays as private as it was. DIR itself must be readable by others (the usual umask gives that).
set -uo pipefail

usage() {
    echo "usage: $0 [--env NAME=VALUE]... [--reach DIR]... <sway|kwin|mutter|gnome-shell> command [args...]" >&2
    exit 2
}

all_args=("$@")
extra_env=()
reach=()
while (($#)); do
    case "$1" in
    --env)
        [[ $# -ge 2 && "$2" == *=* ]] || usage
        extra_env+=("$2")
        shift 2
        ;;
    --reach)
        [[ $# -ge 2 ]] || usage
        reach+=("$2")
        shift 2
        ;;
    *) break ;;
    esac
done
(($# >= 2)) || usage
compositor=$1
shift
case "$compositor" in
sway | kwin | mutter | gnome-shell) ;;
*) usage ;;
esac

say() { echo "run-in-session: $*" >&2; }

if ((EUID == 0)); then
    run_user=${STASHWICK_SESSION_USER:-swtest}
    if ! id -u "$run_user" >/dev/null 2>&1; then
        useradd -m -s /bin/bash "$run_user" || {
            say "cannot create the user $run_user"
            exit 1
        }
    fi
else
    run_user=$(id -un)
fi
run_uid=$(id -u "$run_user")
run_gid=$(id -g "$run_user")

# The --reach folders the session's user cannot get to, outermost first (one inside another
# comes with it).
hidden=()
if ((EUID == 0)); then
    as_run_user() { setpriv --reuid="$run_uid" --regid="$run_gid" --init-groups -- "$@"; }
    while IFS= read -r d; do
        [[ -n "$d" ]] || continue
        for h in "${hidden[@]}"; do
            [[ "$d" == "$h"/* ]] && continue 2
        done
        as_run_user test -r "$d" -a -x "$d" || hidden+=("$d")
    done < <(for d in "${reach[@]}"; do realpath -e "$d"; done | awk '{ print length, $0 }' |
        sort -n | cut -d' ' -f2-)
fi
if ((${#hidden[@]})) && [[ -z "${STASHWICK_SESSION_MOUNTS:-}" ]]; then
    # Mounts of our own, gone with the last process of the session.
    exec env STASHWICK_SESSION_MOUNTS=1 unshare --mount --propagation private -- "$0" "${all_args[@]}"
fi

base=$(mktemp -d "${TMPDIR:-/tmp}/stashwick-session.XXXXXX") || exit 1
trap 'rm -rf "$base"' EXIT
runtime=$base/runtime
for d in runtime home config data cache state; do
    mkdir -p "$base/$d"
done
chmod 700 "$base" "$base"/*
# XWayland puts its socket into /tmp/.X11-unix, which a booted system makes at start
# (systemd-tmpfiles) and a fresh chroot or container may lack; only root can make it as it is.
if [[ ! -d /tmp/.X11-unix ]]; then
    if ((EUID == 0)); then
        install -d -m 1777 /tmp/.X11-unix
    else
        say "/tmp/.X11-unix is missing: XWayland cannot start (make it as root: install -d -m 1777 /tmp/.X11-unix)"
    fi
fi
if ((EUID == 0)); then
    chown -R "$run_uid:$run_gid" "$base"
fi

# Each hidden folder: mounted at a staging point before the first folder on its way that the
# user cannot search is covered, then moved onto its own path on the cover (a move leaves the
# staging point empty, so removing the session's folder cannot reach into the checkout).
blockers=()
for d in "${hidden[@]}"; do
    blocker=""
    p=""
    IFS=/ read -ra parts <<<"${d#/}"
    for part in "${parts[@]}"; do
        p=$p/$part
        if ! as_run_user test -x "$p"; then
            blocker=$p
            break
        fi
    done
    if [[ -z "$blocker" || "$blocker" == "$d" ]]; then
        say "$run_user cannot read $d itself: it must be readable and searchable by others (chmod o+rX)"
        exit 1
    fi
    blockers+=("$blocker")
done
for i in "${!hidden[@]}"; do
    mkdir "$base/stage-$i"
    if ! { mount --bind "${hidden[i]}" "$base/stage-$i" &&
        mount -o remount,bind,ro "$base/stage-$i"; }; then
        say "cannot mount ${hidden[i]} for $run_user"
        exit 1
    fi
done
covered=()
for blocker in "${blockers[@]}"; do
    for c in "${covered[@]}"; do
        [[ "$blocker" == "$c" || "$blocker" == "$c"/* ]] && continue 2
    done
    if ! mount -t tmpfs -o mode=0755,size=1m,nosuid,nodev stashwick-reach "$blocker"; then
        say "cannot cover $blocker"
        exit 1
    fi
    covered+=("$blocker")
done
for i in "${!hidden[@]}"; do
    if ! { (umask 022 && mkdir -p "${hidden[i]}") && mount --move "$base/stage-$i" "${hidden[i]}"; }; then
        say "cannot mount ${hidden[i]} at its own path for $run_user"
        exit 1
    fi
    rmdir "$base/stage-$i"
    [[ -n "${SESSION_DEBUG:-}" ]] && say "${hidden[i]} reached through a cover on ${blockers[i]}"
done

case "$compositor" in
sway) desktop=sway ;;
kwin) desktop=KDE ;;
mutter | gnome-shell) desktop=GNOME ;;
esac
session_env=(
    "PATH=${PATH:-/usr/local/bin:/usr/bin:/bin}"
    "HOME=$base/home"
    "USER=$run_user"
    "LOGNAME=$run_user"
    "LANG=${LANG:-C.UTF-8}"
    "XDG_RUNTIME_DIR=$runtime"
    "XDG_CONFIG_HOME=$base/config"
    "XDG_DATA_HOME=$base/data"
    "XDG_CACHE_HOME=$base/cache"
    "XDG_STATE_HOME=$base/state"
    "XDG_SESSION_TYPE=wayland"
    "XDG_CURRENT_DESKTOP=$desktop"
    "STASHWICK_TEST_COMPOSITOR=$compositor"
    "DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/bus"
)
for v in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS QT_LOGGING_RULES; do
    [[ -n "${!v:-}" ]] && session_env+=("$v=${!v}")
done

# Runs a program as the session's user with exactly the session's environment:
#   "${as_user[@]}" env -i "${session_env[@]}" program args...
# setpriv and env exec in place, so "$!" of a background call is the program's own pid; the
# parent-death signal ends the program if this script is killed outright.
if ((EUID == 0)); then
    as_user=(setpriv --reuid="$run_uid" --regid="$run_gid" --init-groups --pdeathsig KILL --)
else
    as_user=(setpriv --pdeathsig KILL --)
fi
user_run() { "${as_user[@]}" env -i "${session_env[@]}" "$@"; }

compositor_pid=""
command_pid=""

# Processes of this session: everything started with our private runtime folder.
session_pids() {
    grep -lzxF "XDG_RUNTIME_DIR=$runtime" /proc/[0-9]*/environ 2>/dev/null | tr '\0' '\n' |
        sed -n 's|^/proc/\([0-9]*\)/environ$|\1|p' | grep -vx "$$"
}

stop_all() {
    local pids
    [[ -n "$command_pid" ]] && kill -TERM "$command_pid" 2>/dev/null
    if [[ -n "$compositor_pid" ]]; then
        kill -TERM "$compositor_pid" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$compositor_pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    # Wayland and X11 clients end with the compositor; whatever else the session started ends
    # now, the bus included.
    for signal in TERM KILL; do
        pids=$(session_pids)
        [[ -z "$pids" ]] && break
        [[ -n "${SESSION_DEBUG:-}" ]] && say "sending $signal to" "$pids"
        # shellcheck disable=SC2086 # one pid a word
        kill -"$signal" $pids 2>/dev/null
        for _ in $(seq 30); do
            [[ -z "$(session_pids)" ]] && break
            sleep 0.1
        done
    done
    wait 2>/dev/null
    rm -rf "$base"
}
on_signal() {
    say "interrupted; stopping the session"
    stop_all
    trap - EXIT
    exit 130
}
trap stop_all EXIT
trap on_signal INT TERM HUP

# wait_for SECONDS WHAT CHECK...: polls CHECK until it succeeds (status 0), gives up (status 2)
# or the deadline passes.
wait_for() {
    local seconds=$1 what=$2 rc
    shift 2
    local deadline=$((SECONDS + seconds))
    while ((SECONDS < deadline)); do
        "$@"
        rc=$?
        ((rc == 0)) && return 0
        ((rc == 2)) && break
        sleep 0.1
    done
    say "timed out waiting for $what"
    return 1
}

# The session bus.
"${as_user[@]}" env -i "${session_env[@]}" dbus-daemon --session --nofork --nopidfile --address="unix:path=$runtime/bus" \
    >"$base/bus.log" 2>&1 &
wait_for 20 "the session bus" test -S "$runtime/bus" || {
    cat "$base/bus.log" >&2
    exit 1
}

# The compositor, headless, with XWayland. Each writes its session variables into env.txt
# from a command it starts once it runs.
envfile=$runtime/env.txt
cat >"$base/announce" <<EOF
#!/bin/sh
env | grep -E '^(WAYLAND_DISPLAY|DISPLAY|XAUTHORITY|SWAYSOCK)=' >"$envfile.part" && mv "$envfile.part" "$envfile"
EOF
chmod 755 "$base/announce"
((EUID == 0)) && chown "$run_uid:$run_gid" "$base/announce"
# The session's desktop portal with its own desktop's backends alone, whatever other desktops'
# backends are installed (a portal that finds none for the desktop takes any other's).
portal_backends() {
    local name
    mkdir -p "$base/portals"
    for name in "$@"; do
        cp "/usr/share/xdg-desktop-portal/portals/$name.portal" "$base/portals/" || {
            say "the desktop portal's $name backend is not installed"
            exit 1
        }
    done
    chmod -R a+rX "$base/portals"
    session_env+=("XDG_DESKTOP_PORTAL_DIR=$base/portals")
}
# The bus starts services (the desktop portal and its backends) with the session's variables.
activation_environment() {
    local kv names=()
    for kv in "${session_env[@]}"; do
        names+=("${kv%%=*}")
    done
    user_run dbus-update-activation-environment "${names[@]}" || say "could not update the bus's activation environment"
}
case "$compositor" in
sway)
    portal_backends gtk
    cat >"$base/sway.conf" <<EOF
xwayland enable
output HEADLESS-1 resolution 1920x1080 position 0 0
focus_follows_mouse no
exec $base/announce
EOF
    ((EUID == 0)) && chown "$run_uid:$run_gid" "$base/sway.conf"
    session_env+=(WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1)
    "${as_user[@]}" env -i "${session_env[@]}" sway -c "$base/sway.conf" >"$base/compositor.log" 2>&1 &
    compositor_pid=$!
    ;;
kwin)
    portal_backends kde
    # KWin 6.3 starts the desktop portal over D-Bus while it starts: the bus starts it with the
    # session's variables only if its activation environment has them before KWin runs. The
    # Wayland socket's name is known beforehand; XWayland's display comes later.
    session_env+=("WAYLAND_DISPLAY=wayland-stashwick")
    activation_environment
    # The installed binary carries a file capability that some containers refuse to exec; a
    # copy has none.
    cp /usr/bin/kwin_wayland "$base/kwin_wayland" && chmod 755 "$base/kwin_wayland"
    ((EUID == 0)) && chown "$run_uid:$run_gid" "$base/kwin_wayland"
    session_env+=(KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_COMPOSE=Q)
    "${as_user[@]}" env -i "${session_env[@]}" "$base/kwin_wayland" --virtual --no-lockscreen --width 1920 --height 1080 \
        --socket "wayland-stashwick" --xwayland "$base/announce" \
        >"$base/compositor.log" 2>&1 &
    compositor_pid=$!
    ;;
gnome-shell)
    portal_backends gnome gtk
    # Some system bus (gnome-shell gives up without one); this one activates nothing.
    session_env+=("DBUS_SYSTEM_BUS_ADDRESS=unix:path=$base/system-bus")
    "${as_user[@]}" env -i "${session_env[@]}" dbus-daemon --nofork --nopidfile \
        --config-file="$(dirname "$(realpath "$0")")/private-bus.conf" \
        --address="unix:path=$base/system-bus" >"$base/system-bus.log" 2>&1 &
    wait_for 20 "the system bus" test -S "$base/system-bus" || {
        cat "$base/system-bus.log" >&2
        exit 1
    }
    "${as_user[@]}" env -i "${session_env[@]}" gnome-shell --headless --wayland \
        --virtual-monitor 1280x800 --wayland-display wayland-stashwick \
        >"$base/compositor.log" 2>&1 &
    compositor_pid=$!
    ;;
mutter)
    portal_backends gnome gtk
    # mutter runs the announcing command with the session's WAYLAND_DISPLAY and DISPLAY, and
    # quits when it ends: it stays until the session is stopped.
    printf 'exec sleep infinity\n' >>"$base/announce"
    "${as_user[@]}" env -i "${session_env[@]}" mutter --headless --wayland --virtual-monitor 1280x800 \
        --wayland-display wayland-stashwick -- "$base/announce" >"$base/compositor.log" 2>&1 &
    compositor_pid=$!
    ;;
esac
compositor_running() { kill -0 "$compositor_pid" 2>/dev/null; }
env_written() {
    compositor_running || return 2
    [[ "$compositor" != gnome-shell ]] || gnome_shell_announce || return 1
    test -s "$envfile"
}
# gnome-shell announces nothing: its X11 display is the public one it logs (XWayland starts with
# it or on demand), its X authority the file mutter makes in the runtime folder where there is
# one.
gnome_shell_announce() {
    local display auth
    display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$base/compositor.log" | head -n 1)
    [[ -n "$display" ]] || return 1
    auth=$(find "$runtime" -maxdepth 1 -name '.mutter-Xwaylandauth.*' -print -quit)
    {
        echo "WAYLAND_DISPLAY=wayland-stashwick"
        echo "DISPLAY=$display"
        [[ -z "$auth" ]] || echo "XAUTHORITY=$auth"
    } >"$envfile"
}
if ! wait_for 60 "$compositor to start" env_written; then
    cat "$base/compositor.log" >&2
    exit 1
fi
while IFS= read -r line; do
    session_env+=("$line")
done <"$envfile"
if ! grep -q '^WAYLAND_DISPLAY=' "$envfile" || ! grep -q '^DISPLAY=' "$envfile"; then
    say "the compositor did not announce WAYLAND_DISPLAY and DISPLAY:"
    cat "$envfile" "$base/compositor.log" >&2
    exit 1
fi

# Both displays answer: the Wayland socket accepts a client and XWayland (started on demand)
# answers an X11 client.
wayland_answers() {
    local err
    err=$(user_run timeout 5 wl-paste --list-types 2>&1 >/dev/null)
    [[ "$err" != *"ailed to connect"* ]]
}
x11_answers() { user_run timeout 10 xdpyinfo >/dev/null 2>&1; }
wait_for 30 "the Wayland display" wayland_answers || {
    cat "$base/compositor.log" >&2
    exit 1
}
wait_for 60 "XWayland" x11_answers || {
    cat "$base/compositor.log" >&2
    exit 1
}

session_env+=("${extra_env[@]}")
activation_environment
if [[ "$compositor" == gnome-shell ]]; then
    # GNOME's media-keys daemon runs the custom keyboard shortcuts' commands; its grabs go
    # through gnome-shell. (After the activation environment: it may start the portal.)
    user_run /usr/libexec/gsd-media-keys >"$base/media-keys.log" 2>&1 &
    media_keys_ready() {
        user_run gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
            --method org.freedesktop.DBus.GetNameOwner org.gnome.SettingsDaemon.MediaKeys >/dev/null 2>&1
    }
    wait_for 30 "GNOME's media-keys daemon" media_keys_ready || {
        cat "$base/media-keys.log" >&2
        exit 1
    }
fi

# shellcheck disable=SC2016 # $1 is expanded by that shell
if ! user_run sh -c 'command -v "$1"' sh "$1" >/dev/null; then
    say "$run_user cannot run $1: every folder on its path must be readable and searchable by others (chmod o+rx)"
    exit 1
fi
"${as_user[@]}" env -i "${session_env[@]}" "$@" &
command_pid=$!
wait "$command_pid"
status=$?
command_pid=""
exit "$status"
