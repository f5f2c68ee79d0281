#!/usr/bin/env bash
# Downloads a 1 GiB file from vsftpd on loopback through the FTP window's
# transfer queue (its engine with five parts and the window's settings, its
# row model refreshed while it runs), beside lftp's "pget -n 5" and curl (one
# stream), in one run; prints wall time, CPU time (user + system) and peak RSS
# of each, the median of REPEAT rounds, and the ratios of the queue to each
# peer. The queue runs twice: on its own ("queue", no widget in the process)
# and shown in its Transfers page on the offscreen platform ("queue+page"),
# beside the page idle for the memory the page takes before a byte moves.
# Then the time a Transfers list of 1,000 rows takes to sort and to scroll
# through. The load average is printed before and after: the figures are only
# comparable within one run.
#
#   bench/ftp.sh                      # builds in build/; vsftpd needs root
#   BUILD_DIR=build-x REPEAT=5 SIZE_MB=1024 bench/ftp.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=${BUILD_DIR:-$repo/build}
repeat=${REPEAT:-3}
size_mb=${SIZE_MB:-1024}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target ftp_queue_bench ftp_queue_fetch >/dev/null
page="$build/ftp_queue_bench"
queue="$build/ftp_queue_fetch"
for tool in lftp curl /usr/sbin/vsftpd /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool (see tools/deps)"; exit 1; }
done
[ "$(id -u)" = 0 ] && getent passwd ftp >/dev/null || { echo "vsftpd needs root and the ftp user"; exit 1; }

work=$(mktemp -d /tmp/corvanta-bench-ftp-XXXXXX)
chmod 755 "$work"
vsftpd_pid=
cleanup() {
    [ -n "$vsftpd_pid" ] && kill "$vsftpd_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/root" "$work/empty" "$work/out"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/root/big.bin"
chmod 644 "$work/root/big.bin"
expected=$(sha256sum "$work/root/big.bin" | cut -d' ' -f1)

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
local_enable=NO
write_enable=NO
no_anon_password=YES
anon_root=$work/root
ftp_username=ftp
nopriv_user=ftp
secure_chroot_dir=$work/empty
seccomp_sandbox=NO
pasv_enable=YES
connect_from_port_20=NO
xferlog_enable=NO
ftpd_banner=Corvanta bench server.
CONF
/usr/sbin/vsftpd "$work/vsftpd.conf" &
vsftpd_pid=$!
for _ in $(seq 50); do
    curl -s -o /dev/null "ftp://127.0.0.1:$port/" && break
    sleep 0.1
done

# measure NAME COMMAND...: runs in an empty output folder; prints "wall cpu rss_kb".
measure() {
    local name=$1
    shift
    rm -rf "$work/out" && mkdir -p "$work/out"
    (cd "$work/out" && /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt") || {
        echo "$name failed: $(cat "$work/err.txt")" >&2
        return 1
    }
    local got
    got=$(sha256sum "$work/out/big.bin" | cut -d' ' -f1)
    [ "$got" = "$expected" ] || { echo "$name: wrong bytes" >&2; return 1; }
    awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$work/time.txt"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A runs
tools=(queue queue+page lftp curl)
for round in $(seq "$repeat"); do
    for tool in "${tools[@]}"; do
        cat "$work/root/big.bin" >/dev/null  # served from memory for everyone
        case $tool in
            queue) line=$(measure "$tool" "$queue" fetch 127.0.0.1 "$port" /big.bin "$work/out") ;;
            queue+page) line=$(QT_QPA_PLATFORM=offscreen measure "$tool" "$page" fetch 127.0.0.1 "$port" /big.bin "$work/out") ;;
            lftp) line=$(measure "$tool" lftp -e "pget -n 5 /big.bin -o big.bin; quit" "ftp://127.0.0.1:$port") ;;
            curl) line=$(measure "$tool" curl -s -o big.bin "ftp://127.0.0.1:$port/big.bin") ;;
        esac
        runs[$tool]+="$line"$'\n'
    done
done

median() {  # column of the runs of one tool
    printf '%s' "${runs[$1]}" | awk -v c="$2" 'NF { print $c }' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$work" && QT_QPA_PLATFORM=offscreen /usr/bin/time -f "%M" -o "$work/idle.txt" "$page" idle >/dev/null 2>&1)
idle_kb=$(cat "$work/idle.txt")
echo
echo "Download of ${size_mb} MiB from vsftpd on loopback, median of $repeat rounds"
printf '%-10s %10s %10s %12s\n' tool "wall s" "cpu s" "peak RSS MB"
declare -A wall cpu rss
for tool in "${tools[@]}"; do
    wall[$tool]=$(median "$tool" 1)
    cpu[$tool]=$(median "$tool" 2)
    rss[$tool]=$(median "$tool" 3)
    printf '%-10s %10.3f %10.3f %12.1f\n' "$tool" "${wall[$tool]}" "${cpu[$tool]}" "$(echo "${rss[$tool]} / 1024" | bc -l)"
done
printf '%-10s %10s %10s %12.1f\n' "page idle" - - "$(echo "$idle_kb / 1024" | bc -l)"
faster=$(echo "if (${wall[lftp]} < ${wall[curl]}) ${wall[lftp]} else ${wall[curl]}" | bc -l)
for ours in queue queue+page; do
    echo
    echo "Ratios $ours / peer (below 1 is better for the queue)"
    printf '%-10s %10s %10s %12s\n' peer wall cpu "peak RSS"
    for tool in lftp curl; do
        printf '%-10s %10.2f %10.2f %12.2f\n' "$tool" \
            "$(echo "${wall[$ours]} / ${wall[$tool]}" | bc -l)" \
            "$(echo "${cpu[$ours]} / ${cpu[$tool]}" | bc -l)" \
            "$(echo "${rss[$ours]} / ${rss[$tool]}" | bc -l)"
    done
    printf '%s: wall / faster peer %.2f (target <= 1.0), CPU / curl %.2f (target <= 1.1), peak RSS %.1f MB (target < 24)\n' \
        "$ours" "$(echo "${wall[$ours]} / $faster" | bc -l)" "$(echo "${cpu[$ours]} / ${cpu[curl]}" | bc -l)" \
        "$(echo "${rss[$ours]} / 1024" | bc -l)"
done
echo
echo "Transfers list (no peer)"
QT_QPA_PLATFORM=offscreen "$page" rows 1000
