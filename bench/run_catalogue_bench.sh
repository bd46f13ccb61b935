#!/bin/sh
# The start-up catalogue load, timed stage by stage against pedidos-servidor, beside the load limit
# of ../shared/bench-limit run on the same replies. For each size: the client's stages and peak
# memory, the limit's stages, and the ratio of the client's own stages (everything after a reply
# arrived) to the limit's total. Sizes: 50,000 clients / 20,000 products / 10 tables, then
# 200,000 / 50,000 / 20. ROUNDS (default 3) repeats each measurement; the median ratio is printed.
# Then, on the same catalogue, the interactive figures (catalogue_bench interactive: searches, a
# product pick, a client card, the client list's refresh) and their goals: each search and the pick
# under 5 ms, the refresh within twice the limit's client stages (median over the rounds).
# NO_BUILD=1 takes the binaries already in build/bin. bench/README.md tells what each figure means.
# With the argument "rede", each size is then downloaded through link_simulator under the profiles
# "4g" (20 Mbit/s down, 5 up, 50 ms) and "3g" (2 Mbit/s down, 0.5 up, 150 ms): once from a server
# just started, then ROUNDS times once it has compressed the lists in the background; beside the link
# limit: the two replies at the best compression measured (gzip -9 or zstd -19 of the same bytes)
# sent at the link's rate, plus the load limit's total.
set -eu
link_mode=
[ "${1:-}" = rede ] && link_mode=yes

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
limit_src=$(cd "$root/../shared/bench-limit" && pwd)
rounds=${ROUNDS:-3}

work=$(mktemp -d "${TMPDIR:-/tmp}/catalogue-bench.XXXXXX")
server_pid=
cleanup() {
    if [ -n "$link_pid" ]; then kill "$link_pid" 2>/dev/null || true; wait "$link_pid" 2>/dev/null || true; fi
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "$link_mode" ]; then PV_EXTRA_PACKAGES="zstd gzip" "$root/scripts/deps.sh"; fi
if [ -z "${NO_BUILD:-}" ]; then
    echo "== building (Release)"
    (cd "$root" && cmake --preset release >/dev/null)
    cmake --build "$root/build" --target catalogue_bench pedidos-servidor link_simulator -j"$(nproc)" >/dev/null
fi
limit=$("$limit_src/build.sh" "$work/limit" | tail -n 1)
bench="$root/build/bin/catalogue_bench"
server_bin="$root/build/bin/pedidos-servidor"
link_bin="$root/build/bin/link_simulator"
link_pid=

# Starts a server seeded with $1 clients, $2 products, $3 tables; sets $address.
start_server() {
    log="$work/server-$1.log"
    "$server_bin" --host 127.0.0.1 --port 0 --db "$work/server-$1.db" --clientes "$1" --produtos "$2" \
        --tabelas "$3" >"$log" 2>&1 &
    server_pid=$!
    address=
    tries=0
    while [ -z "$address" ]; do
        address=$(sed -n 's/.*ouvindo em http:\/\/\([^ ]*\).*/\1/p' "$log" | head -n 1)
        [ -n "$address" ] && break
        tries=$((tries + 1))
        if [ "$tries" -gt 1200 ] || ! kill -0 "$server_pid" 2>/dev/null; then
            cat "$log" >&2
            echo "pedidos-servidor did not start" >&2
            exit 1
        fi
        sleep 0.1
    done
}

stop_server() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

measure() {
    clients=$1 products=$2 tables=$3
    echo
    echo "== $clients clients, $products products, $tables tables"
    start_server "$clients" "$products" "$tables"
    replies="$work/replies-$clients"
    "$bench" replies "$address" "$replies"
    mkdir -p "$work/cache"
    ratios="$work/ratios-$clients"
    limit_cli="$work/limit-cli-$clients"
    : >"$ratios"
    : >"$limit_cli"
    : >"$work/limit-totals-$clients"
    round=1
    while [ "$round" -le "$rounds" ]; do
        echo "-- round $round: client (catalogue_bench load)"
        "$bench" load "$address" | tee "$work/client.out"
        echo "-- round $round: limit (bench_pipeline)"
        "$limit" run "$replies" --out "$work/cache" --rows arena --reuse --iters 1 --warmup 0 \
            2>"$work/limit.err" | tee "$work/limit.out" || true
        own=$(awk -F'\t' '$1 == "own" { print $2 }' "$work/client.out")
        total=$(awk -F'\t' '$1 == "total" { print $5 }' "$work/limit.out")
        # A limit that gave no total says why on its error output.
        [ -n "$total" ] || cat "$work/limit.err" >&2
        echo "$total" >>"$work/limit-totals-$clients"
        ratio=$(awk -v a="$own" -v b="$total" 'BEGIN { printf "%.2f", a / b }')
        echo "ratio	client own stages $own ms / limit total $total ms = $ratio"
        echo "$ratio" >>"$ratios"
        # The limit's client stages, for the refresh's goal: all five, and the parts that match
        # the refresh's partial figures.
        awk -F'\t' '$1 == "stage" { t[$3] = $4 } END {
            printf "%.3f %.3f %.3f\n", t["parse_cli"] + t["write_cli"] + t["read_cli"] + t["parse_back_cli"] + t["rows_cli"],
                t["read_cli"] + t["parse_back_cli"] + t["rows_cli"], t["rows_cli"] }' "$work/limit.out" >>"$limit_cli"
        round=$((round + 1))
    done
    echo "median ratio ($clients clients): $(median <"$ratios")"

    echo "-- interactive (catalogue_bench interactive)"
    "$bench" interactive "$address" | tee "$work/interactive.out"
    cli_all=$(cut -d' ' -f1 "$limit_cli" | median)
    cli_read=$(cut -d' ' -f2 "$limit_cli" | median)
    cli_rows=$(cut -d' ' -f3 "$limit_cli" | median)
    figure() { awk -F'\t' -v n="$1" '$1 == "interactive" && $2 == n { print $3 }' "$work/interactive.out"; }
    refresh=$(figure client_refresh)
    awk -v a="$refresh" -v b="$cli_all" 'BEGIN {
        printf "goal\tclient_refresh\t%.1f ms <= 2 x limit client stages %.1f ms (ratio %.2f)\t%s\n",
            a, b, a / b, a <= 2 * b ? "ok" : "MISSED" }'
    awk -v a="$(figure client_refresh_read_parse_load)" -v b="$cli_read" 'BEGIN {
        printf "ratio\tclient_refresh_read_parse_load\t%.1f ms / limit read_cli+parse_back_cli+rows_cli %.1f ms = %.2f\n", a, b, a / b }'
    awk -v a="$(figure client_refresh_load)" -v b="$cli_rows" 'BEGIN {
        printf "ratio\tclient_refresh_load\t%.1f ms / limit rows_cli %.1f ms = %.2f\n", a, b, a / b }'
    if [ -n "$link_mode" ]; then over_the_link "$clients" "$(median <"$work/limit-totals-$clients")"; fi
    stop_server
    rm -rf "$replies" "$work/cache" "$work/server-$clients.db"
}

# Waits until the server has used no processor time for two seconds in a row: its background work
# (compressing the lists at their best) is done. At most five minutes.
wait_server_idle() {
    last=-1 still=0 waited=0
    while [ "$still" -lt 2 ] && [ "$waited" -lt 300 ]; do
        cpu=$(awk '{ print $14 + $15 }' "/proc/$server_pid/stat")
        if [ "$cpu" = "$last" ]; then still=$((still + 1)); else still=0; fi
        last=$cpu
        sleep 1
        waited=$((waited + 1))
    done
    echo "-- server idle after ${waited} s"
}

# One start-up download through link_simulator; sets $total (ms) and $wire (bytes both ways).
# $1..$3: down and up kbit/s, round trip ms.
link_round() {
    "$link_bin" "$address" "$1" "$2" "$3" >"$work/link.out" &
    link_pid=$!
    port=
    while [ -z "$port" ]; do
        port=$(awk '/^porta/ { print $2 }' "$work/link.out")
        [ -n "$port" ] || sleep 0.05
    done
    "$bench" load "127.0.0.1:$port" >"$work/client.out"
    kill "$link_pid"
    wait "$link_pid" 2>/dev/null || true
    link_pid=
    total=$(awk -F'\t' '$1 == "total" { split($2, a, " "); print a[1] }' "$work/client.out")
    wire=$(awk '/^bytes/ { print $2 + $3 }' "$work/link.out")
}

# The start-up download through link_simulator under each profile, beside the link limit. Per profile
# the server starts afresh on the same database: the first download is the first of the day after a
# change of the lists, sent compressed as it is written; then, once the server has compressed the
# lists at their best in the background, ROUNDS downloads as every later one of the day goes.
# $1: clients; $2: the load limit's median total in ms.
over_the_link() {
    clients=$1 load_limit=$2
    plain=$(cat "$replies"/*.json | wc -c)
    gz=$(cat "$replies"/*.json | gzip -9 | wc -c)
    zs=$(cat "$replies"/*.json | zstd -19 -T0 -q -c | wc -c)
    best=$(( gz < zs ? gz : zs ))
    echo "-- link: replies $plain bytes; gzip -9 $gz, zstd -19 $zs: best $best bytes"
    for profile in "4g 20000 5000 50" "3g 2000 500 150"; do
        set -- $profile
        name=$1 down=$2 up=$3 rtt=$4
        # Not $limit: that names the load limit's program for the next size.
        link_limit=$(awk -v b="$best" -v d="$down" -v l="$load_limit" 'BEGIN { printf "%.1f", b * 8 / d + l }')
        ratio_of() { awk -v a="$1" -v b="$link_limit" 'BEGIN { printf "%.2f", a / b }'; }
        stop_server
        start_server "$clients" "$products" "$tables"
        link_round "$down" "$up" "$rtt"
        echo "link	$name	first	total $total ms	wire $wire bytes	link limit $link_limit ms	ratio $(ratio_of "$total")"
        wait_server_idle
        : >"$work/link-ratios"
        round=1
        while [ "$round" -le "$rounds" ]; do
            link_round "$down" "$up" "$rtt"
            ratio=$(ratio_of "$total")
            echo "link	$name	round $round	total $total ms	wire $wire bytes	link limit $link_limit ms	ratio $ratio"
            echo "$ratio" >>"$work/link-ratios"
            round=$((round + 1))
        done
        echo "median link ratio ($clients clients, $name): $(median <"$work/link-ratios")"
    done
}

measure 50000 20000 10
measure 200000 50000 20
