#!/usr/bin/env bash
# The Editor on a 50 MB Structured Text source: opening it and saving it
# unchanged, replacing all 200 000 matches of a word, and the longest freeze
# while typing in it; then a 200 MB file opened for its peak memory. Each
# figure beside its floor, in the same run:
#   opening      beside `cat FILE > /dev/null` and `wc -l FILE` (target: within 15x wc -l)
#   replace-all  beside sed doing the same replacement        (target: within 4x sed)
#   typing       longest keystroke with its repaint            (target: under 50 ms)
#   200 MB file  the process's peak memory beside the file's size (target: under 4x)
# Medians of REPEAT rounds; each round runs the floors and then the editor(s),
# so that a machine whose load changes during the run weighs on both alike.
# Keystrokes and the open also show their processor time, which stretches
# less than wall time on a shared machine; the load average is printed at
# the start and at the end. BEFORE names
# the editor_bench of an earlier build, whose figures on the same file are
# printed beside (its --open figures only if it has that mode).
#
#   bench/editor.sh                    # builds in build-bench-editor
#   BUILD_DIR=build-x REPEAT=5 bench/editor.sh
#   BEFORE=../old/build/editor_bench bench/editor.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench-editor}
repeat=${REPEAT:-3}

if [[ ! -x $build/editor_bench ]] || [[ -z ${NO_BUILD:-} ]]; then
    cmake -S "${SOURCE_DIR:-.}" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target editor_bench -j2 >/dev/null
fi
bench=$(find "$build" -name editor_bench -type f -perm -u+x | head -1)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/plant.st
python3 - "$file" <<'PY'
import sys
# 50 MB of Structured Text; the word flowRate appears on 200 000 lines, once each.
target, matches = 50 * 1024 * 1024, 200_000
plain = [
    "    IF pump{n}.running AND NOT alarm{n} THEN\n",
    "        level{n} := level{n} + 16#0F * 0.25; (* top up the tank *)\n",
    "    END_IF;\n",
    "    message{n} := 'tank {n} ok'; // status line\n",
]
hit = "    total{n} := total{n} + flowRate * cycleTime;\n"
out, size, n = [], 0, 0
hit_size = matches * len(hit.format(n=500))
while size < target - hit_size:
    for line in plain:
        s = line.format(n=n % 1000)
        out.append(s); size += len(s)
    n += 1
per = max(1, n // matches)
lines, hits, block = [], 0, 0
for i in range(0, len(out), 4):
    lines.extend(out[i:i + 4])
    if hits < matches and block % per == 0:
        lines.append(hit.format(n=block % 1000)); hits += 1
    block += 1
while hits < matches:
    lines.append(hit.format(n=hits % 1000)); hits += 1
open(sys.argv[1], "w").write("".join(lines))
PY
size_mb=$(du -m "$file" | cut -f1)
words=$(grep -o 'flowRate' "$file" | wc -l)

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ms_of() {  # runs the command, prints its wall time in ms
    local start end
    start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
cat "$file" >/dev/null  # warm the page cache for everyone

# Runs an editor_bench once on a fresh copy of the file; its key=value lines
# go to the end of the file named second.
run_once() {
    local program=$1 into=$2
    cp "$file" "$work/copy.st"
    QT_QPA_PLATFORM=offscreen "$program" "$work/copy.st" flowRate volumeFlow >>"$into"
    cmp -s "$file" "$work/copy.st" || { echo "saving unchanged changed the file" >&2; exit 1; }
    cmp -s "$work/sed.out" "$work/copy.st.replaced" || { echo "replace-all differs from sed" >&2; exit 1; }
}
: >"$work/floors" >"$work/after" >"$work/before"
for _ in $(seq "$repeat"); do
    {
        echo "cat_ms=$(ms_of sh -c "cat '$file' > /dev/null")"
        echo "wc_ms=$(ms_of wc -l "$file")"
        echo "sed_ms=$(ms_of sh -c "sed 's/flowRate/volumeFlow/g' '$file' > '$work/sed.out'")"
    } >>"$work/floors"
    run_once "$bench" "$work/after"
    [[ -n ${BEFORE:-} ]] && run_once "$BEFORE" "$work/before"
done
# Opens the large file REPEAT times with an editor_bench (nothing if it
# lacks the mode).
run_big() {
    local program=$1 into=$2
    : >"$into"
    for _ in $(seq "$repeat"); do
        QT_QPA_PLATFORM=offscreen "$program" --open "$big" >>"$into" 2>/dev/null || { : >"$into"; return; }
    done
}
value() { grep "^$2=" "$1" | cut -d= -f2 | median; }
cat_ms=$(value "$work/floors" cat_ms)
wc_ms=$(value "$work/floors" wc_ms)
sed_ms=$(value "$work/floors" sed_ms)

# Four copies of the file make the large one.
big=$work/big.st
cat "$file" "$file" "$file" "$file" >"$big"
big_bytes=$(stat -c %s "$big")
run_big "$bench" "$work/after.big"
[[ -n ${BEFORE:-} ]] && run_big "$BEFORE" "$work/before.big"
rm -f "$big"

echo "file: ${size_mb} MB, $(wc -l <"$file") lines, $words matches of flowRate"
echo "load average: $load_start at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
echo "floors: cat ${cat_ms} ms, wc -l ${wc_ms} ms, sed ${sed_ms} ms (medians of $repeat)"
report() {  # the figures of one program's rounds
    local r=$1
    awk -v o="$(value "$r" open_ms)" -v oc="$(value "$r" open_cpu_ms)" -v s="$(value "$r" save_ms)" \
        -v r="$(value "$r" replace_ms)" -v q="$(value "$r" questions)" \
        -v c="$cat_ms" -v w="$wc_ms" -v d="$sed_ms" \
        -v tt="$(value "$r" type_top_max_ms)" -v tm="$(value "$r" type_middle_max_ms)" \
        -v te="$(value "$r" type_end_max_ms)" -v ct="$(value "$r" type_top_max_cpu_ms)" \
        -v cm="$(value "$r" type_middle_max_cpu_ms)" -v ce="$(value "$r" type_end_max_cpu_ms)" \
        -v jm="$(value "$r" jump_middle_ms)" -v je="$(value "$r" jump_end_ms)" \
        -v bo="$(value "$r.big" open_ms)" -v bk="$(value "$r.big" peak_kb)" -v bb="$big_bytes" '
    function cpu(v) { return v == "" ? "" : sprintf("; %.1f ms of processor time", v) }
    BEGIN {
        printf "  open:        %8.1f ms   %6.1fx cat   %6.1fx wc -l (target <= 15x wc -l%s)\n", o, o / (c > 0 ? c : 1), o / (w > 0 ? w : 1), cpu(oc)
        printf "  save:        %8.1f ms   %6.1fx cat (unchanged, byte-identical)\n", s, s / (c > 0 ? c : 1)
        printf "  replace-all: %8.1f ms   %6.1fx sed (target <= 4x; %d question)\n", r, r / (d > 0 ? d : 1), q
        printf "  typing, longest keystroke with repaint: top %.1f ms, middle %.1f ms, end %.1f ms (target < 50 ms)\n", tt, tm, te
        if (ct != "") printf "    of processor time: top %.1f ms, middle %.1f ms, end %.1f ms\n", ct, cm, ce
        printf "  jumps (not typing): to the middle %.1f ms, to the end %.1f ms\n", jm, je
        if (bk != "") printf "  %d MB file: opened in %.1f ms, peak memory %.0f MB = %.2fx its size (target < 4x)\n", bb / 1048576, bo, bk / 1024, bk * 1024 / bb
    }'
}
echo "this build ($bench):"
report "$work/after"
if [[ -n ${BEFORE:-} ]]; then
    echo "before ($BEFORE):"
    report "$work/before"
fi
