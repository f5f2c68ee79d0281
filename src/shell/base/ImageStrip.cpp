#include "ImageStrip.h"

#include <QBitmap>
#include <QImage>
#include <QPixmap>

#include "Paths.h"

QIcon ImageList::icon(int index) const {
    if (index < 0 || index >= m_icons.size()) {
        return QIcon();
    }
    return m_icons.at(index);
}

void loadImageStripFile(ImageList& list, const QString& filePath) {
    QImage strip;
    if (!strip.load(filePath) || strip.height() <= 0) {
        return;  // a missing or unreadable strip leaves the list as it was
    }
    const int size = list.size();
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb magenta = qRgb(255, 0, 255);
    for (int y = 0; y < strip.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == (magenta & 0x00FFFFFF)) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    const int height = strip.height();
    for (int x = 0; x + height <= strip.width(); x += height) {
        QImage image = strip.copy(x, 0, height, height);
        if (height != size) {
            image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        list.append(QIcon(QPixmap::fromImage(image)));
    }
}

void LoadImageStrip(ImageList& list, const QString& fileName) {
    loadImageStripFile(list, Paths::imagesFolder() + "/" + fileName);
}
