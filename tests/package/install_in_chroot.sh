#!/usr/bin/env bash
# Installs a built package on a bare Debian system (a debootstrap chroot of the release the
# package was built for: runtime packages only, no build tree) and checks what a user gets: `stashwick 'stashwick://dump'` starts the
# program and writes state.json, the desktop entry answers gio and xdg-mime queries for the
# stashwick: scheme, and `apt-get remove` leaves none of the package's files but the user's data.
# Prints the time from launch to the first state.json. Needs root, the Debian mirror and Xvfb;
# not part of CI (it downloads a Debian system).
# Usage: tests/package/install_in_chroot.sh [--release bookworm|trixie|sid] stashwick_<version>_amd64.deb [CHROOT_DIR]
#   (default bookworm; a package built on Debian 13 goes with --release trixie)
set -euo pipefail
release=bookworm
if [[ "${1:-}" == --release ]]; then
    release=$2
    shift 2
fi
case "$release" in
bookworm | trixie | sid) ;;
*) echo "install_in_chroot: unknown release $release" >&2; exit 2 ;;
esac
deb=$(realpath "$1")
root=${2:-/var/tmp/stashwick-chroot-$release}
here=$(cd "$(dirname "$0")" && pwd)

[[ -x "$root/usr/bin/apt-get" ]] ||
    debootstrap --variant=minbase "$release" "$root" http://deb.debian.org/debian >/dev/null

display_dir=$(mktemp -d)
mounted=()
cleanup() {
    # Only the chroot's own processes: a process whose root is the chroot.
    for p in /proc/[0-9]*; do
        [[ "$(readlink "$p/root" 2>/dev/null)" == "$root" ]] && kill "${p#/proc/}" 2>/dev/null
    done
    [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" || true; done
    rm -rf "$display_dir"
}
trap cleanup EXIT
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount -t devpts devpts "$root/dev/pts" && mounted+=("$root/dev/pts")
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" && mounted+=("$root/tmp/.X11-unix")

mkfifo "$display_dir/fd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_dir/fd" 2>/dev/null &
xvfb_pid=$!
read -r -t 20 display <"$display_dir/fd"

# Runs a script in the chroot; stop_instance there ends the running program and waits for it
# (a minimal system has no pkill).
in_root() {
    local helpers='stop_instance() {
        local p found=0
        for p in /proc/[0-9]*; do
            [[ "$(tr "\0" " " <"$p/cmdline" 2>/dev/null)" == "/usr/bin/stashwick --instance " ]] || continue
            kill "${p#/proc/}" && found=1
            while [[ "$(tr "\0" " " <"$p/cmdline" 2>/dev/null)" == "/usr/bin/stashwick --instance " ]]; do
                sleep 0.05
            done
        done
        [[ $found == 1 ]] || { echo "stashwick was not running" >&2; return 1; }
    }'
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DISPLAY=":$display" \
        XDG_RUNTIME_DIR=/run/user/0 DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 \
        bash -ec "$helpers
$1"
}

cp "$deb" "$root/tmp/"
name=$(basename "$deb")
# The package alone, without its Recommends, so that its Depends are shown to be enough.
echo "== install (a desktop's usual tools first: xdg-utils, gio, desktop-file-utils)"
in_root "apt-get -o Acquire::Check-Valid-Until=false update -qq
apt-get install -y -qq --no-install-recommends xdg-utils libglib2.0-bin desktop-file-utils >/dev/null
apt-get install -y -qq --no-install-recommends ./tmp/$name >/dev/null
dpkg-query -W -f='\${Package} \${Version}\n' stashwick
if dpkg-query -W -f='\${Package}\n' | grep -E -- '-dev(:|\$)'; then echo 'a -dev package is installed'; exit 1; fi
[[ ! -e /usr/include/qt6 ]]
dpkg -L stashwick > /var/tmp/stashwick.files"

echo "== run"
in_root 'mkdir -m 700 -p /run/user/0
state=/root/.local/share/Stashwick/state.json
stashwick --version
stashwick --help | head -1
start=$(date +%s%N)
stashwick "stashwick://dump"
end=$(date +%s%N)
test -s "$state" && grep -q "\"mainTab\"" "$state"
echo "launch to first state.json: $(( (end - start) / 1000000 )) ms"
stashwick "stashwick://add-snippet/Kept/user%20data"
for i in 1 2 3 4 5; do
    stop_instance
    rm -f "$state"
    start=$(date +%s%N); stashwick "stashwick://dump"; end=$(date +%s%N)
    test -s "$state"
    echo "launch to first state.json, run $i: $(( (end - start) / 1000000 )) ms"
done'

echo "== desktop entry"
in_root 'gio mime x-scheme-handler/stashwick
gio mime x-scheme-handler/stashwick | grep -q "io.stashwick.Stashwick.desktop"
[[ $(xdg-mime query default x-scheme-handler/stashwick) == io.stashwick.Stashwick.desktop ]]
echo "xdg-mime query default x-scheme-handler/stashwick: io.stashwick.Stashwick.desktop"
opens() {
    xdg-open "stashwick://show-tab/$1"
    for i in $(seq 100); do grep -q "\"mainTab\": \"$1\"" /root/.local/share/Stashwick/state.json && break; sleep 0.05; done
    grep -q "\"mainTab\": \"$1\"" /root/.local/share/Stashwick/state.json
}
opens stats
echo "xdg-open reached the program"
# A default chosen under the desktop file name of earlier releases still opens the program.
xdg-mime default stashwick.desktop x-scheme-handler/stashwick
opens snippets
echo "xdg-open with the earlier name chosen (xdg-mime default stashwick.desktop) reached the program"
stop_instance'

echo "== remove"
in_root 'apt-get remove -y -qq stashwick >/dev/null
left=0
while read -r path; do
    [[ -d "$path" ]] && continue
    if [[ -e "$path" ]]; then echo "left behind: $path"; left=1; fi
done < /var/tmp/stashwick.files
for dir in /usr/lib/x86_64-linux-gnu/stashwick /usr/share/doc/stashwick; do
    [[ ! -e $dir ]] || { echo "left behind: $dir"; left=1; }
done
[[ $left == 0 ]]
[[ -s /root/.local/share/Stashwick/Store.sqlite ]]
echo "no file of the package is left; the user data stays:"
ls /root/.local/share/Stashwick'
echo "chroot install checks passed"
