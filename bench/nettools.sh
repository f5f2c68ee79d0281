#!/usr/bin/env bash
# One timer tick of the Network Tools (TCP table read from /proc/net/tcp,
# PollConnections into a 1000-row history, the traffic refresh) beside
# `ss -tan` listing the same table, with 5000 TCP connections open on loopback.
# Prints the medians and the ratio tick / ss (target: within 3x).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench-nettools}
runs=${RUNS:-21}
connections=${CONNECTIONS:-5000}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target nettools_tick_bench -j2 >/dev/null
tick=$(find "$build" -name nettools_tick_bench -type f -perm -u+x | head -1)

ulimit -n $((connections * 2 + 100))
ready=$(mktemp)
python3 - "$connections" "$ready" <<'PY' &
import socket, sys, time
count, ready = int(sys.argv[1]), sys.argv[2]
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1024)
clients, accepted = [], []
for _ in range(count):
    c = socket.create_connection(server.getsockname())
    clients.append(c)
    accepted.append(server.accept()[0])
open(ready, "w").write("ready")
time.sleep(300)  # ended by the script well before this
PY
holder=$!
trap 'kill $holder 2>/dev/null; rm -f "$ready"' EXIT
for _ in $(seq 600); do [[ -s $ready ]] && break; sleep 0.1; done
[[ -s $ready ]] || { echo "connections not ready" >&2; exit 1; }

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ss_us=$(for _ in $(seq "$runs"); do
    start=$(date +%s%N); ss -tan >/dev/null; end=$(date +%s%N)
    echo $(((end - start) / 1000))
done | median)
ss_rows=$(ss -tan | wc -l)

tick_line=$("$tick" "$runs")
tick_us=$(sed -n 's/.*median_us=\([0-9]*\).*/\1/p' <<<"$tick_line")

echo "ss -tan (whole command, $ss_rows lines): median ${ss_us} us"
echo "network tools tick ($tick_line): median ${tick_us} us"
awk -v t="$tick_us" -v s="$ss_us" 'BEGIN {printf "ratio tick / ss -tan: %.2f (target <= 3)\n", t / s}'
