#!/usr/bin/env bash
# Downloads a 1 GiB file from nginx on loopback with corvanta-get (5 parts),
# aria2c -x5 -s5, curl (one stream) and axel -n 5, in one run, and prints
# wall time, CPU time (user + system) and peak RSS of each, the median of
# REPEAT rounds, and the ratios of corvanta-get to each peer.
#
#   bench/transfer.sh                 # builds corvanta-get in build/
#   BUILD_DIR=build-x REPEAT=5 SIZE_MB=1024 bench/transfer.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=${BUILD_DIR:-$repo/build}
repeat=${REPEAT:-3}
size_mb=${SIZE_MB:-1024}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target corvanta-get >/dev/null
getter="$build/corvanta-get"
for tool in nginx aria2c curl axel; do
    command -v "$tool" >/dev/null || [ -x /usr/sbin/nginx ] || { echo "missing $tool (see tools/deps)"; exit 1; }
done

work=$(mktemp -d /tmp/corvanta-bench-transfer-XXXXXX)
nginx_pid=
cleanup() {
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/www" "$work/temp" "$work/out"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
expected=$(sha256sum "$work/www/big.bin" | cut -d' ' -f1)

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 2;
pid $work/nginx.pid; error_log $work/error.log warn;
events { worker_connections 256; }
http {
  default_type application/octet-stream; access_log off;
  client_body_temp_path $work/temp/body; proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi; uwsgi_temp_path $work/temp/uwsgi; scgi_temp_path $work/temp/scgi;
  sendfile on;
  server { listen 127.0.0.1:$port; root $work/www; }
}
CONF
/usr/sbin/nginx -p "$work" -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/" && break
    sleep 0.1
done
url="http://127.0.0.1:$port/big.bin"

# measure NAME COMMAND...: runs in an empty output folder; prints "wall cpu rss_kb".
measure() {
    local name=$1
    shift
    rm -rf "$work/out" && mkdir -p "$work/out"
    (cd "$work/out" && /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>&1) || {
        echo "$name failed" >&2
        return 1
    }
    local got
    got=$(sha256sum "$work/out/big.bin" | cut -d' ' -f1)
    [ "$got" = "$expected" ] || { echo "$name: wrong bytes" >&2; return 1; }
    awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$work/time.txt"
}

declare -A runs
tools=(corvanta-get aria2c curl axel)
for round in $(seq "$repeat"); do
    for tool in "${tools[@]}"; do

        cat "$work/www/big.bin" >/dev/null  # the source file is served from memory for everyone
        case $tool in
            corvanta-get) line=$(measure "$tool" "$getter" --threads 5 "$url") ;;
            aria2c) line=$(measure "$tool" aria2c -q -x5 -s5 --file-allocation=none -d "$work/out" -o big.bin "$url") ;;
            curl) line=$(measure "$tool" curl -s -o big.bin "$url") ;;
            axel) line=$(measure "$tool" axel -q -n 5 -o big.bin "$url") ;;
        esac
        runs[$tool]+="$line"$'\n'
    done
done

median() {  # column of the runs of one tool
    printf '%s' "${runs[$1]}" | awk -v c="$2" 'NF { print $c }' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo "Download of ${size_mb} MiB from nginx on loopback, median of $repeat rounds"
printf '%-14s %10s %10s %12s\n' tool "wall s" "cpu s" "peak RSS MB"
declare -A wall cpu rss
for tool in "${tools[@]}"; do
    wall[$tool]=$(median "$tool" 1)
    cpu[$tool]=$(median "$tool" 2)
    rss[$tool]=$(median "$tool" 3)
    printf '%-14s %10.3f %10.3f %12.1f\n' "$tool" "${wall[$tool]}" "${cpu[$tool]}" "$(echo "${rss[$tool]} / 1024" | bc -l)"
done
echo
echo "Ratios corvanta-get / peer (below 1 is better for corvanta-get)"
printf '%-14s %10s %10s %12s\n' peer wall cpu "peak RSS"
for tool in aria2c curl axel; do
    printf '%-14s %10.2f %10.2f %12.2f\n' "$tool" \
        "$(echo "${wall[corvanta-get]} / ${wall[$tool]}" | bc -l)" \
        "$(echo "${cpu[corvanta-get]} / ${cpu[$tool]}" | bc -l)" \
        "$(echo "${rss[corvanta-get]} / ${rss[$tool]}" | bc -l)"
done
echo
echo "Targets: wall <= aria2c and <= 1.1 x curl; CPU <= 1.3 x curl; peak RSS < 64 MB"
