#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# `scripts/deps.sh fuzz` adds what the fuzz targets need (clang and its libFuzzer); `scripts/deps.sh
# windows` what the Windows build needs (mingw-w64, Wine, NSIS, and dpkg-source for Qt's source).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsimdjson-dev libboost1.81-dev libzstd-dev zlib1g-dev libsqlite3-dev libssl-dev openssl
    libgtest-dev libgmock-dev
    fonts-dejavu-core
    poppler-utils qpdf zbar-tools faketime
    clang-format
    dpkg-dev desktop-file-utils appstream lintian xvfb xdotool
    python3-markdown systemd
)
if [ "${1:-}" = "fuzz" ]; then
    packages+=(clang libclang-rt-dev)
fi
if [ "${1:-}" = "windows" ]; then
    packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 nsis dpkg-dev xz-utils)
fi
if [ "${PV_EXTRA_PACKAGES:-}" != "" ]; then
    read -r -a extra <<<"$PV_EXTRA_PACKAGES"
    packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instalando pacotes: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
