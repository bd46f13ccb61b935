#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots/ in a real X server (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
PV_EXTRA_PACKAGES="xvfb xauth" scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target pv-screenshots pedidos-servidor
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/pv-screenshots docs/screenshots
