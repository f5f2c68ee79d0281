#!/usr/bin/env bash
# Builds the transfer parsers' fuzz target with clang and runs it for a
# bounded time (default 60 s): tests/fuzz/transfer_parsers.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
out=$(mktemp -d /tmp/corvanta-fuzz-transfer-XXXXXX)
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -I src/transfer $(pkg-config --cflags Qt6Core) \
    tests/fuzz/transfer_parsers.cpp src/transfer/LocalFileName.cpp \
    $(pkg-config --libs Qt6Core) -o "$out/transfer_parsers"
mkdir -p "$out/corpus"
printf 'bytes 0-99/100' >"$out/corpus/range"
printf 'attachment; filename="a.txt"; filename*=UTF-8'"''"'%%C3%%A4.txt' >"$out/corpus/disposition"
printf 'http://host/dir/../file%%2e.zip?x=1' >"$out/corpus/url"
"$out/transfer_parsers" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
rm -rf "$out"
