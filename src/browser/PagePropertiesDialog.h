#pragma once

#include <QDialog>
#include <QList>
#include <QPair>

// "Page Properties": what the engine knows of the loaded page (title,
// address, protocol, type, connection, encoding, size and dates), one line
// each, selectable for copying.
class PagePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    PagePropertiesDialog(const QList<QPair<QString, QString>>& lines, QWidget* parent = nullptr);
};
