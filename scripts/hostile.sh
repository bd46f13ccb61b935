#!/usr/bin/env bash
# Replays attacks against a fresh reference server on loopback (scripts/hostile.py), one line per
# case; exits 1 when a case missed its goal, 2 when the server binary is missing.
#   scripts/hostile.sh [--curto] [--casos 1,3] [--manter] [SERVIDOR]
# SERVIDOR defaults to $PV_SERVER_BIN, then build/bin/pedidos-servidor; --curto is the run ./test
# makes.
set -euo pipefail
cd "$(dirname "$0")/.."

args=()
binary=${PV_SERVER_BIN:-build/bin/pedidos-servidor}
while [ $# -gt 0 ]; do
    case "$1" in
        --casos) args+=("$1" "${2:?--casos espera os números dos casos}"); shift ;;
        -*) args+=("$1") ;;
        *) binary=$1 ;;
    esac
    shift
done
if [ ! -f "$binary" ]; then
    echo "hostile: binário não encontrado: $binary" >&2
    exit 2
fi
exec python3 scripts/hostile.py "${args[@]}" "$binary"
