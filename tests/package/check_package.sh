#!/usr/bin/env bash
# Checks a built Debian package: its files and dependencies, lintian (no errors), the desktop
# entry and AppStream validators, and a run of the unpacked package through xdg-open.
# Usage: tests/package/check_package.sh stashwick_<version>_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== package contents"
dpkg-deb -x "$deb" "$scratch/tree"
expected=(
    usr/bin/stashwick
    usr/lib/x86_64-linux-gnu/stashwick/stashwick-app.so
    usr/share/applications/io.stashwick.Stashwick.desktop
    usr/share/applications/stashwick.desktop
    usr/share/icons/hicolor/scalable/apps/stashwick.svg
    usr/share/metainfo/io.stashwick.Stashwick.metainfo.xml
    usr/share/man/man1/stashwick.1.gz
    usr/share/doc/stashwick/copyright
    usr/share/doc/stashwick/changelog.gz
)
for path in "${expected[@]}"; do
    [[ -s "$scratch/tree/$path" ]] || { echo "missing from the package: /$path" >&2; exit 1; }
done
for size in 16 32 48 64 128 256; do
    file "$scratch/tree/usr/share/icons/hicolor/${size}x${size}/apps/stashwick.png" |
        grep -q "PNG image data, $size x $size," || { echo "no ${size}x${size} PNG icon" >&2; exit 1; }
done
# Every screenshot the metainfo names is one of docs/.
grep -o '/[a-z-]*\.png</image>' "$scratch/tree/usr/share/metainfo/io.stashwick.Stashwick.metainfo.xml" |
    sed 's|</image>||' | while read -r shot; do
        [[ -f "$root/docs$shot" ]] || { echo "screenshot docs$shot does not exist" >&2; exit 1; }
    done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libqt6dbus6 qt6-image-formats-plugins \
    libsqlite3-0 libwayland-client0 libxkbcommon0; do
    # From Debian 13 on, libraries of the 64-bit time_t transition carry a t64 suffix.
    [[ ", $depends," == *", $dep "* || ", $depends," == *", ${dep}t64 "* ]] ||
        { echo "Depends lacks $dep" >&2; exit 1; }
done

# The SVG icon engine, where it is a package of its own (Debian 13 on).
if dpkg-query -W qt6-svg-plugins >/dev/null 2>&1; then
    [[ ", $depends," == *", qt6-svg-plugins"[,\ ]* ]] || { echo "Depends lacks qt6-svg-plugins" >&2; exit 1; }
fi
[[ "$(dpkg-deb -f "$deb" Recommends)" == *xdg-desktop-portal* ]] ||
    { echo "Recommends lacks xdg-desktop-portal" >&2; exit 1; }

echo "== lintian"
# A private module folder under /usr/lib/<multiarch> needs no ldconfig, so no maintainer scripts.
if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq 'post|pre'; then
    echo "the package has maintainer scripts" >&2
    exit 1
fi
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "== desktop-file-validate, appstreamcli"
desktop-file-validate "$scratch/tree/usr/share/applications/io.stashwick.Stashwick.desktop" \
    "$scratch/tree/usr/share/applications/stashwick.desktop"
appstreamcli validate --no-net --pedantic "$scratch/tree/usr/share/metainfo/io.stashwick.Stashwick.metainfo.xml"

echo "== the unpacked package through xdg-open"
"$root/tests/x11/xvfb-run.sh" --wm "$root/tests/x11/xdg_open_test.sh" --installed "$scratch/tree/usr"
echo "package checks passed"
