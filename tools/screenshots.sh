#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots/ in a real X server (Xvfb) the size of a 1024x768 laptop,
# with the programs of the release build (build/), or of the CMake build folder given as the first
# argument.
set -euo pipefail
cd "$(dirname "$0")/.."
PV_EXTRA_PACKAGES="xvfb xauth" scripts/deps.sh
build="${1:-}"
if [ -z "$build" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target pv-screenshots pedidos-servidor
    build=build
else
    cmake --build "$build" --target pv-screenshots pedidos-servidor
fi
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/pv-screenshots" docs/screenshots
