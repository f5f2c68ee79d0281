#!/usr/bin/env bash
# The Web Browser's strip Browser.bmp (toolbars, status bar, search engines,
# trees; 16 px). Several indexes are fixed by the window's items (3 and 55 for
# the page's security, 23 the popup blocker, 27-33 the search engines, 36, 38,
# 46, 47, 52 and 56-63 for the side panel and the document views).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
images=$here/../../resources/Images
"$here/strip.sh" "$images/Browser.bmp" 16 \
    actions/go-previous actions/go-next actions/view-refresh apps/internet-web-browser \
    actions/process-stop actions/go-home categories/preferences-system apps/help-browser \
    actions/go-jump actions/system-search actions/window-new actions/document-open \
    actions/edit-find actions/document-print actions/document-save-as actions/system-log-out \
    actions/view-fullscreen emblems/emblem-favorite actions/bookmark-new actions/mail-message-new \
    actions/edit-copy actions/edit-select-all actions/document-properties status/dialog-warning \
    actions/list-add actions/list-remove places/folder categories/applications-internet \
    places/network-workgroup apps/internet-news-reader places/start-here actions/edit-find \
    emotes/face-smile categories/applications-office places/user-home places/user-desktop \
    apps/office-calendar places/folder-remote actions/bookmark-new actions/go-up \
    actions/folder-new actions/edit-delete apps/preferences-desktop-font \
    apps/preferences-desktop-font devices/computer places/network-server mimetypes/ascii \
    actions/edit-delete devices/network-wired status/network-offline actions/mail-forward \
    actions/edit-clear mimetypes/text-html apps/accessories-text-editor \
    actions/document-print-preview actions/system-lock-screen mimetypes/text-x-generic \
    actions/mail-send-receive actions/document-open mimetypes/x-office-document \
    emblems/emblem-unreadable actions/edit-select-all status/dialog-information actions/go-down
