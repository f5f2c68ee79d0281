#include "FtpWindowDriver.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "FtpServerFixture.h"
#include "fmFTP.h"

namespace FtpWindowDriver {

void logIn(TFTPfrm& window, const FtpServerFixture& server, const QString& startFolder) {
    const auto field = [&](const char* name) { return window.findChild<QLineEdit*>(name); };
    field("edtServer")->setText("127.0.0.1");
    field("edtPort")->setText(QString::number(server.port()));
    field("edtUser")->setText(server.user());
    field("edtPassword")->setText(server.password());
    field("edtStartDir")->setText(startFolder);
    field("edtTimeO")->setText("10");
    window.findChild<QCheckBox*>("cbPassiveMode")->setChecked(true);
    window.DoLogIn();
}

QTreeWidgetItem* remoteNode(TFTPfrm& window, const QStringList& texts) {
    auto* tree = window.findChild<QTreeWidget*>("tvList");
    QTreeWidgetItem* current = nullptr;
    for (const QString& text : texts) {
        QTreeWidgetItem* found = nullptr;
        const int count = current ? current->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem* item = current ? current->child(i) : tree->topLevelItem(i);
            if (item->text(0) == text) {
                found = item;
            }
        }
        if (!found) {
            return nullptr;
        }
        current = found;
    }
    return current;
}

bool selectRemote(TFTPfrm& window, const QStringList& texts) {
    QTreeWidgetItem* item = remoteNode(window, texts);
    if (item) {
        window.findChild<QTreeWidget*>("tvList")->setCurrentItem(item);
    }
    return item;
}

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace FtpWindowDriver
