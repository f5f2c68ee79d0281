#!/usr/bin/env bash
# Start-up and memory at rest of the suite's frame, beside a bare Qt Widgets
# program (a main window with an MDI area and one child window, built here in
# the same run), on a private X server.
#
# Start-up: both programs start RUNS times each, in turn, on an empty
# configuration (fresh XDG folders); each writes the wall-clock time of its
# first paint (CORVANTA_STARTUP_LOG) and the time from launch to it is taken.
# Prints both medians, the ratio suite / bare (target: at most 1.5), the
# suite's time to the end of its start-up sequence (the first run's browser
# window included) and the load average.
#
# Memory at rest: the frame's resident memory once started up and settled,
# with no tool window and with one window of each kind (stored as open at the
# last exit), the browser engine's helper processes apart, and the largest
# mappings of the frame's process.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
runs=${RUNS:-7}
memory_runs=${MEMORY_RUNS:-3}
settle=${SETTLE_SECONDS:-4}

# Everything below runs on a session bus of its own, as on a desktop.
if [[ -z ${CORVANTA_BENCH_BUS:-} ]]; then
    export CORVANTA_BENCH_BUS=1
    exec dbus-run-session -- "$0" "$@"
fi

[[ -d $build ]] || cmake --preset release >/dev/null
cmake --build "$build" --target corvanta -j2 >/dev/null
suite=$(realpath "$build/corvanta")

work=$(mktemp -d /tmp/corvanta-startup.XXXXXX)
bare=$work/bare_mdi
# shellcheck disable=SC2046 # pkg-config's flags are meant to split
c++ -O2 -std=c++17 -fPIC "$root/bench/startup/bare_mdi.cpp" -o "$bare" \
    $(pkg-config --cflags --libs Qt6Widgets)

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null)
read -r -u 3 display
xvfb=$!
cleanup() {
    kill "$xvfb" 2>/dev/null || true
    [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=:$display QT_QPA_PLATFORM=xcb
# No service of the suite is reached: every address goes to a closed loopback
# port; the browser engine keeps to itself.
export CORVANTA_TEST=1 QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-background-networking --disable-component-update \
--disable-sync --disable-gpu --no-first-run --disable-breakpad"

now_us() { echo $(($(date +%s%N) / 1000)); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Fresh XDG folders for one run, under `home`.
fresh_home() {
    local home=$1
    rm -rf "$home"
    mkdir -p "$home"/{config,data,cache,runtime}
    chmod 700 "$home/runtime"
}

# Starts `program` with the XDG folders of `home`; sets `pid` and `launched`
# (microseconds).
launch() {
    local program=$1 home=$2
    launched=$(now_us)
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
        XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime \
        CORVANTA_STARTUP_LOG=$home/startup.log "$program" >"$home/output.log" 2>&1 &
    pid=$!
}

# Waits for the line `what` in the start-up log of `home`; sets `elapsed`
# (microseconds from the launch).
wait_for_line() {
    local home=$1 what=$2 line=
    local deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        line=$(grep -s "^$what " "$home/startup.log" || true)
        [[ -n $line ]] && break
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "the program ended before \"$what\":" >&2
            cat "$home/output.log" >&2
            exit 1
        fi
        sleep 0.01
    done
    [[ -n $line ]] || { echo "no \"$what\" within 60 s" >&2; exit 1; }
    elapsed=$((${line#* } - launched))
}

finish() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Resident kilobytes of a process, and of its descendants together.
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
descendants() {
    local children
    children=$(cat /proc/"$1"/task/*/children 2>/dev/null || true)
    for child in $children; do
        echo "$child"
        descendants "$child"
    done
}
descendants_rss_kb() {
    local total=0
    for child in $(descendants "$1"); do
        total=$((total + $(rss_kb "$child" 2>/dev/null || echo 0)))
    done
    echo "$total"
}

# The frame's largest mappings by resident size: "kB name", biggest first.
largest_mappings() {
    python3 - "$1" <<'PY'
import collections, sys
sizes = collections.Counter()
name = None
with open(f"/proc/{sys.argv[1]}/smaps") as smaps:
    for line in smaps:
        fields = line.split()
        if fields[0].endswith(":") and fields[0][:-1].isalpha() and fields[0] != "VmFlags:":
            if fields[0] == "Rss:":
                sizes[name] += int(fields[1])
            continue
        if "-" in fields[0] and len(fields) >= 5:
            path = fields[5] if len(fields) > 5 else "[anonymous]"
            name = path.rsplit("/", 1)[-1] if path.startswith("/") else path
for name, kb in sizes.most_common(8):
    print(f"{kb:8d} kB  {name}")
PY
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- start-up -----------------------------------------------------------------------

home=$work/home
: >"$work/suite.times"
: >"$work/bare.times"
: >"$work/suite.started"
: >"$work/ratios"
for run in $(seq "$runs"); do
    order=(suite bare)
    ((run % 2 == 0)) && order=(bare suite)
    for which in "${order[@]}"; do
        fresh_home "$home"
        if [[ $which == suite ]]; then
            launch "$suite" "$home"
            wait_for_line "$home" first-paint-us
            echo "$elapsed" >>"$work/suite.times"
            wait_for_line "$home" started-up-us
            echo "$elapsed" >>"$work/suite.started"
        else
            launch "$bare" "$home"
            wait_for_line "$home" first-paint-us
            echo "$elapsed" >>"$work/bare.times"
        fi
        finish
    done
    awk -v s="$(tail -1 "$work/suite.times")" -v b="$(tail -1 "$work/bare.times")" \
        'BEGIN {printf "%.3f\n", s / b}' >>"$work/ratios"
done
suite_ms=$(median <"$work/suite.times" | awk '{printf "%.1f", $1 / 1000}')
bare_ms=$(median <"$work/bare.times" | awk '{printf "%.1f", $1 / 1000}')
started_ms=$(median <"$work/suite.started" | awk '{printf "%.1f", $1 / 1000}')
echo "first paint, median of $runs (ms): suite $suite_ms, bare Qt MDI window $bare_ms"
echo "  suite runs (ms): $(awk '{printf "%.0f ", $1 / 1000}' "$work/suite.times")"
echo "  bare runs (ms):  $(awk '{printf "%.0f ", $1 / 1000}' "$work/bare.times")"
echo "suite start-up sequence done (first run's browser window open), median: $started_ms ms"
awk -v s="$suite_ms" -v b="$bare_ms" 'BEGIN {printf "ratio first paint suite / bare: %.2f (target <= 1.5)\n", s / b}'
echo "ratio of each pair, median: $(median <"$work/ratios")"
echo "load average after start-up runs: $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- memory at rest -------------------------------------------------------------------

# The external-address page the Network Tools fetch as they open, on loopback
# (unanswered, their error box would hold the start-up).
address_page=$work/myip.php
echo "192.0.2.44" >"$address_page"
python3 -u -m http.server --bind 127.0.0.1 --directory "$work" 0 >"$work/http.log" 2>&1 &
http_server=$!
trap 'kill $http_server 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 100); do grep -q "port" "$work/http.log" && break; sleep 0.1; done
http_port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/http.log" | head -1)

# Stores a frame that opens `kinds` (none, or all six) at start.
store_frame() {
    python3 - "$1/config" "$2" "http://127.0.0.1:$http_port/myip.php" <<PY
import sys
sys.path.insert(0, "$root/tests/e2e")
from corvanta_e2e import MAIN_KEY, SERVICES_KEY, Settings, frame_settings
kinds = ["FTP Client", "Editor", "Net Translator", "Network Tools", "Web Browser",
         "Web Site Grabber"] if sys.argv[2] == "all" else []
settings = Settings(sys.argv[1])
settings.write(MAIN_KEY, frame_settings(kinds=kinds, width=1000, height=700))
settings.write(SERVICES_KEY, {"ExternalAddressPage": sys.argv[3]})
PY
}

for scenario in none all; do
    : >"$work/frame.rss"
    : >"$work/helpers.rss"
    for _ in $(seq "$memory_runs"); do
        fresh_home "$home"
        store_frame "$home" "$scenario"
        launch "$suite" "$home"
        wait_for_line "$home" started-up-us
        sleep "$settle"
        rss_kb "$pid" >>"$work/frame.rss"
        descendants_rss_kb "$pid" >>"$work/helpers.rss"
        largest_mappings "$pid" >"$work/mappings.$scenario"
        finish
    done
    label="no tool window"
    [[ $scenario == all ]] && label="one window of each kind"
    echo "resident memory at rest, $label, median of $memory_runs:" \
        "frame $(median <"$work/frame.rss" | awk '{printf "%.1f", $1 / 1024}') MB," \
        "browser engine helpers $(median <"$work/helpers.rss" | awk '{printf "%.1f", $1 / 1024}') MB"
    echo "  largest mappings of the frame:"
    sed 's/^/  /' "$work/mappings.$scenario"
done
fresh_home "$home"
launch "$bare" "$home"
wait_for_line "$home" first-paint-us
sleep "$settle"
echo "resident memory of the bare Qt MDI window: $(rss_kb "$pid" | awk '{printf "%.1f", $1 / 1024}') MB"
finish
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
