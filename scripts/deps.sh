#!/usr/bin/env bash
# Installs the Debian packages Petitora needs when they are missing.
# Usage: scripts/deps.sh run|test|bench|fuzz|package
set -euo pipefail

base=(cmake ninja-build g++ pkg-config)
qt=(qt6-base-dev libgl-dev qt6-translations-l10n fonts-dejavu-core)
tests=(googletest libgtest-dev libssl-dev openssl gnutls-bin xvfb xauth libx11-dev)
bench=(libbenchmark-dev libssl-dev)
fuzz=(clang-14 libclang-rt-14-dev libssl-dev qt6-base-dev)
package=(dpkg-dev file fakeroot)
# What the package test checks the package with.
validators=(desktop-file-utils appstream lintian)

case "${1:-test}" in
    run) wanted=("${base[@]}" "${qt[@]}") ;;
    test) wanted=("${base[@]}" "${qt[@]}" "${tests[@]}" "${bench[@]}" "${fuzz[@]}"
                  "${package[@]}" "${validators[@]}") ;;
    bench) wanted=("${base[@]}" "${bench[@]}") ;;
    fuzz) wanted=("${base[@]}" "${fuzz[@]}") ;;
    package) wanted=("${base[@]}" "${qt[@]}" "${package[@]}") ;;
    *) echo "usage: $0 run|test|bench|fuzz|package" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    echo "Installing Debian packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "Petitora needs these Debian packages, which are not installed:" >&2
    echo "    apt-get install ${missing[*]}" >&2
    exit 1
fi
