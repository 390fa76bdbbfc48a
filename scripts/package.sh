#!/usr/bin/env bash
# Builds the Debian package of Petitora (the three programs, optimised, with
# Debian's hardening flags) and prints its path on the last line.
# Usage: scripts/package.sh [BUILD_FOLDER]   (default build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh package

dir=${1:-build/package}
umask 022
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DPETITORA_TESTS=OFF -DPETITORA_BENCH=OFF -DPETITORA_SANITIZE=OFF -DPETITORA_WERROR=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$dir" -j "$(nproc)"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/*.deb)
echo "Package: $deb"
