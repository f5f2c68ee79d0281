#include "FtpWindowDriver.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "FtpServerFixture.h"
#include "fmFTP.h"

namespace FtpWindowDriver {

bool trigger(QWidget& window, const char* name) {
    auto* action = window.findChild<QAction*>(name);
    if (!action || !action->isVisible()) {
        return false;
    }
    bool inMenuOrExtension = false;
    for (QObject* object : action->associatedObjects()) {
        auto* button = qobject_cast<QToolButton*>(object);
        if (auto* bar = qobject_cast<QToolBar*>(object)) {
            button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            // Behind the extension button of a bar too narrow for it.
            inMenuOrExtension = inMenuOrExtension || (bar->isVisible() && bar->isEnabled() &&
                                                      !(button && button->isVisible()));
        }
        if (button && button->isVisible() && window.isAncestorOf(button)) {
            if (!button->isEnabled()) {
                return false;
            }
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
        // A menu of the window, or the extension's menu of a bar (disabled with it).
        auto* menu = qobject_cast<QMenu*>(object);
        inMenuOrExtension = inMenuOrExtension || (menu && menu->isEnabled());
    }
    if (!inMenuOrExtension || !action->isEnabled()) {
        return false;
    }
    action->trigger();
    return true;
}

bool chooseFromContextMenu(QAbstractItemView* view, const QPoint& position, const QString& text) {
    bool chosen = false;
    // The menu runs its own event loop; the entry is picked from inside it.
    auto* poll = new QTimer(view);
    QObject::connect(poll, &QTimer::timeout, view, [&chosen, poll, text] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        poll->stop();
        for (QAction* entry : menu->actions()) {
            if (entry->text() == text && entry->isEnabled() && entry->isVisible()) {
                menu->setActiveAction(entry);
                chosen = true;
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    });
    poll->start(10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                            view->viewport()->mapToGlobal(position));
    QApplication::sendEvent(view->viewport(), &event);
    delete poll;
    return chosen;
}

void doubleClick(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->scrollToItem(item);
    const QPoint center = tree->visualItemRect(item).center();
    // What a double click sends: press, release, double click, release.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, center);
}

void logIn(TFTPfrm& window, const FtpServerFixture& server, const QString& startFolder) {
    const auto field = [&](const char* name) { return window.findChild<QLineEdit*>(name); };
    field("edtServer")->setText("127.0.0.1");
    field("edtPort")->setText(QString::number(server.port()));
    field("edtUser")->setText(server.user());
    field("edtPassword")->setText(server.password());
    field("edtStartDir")->setText(startFolder);
    field("edtTimeO")->setText("10");
    window.findChild<QCheckBox*>("cbPassiveMode")->setChecked(true);
    QVERIFY2(trigger(window, "btnLogin"), "no Login button to click");
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

bool openRemote(TFTPfrm& window, const QStringList& texts) {
    QTreeWidgetItem* item = remoteNode(window, texts);
    if (item) {
        doubleClick(window.findChild<QTreeWidget*>("tvList"), item);
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
