#!/usr/bin/env bash
# The FTP window's strip, Ftp.bmp (16 px). Indexes are fixed by the window
# (FtpImage in src/ftp/FtpImages.h): site, detail, on, off, file, closed folder,
# open folder, web page, archive, picture, sound, text, XML, connected,
# disconnected, error, download, upload.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
images=$here/../../resources/Images
"$here/strip.sh" "$images/Ftp.bmp" 16 \
    places/network-server actions/document-properties actions/media-playback-start \
    actions/process-stop mimetypes/empty places/folder status/folder-open mimetypes/text-html \
    mimetypes/package-x-generic mimetypes/image-x-generic mimetypes/audio-x-generic \
    mimetypes/text-x-generic mimetypes/text-x-script status/connect_established \
    status/connect_no status/dialog-error actions/go-down actions/go-up
