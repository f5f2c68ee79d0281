#pragma once

#include <QString>

#include "FtpImages.h"

class QLabel;
class QLineEdit;
class QStatusBar;

// The FTP window's three status panels: the connection status text with an
// icon (150 px), "Selected File:" or "Selected Folder:" (80 px), and the name
// of the selected remote entry in a read-only field (150 px).
class FtpStatusBar {
public:
    FtpStatusBar(QStatusBar* bar, const ImageList& images);

    QString text() const;
    void setText(const QString& text);
    void setIcon(FtpImage image);
    void showSelection(const QString& kind, const QString& name);

private:
    const ImageList& m_images;
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_kind = nullptr;
    QLineEdit* m_name = nullptr;
};
