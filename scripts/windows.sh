#!/usr/bin/env bash
# Builds the Windows client on this Linux machine with mingw-w64, from Debian's packages alone.
#   scripts/windows.sh               Qt, simdjson and GoogleTest for Windows (built once into a cache
#                                    outside the build folders), then the client and its tests
#                                    (build-windows/, the CMake preset "windows")
#   scripts/windows.sh --testar      the same, then the suites under Wine (the end-to-end ones against
#                                    the Linux reference server on loopback), and the installer installed,
#                                    run and uninstalled in a fresh Wine prefix
#   scripts/windows.sh --instalador  the same as the first, then the installer
#                                    build-windows/pedidos-vendedor-<versão>-instalador.exe
# PV_WINDOWS_CACHE names the cache (default ~/.cache/pedidos-vendedor-windows). Each library is kept
# under a name made of its version and a digest of how it was configured, so a change of either builds
# it again beside the old one and a second run reuses it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

testar=0
instalador=0
for arg in "$@"; do
    case "$arg" in
    --testar) testar=1 ;;
    --instalador) instalador=1 ;;
    *)
        echo "opção desconhecida: $arg" >&2
        exit 2
        ;;
    esac
done

scripts/deps.sh windows

cache=${PV_WINDOWS_CACHE:-$HOME/.cache/pedidos-vendedor-windows}
mkdir -p "$cache"
toolchain="$root/cmake/mingw-w64.cmake"
jobs=$(nproc)
elapsed() { echo "$(($(date +%s) - $1)) s"; }

# The source of a Debian package, at the version given, unpacked with Debian's patches into $2.
debian_source() {
    local package=$1 version=$2 into=$3
    if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        local codename
        codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$codename" | $sudo tee /etc/apt/sources.list.d/pedidos-vendedor-fontes.sources >/dev/null
        $sudo apt-get update -qq
    fi
    local download
    download=$(mktemp -d)
    (cd "$download" && apt-get source --download-only -qq "$package=$version" >/dev/null 2>&1) || {
        echo "Não foi possível baixar o código-fonte de $package $version (apt-get source)." >&2
        exit 1
    }
    (cd "$download" && dpkg-source -x --skip-debianization ./*.dsc unpacked >/dev/null 2>&1)
    rm -rf "$into"
    mkdir -p "$(dirname "$into")"
    mv "$download/unpacked" "$into"
    rm -rf "$download"
}

# Host and Windows Qt are one version: the Windows build uses the host's moc, rcc and uic.
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
qt_options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DFEATURE_schannel=ON -DFEATURE_openssl=OFF -DINPUT_openssl=no
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_tabletevent=OFF
)
# Qt 6.4's Windows platform plugin reaches two things without asking whether they were built: the
# DirectWrite font database, not built without Direct2D (its own platform plugin, which the program
# does not use), and OpenGL's software fallback, not built without OpenGL.
qt_patches=(
    's/#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/'
    's/#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/'
)
qt_key=$( (echo "$qt_version" "${qt_options[*]}" "${qt_patches[*]}"; cat "$toolchain") | sha256sum | cut -c1-12)
qt_prefix="$cache/qt-${qt_version%%+*}-$qt_key"

if [ ! -f "$qt_prefix/.pronto" ]; then
    started=$(date +%s)
    echo "Qt $qt_version para Windows: compilando uma vez em $qt_prefix (cerca de 20 minutos com 2 núcleos)"
    work="$cache/qt-trabalho"
    debian_source qt6-base "$qt_version" "$work/src"
    for patch in "${qt_patches[@]}"; do
        sed -i "$patch" "$work"/src/src/plugins/platforms/windows/qwindows{integration,window}.cpp
    done
    rm -rf "$qt_prefix"
    cmake -G Ninja -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$qt_prefix" "${qt_options[@]}" >"$work/configure.log" 2>&1 || {
        tail -40 "$work/configure.log" >&2
        exit 1
    }
    cmake --build "$work/build" -j "$jobs" >"$work/build.log" 2>&1 || {
        tail -40 "$work/build.log" >&2
        exit 1
    }
    cmake --install "$work/build" >/dev/null
    touch "$qt_prefix/.pronto"
    rm -rf "$work"
    echo "Qt para Windows pronto em $(elapsed "$started")"
fi

# A CMake project from a source folder, cross-built and installed once under a key of its own.
cmake_library() {
    local name=$1 source=$2 key=$3
    shift 3
    local prefix="$cache/$name-$key"
    if [ ! -f "$prefix/.pronto" ]; then
        echo "$name para Windows: compilando uma vez em $prefix"
        rm -rf "$prefix" "$cache/$name-trabalho"
        cmake -G Ninja -S "$source" -B "$cache/$name-trabalho" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$cache/$name.log" 2>&1 &&
            cmake --build "$cache/$name-trabalho" -j "$jobs" >>"$cache/$name.log" 2>&1 &&
            cmake --install "$cache/$name-trabalho" >>"$cache/$name.log" 2>&1 || {
            tail -40 "$cache/$name.log" >&2
            exit 1
        }
        touch "$prefix/.pronto"
        rm -rf "$cache/$name-trabalho"
    fi
    prefixes+=("$prefix")
}

prefixes=("$qt_prefix")

simdjson_version=$(dpkg-query -W -f='${Version}' libsimdjson-dev)
simdjson_options=(-DSIMDJSON_DEVELOPER_MODE=OFF -DBUILD_SHARED_LIBS=OFF)
simdjson_key=$( (echo "$simdjson_version" "${simdjson_options[*]}"; cat "$toolchain") | sha256sum | cut -c1-12)
if [ ! -f "$cache/simdjson-${simdjson_version%%-*}-$simdjson_key/.pronto" ]; then
    debian_source simdjson "$simdjson_version" "$cache/simdjson-fonte"
fi
cmake_library "simdjson-${simdjson_version%%-*}" "$cache/simdjson-fonte" "$simdjson_key" "${simdjson_options[@]}"
rm -rf "$cache/simdjson-fonte"

gtest_version=$(dpkg-query -W -f='${Version}' googletest)
gtest_options=(-DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_force_shared_crt=ON)
gtest_key=$( (echo "$gtest_version" "${gtest_options[*]}"; cat "$toolchain") | sha256sum | cut -c1-12)
cmake_library "googletest-${gtest_version%%-*}" /usr/src/googletest "$gtest_key" "${gtest_options[@]}"

# The client and its tests, with the project's own CMake files.
started=$(date +%s)
PV_WINDOWS_PREFIX=$(IFS=';' && echo "${prefixes[*]}")
export PV_WINDOWS_PREFIX
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
echo "cliente para Windows compilado em $(elapsed "$started")"

# Where Wine finds the DLLs of the build: Qt's and mingw-w64's runtime (libstdc++, libgcc, winpthread).
mingw_runtime=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
export WINEDEBUG=-all
# No Mono or Gecko: the first start of a prefix would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="

version=$(sed -n 's/^project(PedidosVendedor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
installer="$root/build-windows/pedidos-vendedor-$version-instalador.exe"
if [ $instalador -eq 1 ] || [ $testar -eq 1 ]; then
    # The installed tree, then the uninstaller's list of exactly those files and folders.
    tree="$root/build-windows/instalacao"
    rm -rf "$tree"
    cmake --install build-windows --prefix "$tree" >/dev/null
    list="$root/build-windows/instalador-arquivos.nsh"
    (cd "$tree" && find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|' &&
        find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|') >"$list"
    makensis -V2 -DVERSAO="$version" -DORIGEM="$tree" -DARQUIVOS="$list" -DSAIDA="$installer" \
        -DTAMANHO_KB="$(du -sk "$tree" | cut -f1)" packaging/windows/instalador.nsi
    echo "instalador: $installer ($(du -h "$installer" | cut -f1))"
fi

if [ $testar -eq 1 ]; then
    started=$(date +%s)
    # The Linux side the tests reach through the bridge: the reference server and the bridge itself.
    cmake --preset testing >/dev/null
    cmake --build --preset testing -j "$jobs" --target pedidos-servidor pv-wine-bridge
    export WINEPREFIX="$root/build-windows/wine"
    wineboot -i >/dev/null 2>&1 || true
    export WINEPATH
    WINEPATH=$(printf 'Z:%s;' "$qt_prefix/bin" "${mingw_runtime[@]}" | tr '/' '\\')
    # Wine hands Qt no QT_ variable of the Linux side: WINE-prefixed ones arrive without the prefix.
    export WINEQT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu
    bridge_log="$root/build-windows/pv-wine-bridge.log"
    coproc BRIDGE { PV_SERVER_BIN="$root/build-test/bin/pedidos-servidor" exec "$root/build-test/bin/pv-wine-bridge" 2>"$bridge_log"; }
    bridge_pid=$BRIDGE_PID
    trap 'kill "$bridge_pid" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
    line=""
    read -r -t 60 line <&"${BRIDGE[0]}" || true
    if [[ "$line" != "ponte em 127.0.0.1:"* ]]; then
        echo "pv-wine-bridge não iniciou: $(cat "$bridge_log")" >&2
        exit 1
    fi
    PV_WINE_BRIDGE=${line##*:}
    export PV_WINE_BRIDGE
    ctest --preset windows -j "$jobs"
    echo "testes do Windows sob o Wine em $(elapsed "$started")"
fi

if [ $testar -eq 1 ]; then
    # The installer in a fresh prefix, as on a new laptop: it installs silently, the installed program
    # answers --version with only the DLLs it carries, and the uninstaller removes it and leaves the
    # data folder alone.
    started=$(date +%s)
    fail() {
        echo "instalador: $1" >&2
        exit 1
    }
    fresh=$(mktemp -d)
    trap 'kill "$bridge_pid" 2>/dev/null || true; WINEPREFIX="$fresh" wineserver -k 2>/dev/null || true; rm -rf "$fresh"' EXIT
    export WINEPREFIX="$fresh"
    unset WINEPATH
    wineboot -i >/dev/null 2>&1 || true
    wine "$installer" /S
    wineserver -w
    program="$fresh/drive_c/Program Files/Pedidos Vendedor"
    [ -f "$program/pedidos-vendedor.exe" ] || fail "nada instalado em Program Files"
    for link in "$fresh/drive_c/users/Public/Desktop/Pedidos Vendedor.lnk" \
        "$fresh/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pedidos Vendedor/Pedidos Vendedor.lnk"; do
        [ -f "$link" ] || fail "atalho ausente: $link"
    done
    key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PedidosVendedor'
    wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "$version" || fail "não registrado em Programas e Recursos"
    answer=$(wine "$program/pedidos-vendedor.exe" --version | tr -d '\r')
    [ "$answer" = "pedidos-vendedor $version" ] || fail "--version respondeu '$answer'"
    help=$(wine "$program/pedidos-vendedor.exe" --help)
    [[ "$help" == *"Opções:"* && "$help" == *'c:\systemtemp\'* ]] || fail "--help sem acentos ou sem a pasta: $help"
    mkdir -p "$fresh/drive_c/systemtemp"
    echo '[CONFIGURACAO]' >"$fresh/drive_c/systemtemp/config.ini"
    wine "$program/desinstalar.exe" /S
    wineserver -w
    [ ! -e "$program" ] || fail "a desinstalação deixou $program"
    ! wine reg query "$key" >/dev/null 2>&1 || fail "a desinstalação deixou o registro"
    [ -f "$fresh/drive_c/systemtemp/config.ini" ] || fail "a desinstalação apagou a pasta de dados"
    echo "instalador instalado, executado e desinstalado num prefixo novo do Wine em $(elapsed "$started")"
fi
