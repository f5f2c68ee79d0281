#!/usr/bin/env bash
# The Net Translator's offline engine on 200 KB of English text, "English to
# Spanish": from the click on "Translate Text" to the translation shown in the
# window, beside `apertium -u eng-spa` alone on the same file (the command the
# window runs), in the same run. Target: within 1.2x of apertium alone. Also
# prints the longest stall of the window's event loop while it translates.
# Medians of REPEAT rounds.
#
#   bench/translate.sh                 # builds in build-bench-translate
#   BUILD_DIR=build-x REPEAT=5 bench/translate.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench-translate}
repeat=${REPEAT:-3}

if [[ ! -x $build/translator_bench ]] || [[ -z ${NO_BUILD:-} ]]; then
    cmake -S "${SOURCE_DIR:-.}" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target translator_bench -j2 >/dev/null
fi
bench=$(find "$build" -name translator_bench -type f -perm -u+x | head -1)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
text=$work/english.txt
# 200 KB of English prose: the licence texts every Debian system carries,
# repeated, cut at a line end.
python3 - "$text" <<'PY'
import pathlib, sys
names = ["GPL-3", "Apache-2.0", "LGPL-3", "MPL-2.0", "Artistic", "GFDL-1.3", "GPL-2"]
parts = [pathlib.Path("/usr/share/common-licenses", n).read_text() for n in names]
out, size = [], 0
while size < 200 * 1024:
    for line in "".join(parts).splitlines(keepends=True):
        if size >= 200 * 1024:
            break
        out.append(line); size += len(line.encode())
pathlib.Path(sys.argv[1]).write_text("".join(out))
PY

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ms_of() {  # runs the command, prints its wall time in ms
    local start end
    start=$(date +%s%N); "$@" >/dev/null; end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

results=$work/results
: >"$results"
peer=()
for _ in $(seq "$repeat"); do
    # Alternate the two so that a noisy moment hurts both alike.
    peer+=("$(ms_of sh -c "apertium -u eng-spa < '$text' > '$work/peer.txt'")")
    QT_QPA_PLATFORM=offscreen "$bench" "$text" "$work/window.txt" >>"$results"
done
cmp -s "$work/peer.txt" "$work/window.txt" ||
    { echo "the window's translation differs from apertium's" >&2; exit 1; }
peer_ms=$(printf '%s\n' "${peer[@]}" | median)
value() { grep "^$1=" "$results" | cut -d= -f2 | median; }

echo "text: $(wc -c <"$text") bytes, $(wc -l <"$text") lines of English, English to Spanish"
awk -v w="$(value window_ms)" -v p="$peer_ms" -v s="$(value longest_stall_ms)" -v n="$repeat" 'BEGIN {
    printf "apertium -u eng-spa alone: %8.0f ms\n", p
    printf "translator window:         %8.0f ms   %.2fx apertium (target <= 1.2x)\n", w, w / (p > 0 ? p : 1)
    printf "longest stall of the window meanwhile: %.0f ms (medians of %d)\n", s, n
}'
