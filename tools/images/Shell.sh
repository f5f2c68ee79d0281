#!/usr/bin/env bash
# The frame's strips: Toolbar.bmp (menus, tool toolbar, popup menus, 24 px),
# TaskBar.bmp (task-bar buttons by kind, 16 px) and Tray.bmp (four frames of
# the tray animation, 16 px). Image indexes are fixed by the menus that use them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
images=$here/../../resources/Images
"$here/strip.sh" "$images/Toolbar.bmp" 24 \
    actions/system-log-out places/gnome-fs-ftp actions/go-bottom apps/internet-web-browser \
    apps/internet-mail apps/preferences-desktop-theme apps/system-software-update \
    apps/help-browser apps/accessories-text-editor actions/view-refresh actions/document-open \
    actions/document-save actions/edit-find actions/view-fullscreen actions/process-stop \
    apps/utilities-system-monitor apps/preferences-desktop-locale actions/go-up \
    actions/window-new actions/edit-delete apps/utilities-terminal status/network-idle
"$here/strip.sh" "$images/TaskBar.bmp" 16 \
    actions/go-bottom apps/accessories-text-editor apps/utilities-system-monitor \
    apps/preferences-desktop-locale apps/internet-web-browser places/gnome-fs-ftp
"$here/strip.sh" "$images/Tray.bmp" 16 \
    status/network-idle status/network-receive status/network-transmit-receive \
    status/network-transmit
