#!/usr/bin/env bash
# The Web Site Grabber's strip, Grabber.bmp (16 px). Indexes are fixed by the
# window: 0 options, 1 grab, 2 stop, 3 save the log, 4 exit, 5 browse,
# 6 explore the folder, 7 busy (status bar), 8 stopped (status bar).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/strip.sh" "$here/../../resources/Images/Grabber.bmp" 16 \
    categories/preferences-system actions/go-down actions/process-stop actions/document-save-as \
    actions/system-log-out actions/document-open apps/system-file-manager status/image-loading \
    status/dialog-error
