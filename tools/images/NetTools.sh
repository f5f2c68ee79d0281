#!/usr/bin/env bash
# The Network Tools strip, NetTools.bmp (16 px). Indexes used by the window:
# 0 close, 1 stopped, 2 save, 3 freeze, 4 un freeze, 5 busy, 6 clear counters,
# 7 remove, 8 ping, 9 trace, 10 whois "Go".
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/strip.sh" "$here/../../resources/Images/NetTools.bmp" 16 \
    actions/system-log-out actions/process-stop actions/document-save actions/media-playback-pause \
    actions/media-playback-start actions/view-refresh actions/edit-clear actions/edit-delete \
    status/network-transmit-receive actions/go-jump apps/help-browser
