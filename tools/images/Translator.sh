#!/usr/bin/env bash
# The Net Translator's strip, Translator.bmp (16 px). Indexes are fixed by the
# window: 0 close, 1 save, 2 translate text, 3 busy (status bar), 4 translate a
# web page, 5 cut, 6 copy, 7 paste, 8 delete, 9 select all, 10 move to retranslate.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/strip.sh" "$here/../../resources/Images/Translator.bmp" 16 \
    actions/system-log-out actions/document-save apps/preferences-desktop-locale \
    status/image-loading apps/internet-web-browser actions/edit-cut actions/edit-copy \
    actions/edit-paste actions/edit-clear actions/edit-select-all actions/go-up
