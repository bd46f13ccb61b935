#!/usr/bin/env bash
# Checks the packages that scripts/package.sh left in a build folder (default build/) as a
# distribution would: the desktop entry with desktop-file-validate, the metainfo with appstreamcli,
# both packages with lintian (no errors), the server's service unit with systemd-analyze verify.
# Then unpacks them into a temporary root and runs the programs from there: --version, --help, a
# mistaken option, the manual pages against --help, and the client's start-up download against the
# unpacked server. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
client_deb=$(ls "$build"/pedidos-vendedor_*.deb)
server_deb=$(ls "$build"/pedidos-servidor_*.deb)

work=$(mktemp -d "${TMPDIR:-/tmp}/pacotes.XXXXXX")
server_pid=
service_pid=
client_pid=
xvfb_pid=
cleanup() {
    for pid in $client_pid $server_pid $service_pid $xvfb_pid; do
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
client="$root/usr/bin/pedidos-vendedor"
server="$root/usr/bin/pedidos-servidor"

echo "== desktop-file-validate, appstreamcli"
desktop-file-validate "$root/usr/share/applications/pedidos-vendedor.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== lintian"
lintian_ok=yes
lintian --fail-on error "$client_deb" "$server_deb" >"$work/lintian.txt" 2>&1 || lintian_ok=
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ -n "$lintian_ok" ] || fail "o lintian encontrou erros"

echo "== o serviço do servidor"
# systemd checks the unit as it would load it, with the unpacked program in place of /usr/bin's.
unit="$root/lib/systemd/system/pedidos-servidor.service"
[ -f "$unit" ] && [ -f "$root/etc/default/pedidos-servidor" ] || fail "o pacote do servidor não traz o serviço"
dpkg-deb -I "$server_deb" conffiles | grep -qx /etc/default/pedidos-servidor ||
    fail "/etc/default/pedidos-servidor não é um arquivo de configuração do pacote"
mkdir -p "$work/unidade"
sed "s|/usr/bin/pedidos-servidor|$root/usr/bin/pedidos-servidor|" "$unit" >"$work/unidade/pedidos-servidor.service"
systemd-analyze verify --man=no "$work/unidade/pedidos-servidor.service" || fail "systemd-analyze verify recusou o serviço"

# Started as the unit starts it, where this machine lets a script do so (root, no systemd needed):
# the command line of ExecStart with the options of /etc/default/pedidos-servidor, under a user of
# no rights whose only capability is to bind port 211, the database in its state folder.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
    chmod o+x "$work"
    state="$work/estado/pedidos-servidor"
    mkdir -p "$state"
    chmod o+x "$work/estado"
    chown nobody "$state"
    chmod 700 "$state"
    opcoes=$(. "$root/etc/default/pedidos-servidor" && echo "$PEDIDOS_SERVIDOR_OPCOES")
    comando=$(sed -n 's/^ExecStart=//p' "$unit")
    comando=${comando//\/usr\/bin\/pedidos-servidor/$server}
    comando=${comando//\/var\/lib\/pedidos-servidor/$state}
    comando=${comando//\$PEDIDOS_SERVIDOR_OPCOES/$opcoes}
    # shellcheck disable=SC2086 # the command line splits on blanks, as systemd splits it
    setpriv --reuid=nobody --regid=nogroup --clear-groups --no-new-privs \
        --inh-caps=-all,+net_bind_service --ambient-caps=-all,+net_bind_service \
        --bounding-set=-all,+net_bind_service $comando >"$work/servico.txt" 2>&1 &
    service_pid=$!
    for _ in $(seq 100); do
        grep -q 'ouvindo em' "$work/servico.txt" && break
        kill -0 "$service_pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -q 'ouvindo em http://0.0.0.0:211' "$work/servico.txt" ||
        fail "o serviço não abriu a porta 211: $(cat "$work/servico.txt")"
    exec 3<>/dev/tcp/127.0.0.1/211
    printf 'GET / HTTP/1.0\r\n\r\n' >&3
    resposta=$(head -c 12 <&3 || true)
    exec 3<&-
    kill "$service_pid"
    wait "$service_pid" 2>/dev/null || true
    [[ "$resposta" == HTTP/1.* ]] || fail "o serviço não respondeu na porta 211: '$resposta'"
    [ "$(stat -c %U "$state/pedidos.db")" = nobody ] || fail "o banco do serviço não está na pasta de estado"
    echo "serviço: porta 211 sem root, banco em $state/pedidos.db"
else
    echo "serviço: não iniciado (sem root ou sem setpriv)"
fi

echo "== os programas desempacotados"
version=$(dpkg-deb -f "$client_deb" Version)
[ "$("$client" --version)" = "pedidos-vendedor $version" ] || fail "pedidos-vendedor --version não diz $version"
[ "$("$server" --version)" = "pedidos-servidor $version" ] || fail "pedidos-servidor --version não diz $version"
# A mistaken option is answered before any window system is needed.
status=0
DISPLAY= WAYLAND_DISPLAY= "$client" --opcao-inexistente 2>"$work/erro.txt" || status=$?
[ "$status" -eq 2 ] && grep -q 'opção desconhecida' "$work/erro.txt" ||
    fail "pedidos-vendedor --opcao-inexistente: esperado código 2 e 'opção desconhecida', veio $status: $(cat "$work/erro.txt")"

# Every option that --help lists is in the program's manual page.
for program in pedidos-vendedor pedidos-servidor; do
    gzip -dc "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g' >"$work/$program.man"
    for option in $("$root/usr/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$option" "$work/$program.man" || fail "a página de manual de $program não documenta $option"
    done
done

"$server" --host 127.0.0.1 --port 0 --db "$work/servidor.db" >"$work/servidor.out" 2>"$work/servidor.log" &
server_pid=$!
port=
for _ in $(seq 1 600); do
    port=$(sed -n 's/^pedidos-servidor ouvindo em http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/servidor.out")
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || fail "o servidor desempacotado terminou: $(cat "$work/servidor.log")"
    sleep 0.1
done
[ -n "$port" ] || fail "o servidor desempacotado não começou a ouvir em 60 s: $(cat "$work/servidor.log")"

data="$work/dados"
mkdir -p "$data"
printf '[CONFIGURACAO]\r\nEmpresa=Teste\r\nIP=127.0.0.1:%s\r\nID=1\r\nChave=47261\r\n' "$port" >"$data/config.ini"

# The start-up download begins once the salesperson has answered the message that announces it, so
# the client runs in a virtual X display (Qt's offscreen platform takes no keys from outside) and
# Return answers that message. Only a focused window titled like the message boxes gets it: on the
# busy dialog, Return would cancel the download.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "o Xvfb não iniciou: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n 1 "$work/display")
QT_QPA_PLATFORM=xcb "$client" --pasta-dados "$data" >"$work/cliente.log" 2>&1 &
client_pid=$!
downloaded=
for _ in $(seq 1 300); do
    sleep 0.2
    if [ -s "$data/clientes.json" ] && [ -s "$data/produtos.json" ] && [ -s "$data/tabelas.json" ]; then
        downloaded=yes
        break
    fi
    kill -0 "$client_pid" 2>/dev/null || fail "o cliente desempacotado terminou: $(cat "$work/cliente.log")"
    if [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "Pedidos Vendedor" ]; then
        xdotool key Return
    fi
done
[ -n "$downloaded" ] ||
    fail "em 60 s o cliente não gravou clientes.json, produtos.json e tabelas.json em $data;" \
        "registro do servidor: $(cat "$work/servidor.log"); do cliente: $(cat "$work/cliente.log")"
echo "pacotes conferidos: $(basename "$client_deb") $(basename "$server_deb")"
