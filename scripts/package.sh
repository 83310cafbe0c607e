#!/usr/bin/env bash
# Builds the Debian package (stashwick_<version>_amd64.deb, in the checkout's top folder) with
# CPack's Debian generator, from a build of the program alone in build-deb/, compiled with
# Debian's hardening flags. Installs the Debian packages it needs first when any are missing.
# Usage: scripts/package.sh [--check]   (--check: lintian, the validators and a run of the
# unpacked package, see tests/package/check_package.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSTASHWICK_TESTS=OFF -DSTASHWICK_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-deb
rm -f build-deb/stashwick_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(echo build-deb/stashwick_*_amd64.deb)
[[ -f "$deb" ]] || { echo "package.sh: cpack made no package" >&2; exit 1; }
rm -f stashwick_*.deb
cp "$deb" .
echo "package.sh: built $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

if [[ "${1:-}" == "--check" ]]; then
    tests/package/check_package.sh "$(basename "$deb")"
fi
