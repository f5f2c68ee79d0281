#!/usr/bin/env bash
# Builds the bookmark file readers' fuzz target with clang and runs it for a
# bounded time (default 60 s): tests/fuzz/bookmark_parsers.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
out=$(mktemp -d /tmp/corvanta-fuzz-bookmarks-XXXXXX)
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -I src/browser $(pkg-config --cflags Qt6Core) \
    tests/fuzz/bookmark_parsers.cpp src/browser/BookmarkFile.cpp \
    $(pkg-config --libs Qt6Core) -o "$out/bookmark_parsers"
mkdir -p "$out/corpus"
printf '<DL><P>\n<DT><H3>F</H3>\n<DL><P>\n<DT><A HREF="http://a/">A</A>\n</DL><P>\n</DL><P>\n' \
    >"$out/corpus/lines"
printf '<DL><p><DT><H3 ADD_DATE="1">F &amp; G</H3><DL><p><DT><A HREF="https://b/" ICON="x>y">B&#47;</A></DL><p>' \
    >"$out/corpus/netscape"
"$out/bookmark_parsers" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
rm -rf "$out"
