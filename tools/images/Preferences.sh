#!/usr/bin/env bash
# The browser preferences' tree images, Preferences.bmp (32 px). A node's
# image index is the index of the page it shows: 0 home page, 1 mail,
# 2 history, 3 popup blocker.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/strip.sh" "$here/../../resources/Images/Preferences.bmp" 32 \
    actions/go-home apps/internet-mail apps/office-calendar status/dialog-warning
