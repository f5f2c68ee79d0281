#!/usr/bin/env bash
# The browser's history of visits at 100 000 visits beside the same store at
# 1 000, in the same run, each showing the same year of days and the same 50
# visits of today: opening the history view (opening the store, the days,
# today's sites, one site's pages) and recording a visit should not grow
# with the size beyond the index's few extra levels (target: within 2x of
# the small store). Medians of REPEAT rounds.
#
#   bench/history.sh                   # builds in build-bench-history
#   BUILD_DIR=build-x REPEAT=5 bench/history.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench-history}
repeat=${REPEAT:-3}

if [[ ! -x $build/history_bench ]] || [[ -z ${NO_BUILD:-} ]]; then
    cmake -S "${SOURCE_DIR:-.}" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target history_bench -j2 >/dev/null
fi
bench=$(find "$build" -name history_bench -type f -perm -u+x | head -1)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for size in 1000 100000; do
    for round in $(seq "$repeat"); do
        rm -rf "$work/$size"
        "$bench" "$work/$size" "$size" >>"$work/results-$size"
    done
done
value() { grep "^$2=" "$work/results-$1" | cut -d= -f2 | median; }

for key in open_view_us connect_us days_us sites_us pages_us record_us; do
    small=$(value 1000 $key)
    large=$(value 100000 $key)
    awk -v k="$key" -v s="$small" -v l="$large" 'BEGIN {
        printf "%-13s 1 000 visits %8.1f us   100 000 visits %8.1f us   ratio %5.2fx (target <= 2x)\n", k, s, l, l / (s > 0 ? s : 1)
    }'
done
echo "filling 100 000 visits one by one: $(value 100000 fill_ms) ms"
