#!/usr/bin/env bash
# Installs the Debian packages that building and testing Stashwick need, but only the
# ones that are missing: a machine that has them all does nothing (no apt-get update).
# Works as root, or as a user with sudo. Knows Debian 12 (bookworm), 13 (trixie) and unstable
# (sid); elsewhere it tries the same names and says which ones the system's package lists do
# not have.
set -euo pipefail

say() { echo "install-deps: $*" >&2; }

# The release, from os-release: Debian 12 and 13 carry VERSION_ID, testing and unstable do not.
os_id="" version_id="" codename="" pretty=""
if [[ -r /etc/os-release ]]; then
  # shellcheck disable=SC1091 # the system's own file
  IFS='|' read -r os_id version_id codename pretty < <(
    . /etc/os-release
    printf '%s|%s|%s|%s\n' "${ID:-}" "${VERSION_ID:-}" "${VERSION_CODENAME:-}" "${PRETTY_NAME:-}"
  )
fi
# The clang runtime (the sanitizers and libFuzzer) of the release's own clang.
known=1
case "$os_id:$version_id" in
debian:12) clang_rt=libclang-rt-14-dev ;;
debian:13) clang_rt=libclang-rt-19-dev ;;
debian:)
  # Testing and unstable move from one clang to the next: the package that follows the
  # default clang.
  clang_rt=libclang-rt-dev
  ;;
*)
  clang_rt=libclang-rt-dev
  known=0
  ;;
esac
# Qt's SVG plugins (the icon engine the tray and the window's icons need, the SVG image
# reader): part of libqt6svg6 on Debian 12, a package of their own from Debian 13 on.
svg_plugins=qt6-svg-plugins
[[ "$os_id:$version_id" == debian:12 ]] && svg_plugins=libqt6svg6

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libqt6svg6 "$svg_plugins" qt6-qpa-plugins
  fonts-dejavu-core
  libsqlite3-dev
  libx11-dev libxtst-dev libxi-dev libxcb1-dev libxcb-xfixes0-dev libxcb-xtest0-dev libx11-xcb-dev
  xvfb x11-xkb-utils openbox xdotool xclip x11-utils xdg-utils desktop-file-utils procps
  dpkg-dev file lintian appstream
  xterm lxterminal
  at-spi2-core dbus
  clang "$clang_rt" clang-format
  libwayland-dev libxkbcommon-dev wayland-protocols plasma-wayland-protocols
  sway kwin-wayland xwayland wl-clipboard foot zenity xdg-desktop-portal xdg-desktop-portal-dev
  libglib2.0-bin dconf-gsettings-backend dconf-service gnome-settings-daemon-common
  python3-dbus python3-gi
  mutter xdg-desktop-portal-gnome xdg-desktop-portal-gtk dbus-bin
  gnome-shell gnome-settings-daemon gnome-control-center xdg-desktop-portal-kde
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

((known)) || say "${pretty:-this system} (${os_id:-no ID}${codename:+, $codename}) is not a system this script knows (Debian 12, 13, unstable); trying the package names of Debian"
say "installing ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  say "missing packages (${missing[*]}) and neither root nor sudo"
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq

# Names the package lists do not have would stop apt-get with one obscure line: name them all.
unknown=()
for p in "${missing[@]}"; do
  candidate=$(apt-cache policy "$p" 2>/dev/null | sed -n 's/^ *Candidate: //p')
  [[ -n "$candidate" && "$candidate" != "(none)" ]] || unknown+=("$p")
done
if ((${#unknown[@]})); then
  say "${pretty:-this system} has no installable package named: ${unknown[*]}"
  say "(apt-cache policy NAME shows none; apt-cache search finds what this system calls them)"
  exit 1
fi
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
