#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz/, clang) and runs them one after another.
#
#   scripts/fuzz.sh [SECONDS]      fuzz each target for SECONDS (default 60), starting from a copy of
#                                  its corpus (fuzz/corpus/<target>/ is never grown)
#   scripts/fuzz.sh --regressao    run each target once over its corpus and its fixed findings
#                                  (fuzz/regressions/<target>/) only; ./test calls this
#   scripts/fuzz.sh [...] TARGET.. only these targets
#
# Prints per target the inputs run and either "sem falhas" or the file of the failing input, which
# is kept under build-fuzz/achados/; exits non-zero when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
regression=0
targets=()
for arg in "$@"; do
    case "$arg" in
        --regressao) regression=1 ;;
        ''|*[!0-9]*) targets+=("$arg") ;;
        *) seconds=$arg ;;
    esac
done
[ "$seconds" -eq 0 ] && regression=1
if [ ${#targets[@]} -eq 0 ]; then
    targets=(json_round_trip carregar_json arquivo ini_file table_filter loaders server_request receivable_filter)
fi

scripts/deps.sh fuzz
cmake --preset fuzz >/dev/null
findings=build-fuzz/achados
mkdir -p "$findings"
if ! cmake --build --preset fuzz -j "$(nproc)" >"$findings/build.log" 2>&1; then
    tail -n 40 "$findings/build.log" >&2
    exit 1
fi
bin=build-fuzz/fuzz
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen

failed=0
for target in "${targets[@]}"; do
    [ -x "$bin/$target" ] || { echo "$target: alvo desconhecido" >&2; failed=1; continue; }
    log="$findings/$target.log"
    if [ "$regression" -eq 1 ]; then
        inputs=()
        for dir in "fuzz/corpus/$target" "fuzz/regressions/$target"; do
            [ -d "$dir" ] && while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$dir" -type f -print0 | sort -z)
        done
        if [ ${#inputs[@]} -eq 0 ]; then
            echo "$target: nenhuma entrada em fuzz/corpus/$target" >&2
            failed=1
            continue
        fi
        # Given files, libFuzzer runs each once and stops at the first that fails, after its name.
        if "$bin/$target" -rss_limit_mb=4096 "${inputs[@]}" >"$log" 2>&1; then
            echo "$target: ${#inputs[@]} entradas, sem falhas"
        else
            bad=$(grep -o '^Running: .*' "$log" | tail -1 | cut -c10-)
            echo "$target: FALHA com ${bad:-?} (registro em $log)"
            failed=1
        fi
        continue
    fi

    work=$(mktemp -d)
    cp -r "fuzz/corpus/$target/." "$work/"
    artifacts="$findings/$target-"
    rm -f "$artifacts"crash-* "$artifacts"leak-* "$artifacts"timeout-* "$artifacts"oom-*
    status=0
    "$bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$work" >"$log" 2>&1 || status=$?
    rm -rf "$work"
    # -a: a target's log may hold the raw bytes of an input.
    runs=$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
    found=$(ls "$artifacts"* 2>/dev/null | grep -v '\.log$' | head -1 || true)
    if [ "$status" -eq 0 ] && [ -z "$found" ]; then
        echo "$target: ${runs:-?} execuções, sem falhas"
    else
        echo "$target: ${runs:-?} execuções, FALHA com ${found:-?} (registro em $log)"
        failed=1
    fi
done
exit "$failed"
