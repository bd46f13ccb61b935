#!/usr/bin/env bash
# Builds the two Debian packages from the release build, leaving them in build/:
# pedidos-vendedor_<versão>_amd64.deb (the client) and pedidos-servidor_<versão>_amd64.deb.
#   scripts/package.sh              builds them
#   scripts/package.sh --verificar  builds them and checks them as a distribution would
#                                   (scripts/check_packages.sh)
# BUILD_DIR takes another build folder than build/ (configured as a release build).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build=${BUILD_DIR:-build}
if [ "$build" = build ]; then
    cmake --preset release >/dev/null
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPV_BUILD_TESTS=OFF -DPV_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target pedidos-vendedor pedidos-servidor
rm -f "$build"/pedidos-vendedor_*.deb "$build"/pedidos-servidor_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/pedidos-vendedor_*.deb "$build"/pedidos-servidor_*.deb

if [ "${1:-}" = "--verificar" ]; then
    scripts/check_packages.sh "$build"
fi
