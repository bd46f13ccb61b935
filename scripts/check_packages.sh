#!/usr/bin/env bash
# Checks the packages that scripts/package.sh left in a build folder (default build/) as a
# distribution would: the desktop entry with desktop-file-validate, the metainfo with appstreamcli,
# both packages with lintian (no errors); then unpacks them into a temporary root and runs the
# programs from there: --version, --help, and the client's start-up download against the unpacked
# server in a virtual X display. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
client_deb=$(ls "$build"/pedidos-vendedor_*.deb)
server_deb=$(ls "$build"/pedidos-servidor_*.deb)

work=$(mktemp -d "${TMPDIR:-/tmp}/pacotes.XXXXXX")
server_pid=
client_pid=
xvfb_pid=
cleanup() {
    for pid in $client_pid $server_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "check_packages: $*" >&2
    exit 1
}

root="$work/raiz"
dpkg-deb -x "$client_deb" "$root"
dpkg-deb -x "$server_deb" "$root"

echo "== desktop-file-validate, appstreamcli"
desktop-file-validate "$root/usr/share/applications/pedidos-vendedor.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== lintian"
lintian_ok=yes
lintian --fail-on error "$client_deb" "$server_deb" >"$work/lintian.txt" 2>&1 || lintian_ok=
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ -n "$lintian_ok" ] || fail "lintian found errors"

echo "== the unpacked programs"
export LD_LIBRARY_PATH=
"$root/usr/bin/pedidos-vendedor" --version | grep -q '^pedidos-vendedor [0-9]' || fail "pedidos-vendedor --version"
"$root/usr/bin/pedidos-servidor" --help | grep -q -- '--tls-cert' || fail "pedidos-servidor --help"
"$root/usr/bin/pedidos-servidor" --version

"$root/usr/bin/pedidos-servidor" --host 127.0.0.1 --port 0 --db "$work/servidor.db" \
    >"$work/servidor.out" 2>"$work/servidor.log" &
server_pid=$!
port=
for _ in $(seq 1 600); do
    port=$(sed -n 's/.*ouvindo em http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/servidor.out")
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || fail "the unpacked server ended: $(cat "$work/servidor.log")"
    sleep 0.1
done
[ -n "$port" ] || fail "the unpacked server did not listen"

data="$work/dados"
mkdir -p "$data"
printf '[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=127.0.0.1:%s\r\nID=1\r\nChave=47261\r\n' "$port" >"$data/config.ini"

# The start-up asks the salesperson to confirm the download: a virtual display, and Return until
# the download has written its files.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
display=:$(head -n 1 "$work/display")
[ "$display" != ":" ] || fail "Xvfb did not start"
DISPLAY=$display QT_QPA_PLATFORM=xcb "$root/usr/bin/pedidos-vendedor" --pasta-dados "$data" \
    >"$work/cliente.log" 2>&1 &
client_pid=$!
done_files=
for _ in $(seq 1 60); do
    sleep 1
    if [ -s "$data/clientes.json" ] && [ -s "$data/tabelas.json" ] && [ -s "$data/produtos.json" ]; then
        done_files=yes
        break
    fi
    kill -0 "$client_pid" 2>/dev/null || fail "the unpacked client ended: $(cat "$work/cliente.log")"
    DISPLAY=$display xdotool key Return 2>/dev/null || true
done
[ -n "$done_files" ] || fail "the start-up download wrote no catalogue in 60 s: $(cat "$work/servidor.log")"
grep -q 'CLIENTE Teste1 200' "$work/servidor.log" || fail "no client download in the server's log"
grep -q 'PRODUTO Teste1 200' "$work/servidor.log" || fail "no product download in the server's log"
echo "pacotes conferidos: $(basename "$client_deb") $(basename "$server_deb")"
