#pragma once

#include "ImageStrip.h"

// The images of the FTP window's strip (Ftp.bmp), in the strip's order
// (tools/images/Ftp.sh draws them).
enum class FtpImage {
    Site,
    Detail,
    On,
    Off,
    File,
    Folder,
    FolderOpen,
    WebPage,
    Archive,
    Picture,
    Sound,
    Text,
    Xml,
    Connected,
    Disconnected,
    Error,
    Download,
    Upload,
};

inline QIcon ftpIcon(const ImageList& images, FtpImage image) {
    return images.icon(int(image));
}
