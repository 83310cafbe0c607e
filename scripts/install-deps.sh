#!/usr/bin/env bash
# Installs the Debian packages that building and testing Stashwick need, but only the
# ones that are missing: a machine that has them all does nothing (no apt-get update).
# Works as root, or as a user with sudo.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libqt6svg6 qt6-qpa-plugins fonts-dejavu-core
  libsqlite3-dev
  libx11-dev libxtst-dev libxi-dev libxcb1-dev libxcb-xfixes0-dev libxcb-xtest0-dev libx11-xcb-dev
  xvfb x11-xkb-utils openbox xdotool xclip x11-utils xdg-utils desktop-file-utils procps
  dpkg-dev file lintian appstream
  xterm lxterminal
  at-spi2-core python3-pyatspi dbus
  clang libclang-rt-14-dev clang-format
  libwayland-dev libxkbcommon-dev wayland-protocols plasma-wayland-protocols
  sway kwin-wayland xwayland wl-clipboard foot zenity xdg-desktop-portal xdg-desktop-portal-dev
  libglib2.0-bin dconf-gsettings-backend dconf-service gnome-settings-daemon-common
  python3-dbus python3-gi
  mutter xdg-desktop-portal-gnome xdg-desktop-portal-gtk dbus-bin
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
