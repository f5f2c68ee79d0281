#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// An image list: equally sized images taken from one bitmap strip.
class ImageList {
public:
    explicit ImageList(int size = 16) : m_size(size) {}
    int size() const { return m_size; }
    int count() const { return m_icons.size(); }
    bool isEmpty() const { return m_icons.isEmpty(); }
    // The image at `index`, or an empty icon when there is none.
    QIcon icon(int index) const;
    void append(const QIcon& icon) { m_icons.append(icon); }
    void clear() { m_icons.clear(); }

private:
    int m_size;
    QList<QIcon> m_icons;
};

// LoadImageStrip: reads "<program folder>/Images/<fileName>", cuts it into
// images of the list's size and appends them, magenta (255, 0, 255)
// transparent. Any failure leaves the list unchanged and is not reported.
void LoadImageStrip(ImageList& list, const QString& fileName);

// The same from an explicit file path (used by LoadImageStrip and by tests).
void loadImageStripFile(ImageList& list, const QString& filePath);
