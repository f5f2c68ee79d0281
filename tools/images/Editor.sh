#!/usr/bin/env bash
# The Editor's strip Editor.bmp (16 px): menu and toolbar images in the order
# the window's Image enumeration names them (New ... Insert Time and Date).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/strip.sh" "$here/../../resources/Images/Editor.bmp" 16 \
    actions/document-new actions/document-open actions/document-save actions/document-save-as \
    actions/document-print actions/system-log-out actions/edit-undo actions/edit-redo \
    actions/edit-cut actions/edit-copy actions/edit-paste actions/edit-delete actions/edit-find \
    actions/go-next actions/go-previous actions/edit-find-replace actions/edit-select-all \
    actions/edit-clear apps/preferences-desktop-font apps/preferences-desktop-wallpaper \
    apps/office-calendar
