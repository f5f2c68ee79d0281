#include <QtTest>

#include <QAccessible>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "MenuAccessibility.h"

namespace {

// A menu as the tool windows build theirs: an item with a shortcut, a
// disabled one, a separator and a submenu.
QMenu* fileMenu(QWidget* parent) {
    auto* menu = new QMenu(QStringLiteral("File"), parent);
    menu->addAction(QStringLiteral("&Open..."))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    menu->addAction(QStringLiteral("Print Preview"))->setEnabled(false);
    menu->addSeparator();
    menu->addMenu(QStringLiteral("Recent Files"))->addAction(QStringLiteral("notes.txt"));
    return menu;
}

QAccessibleInterface* childNamed(QAccessibleInterface* parent, const QString& name) {
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (child && child->text(QAccessible::Name) == name)
            return child;
    }
    return nullptr;
}

QList<QObject*> applicationChildren() {
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    QList<QObject*> children;
    for (int i = 0; i < application->childCount(); ++i) {
        QAccessibleInterface* child = application->child(i);
        children.append(child ? child->object() : nullptr);
    }
    return children;
}

}  // namespace

class MenuAccessibilityTests : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installMenuAccessibility(); }

    void toolButtonMenuIsTheButtonsChild_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("throughAction");
        QTest::addColumn<int>("role");
        QTest::newRow("instant") << int(QToolButton::InstantPopup) << false
                                 << int(QAccessible::ButtonMenu);
        QTest::newRow("delayed") << int(QToolButton::DelayedPopup) << false
                                 << int(QAccessible::ButtonDropDown);
        QTest::newRow("split") << int(QToolButton::MenuButtonPopup) << false
                               << int(QAccessible::ButtonMenu);
        QTest::newRow("default action's menu")
            << int(QToolButton::InstantPopup) << true << int(QAccessible::ButtonMenu);
    }

    void toolButtonMenuIsTheButtonsChild() {
        QFETCH(int, mode);
        QFETCH(bool, throughAction);
        QFETCH(int, role);
        QMainWindow window;
        QToolBar* bar = window.addToolBar(QStringLiteral("Main"));
        QMenu* menu = fileMenu(&window);
        auto* button = new QToolButton;
        if (throughAction) {
            auto* action = new QAction(QStringLiteral("&File"), &window);
            action->setMenu(menu);
            button->setDefaultAction(action);
        } else {
            button->setText(QStringLiteral("&File"));
            button->setMenu(menu);
        }
        button->setPopupMode(QToolButton::ToolButtonPopupMode(mode));
        bar->addWidget(button);
        window.show();

        QAccessibleInterface* opener = QAccessible::queryAccessibleInterface(button);
        QCOMPARE(int(opener->role()), role);
        QCOMPARE(opener->text(QAccessible::Name), QStringLiteral("File"));
        QVERIFY(opener->state().hasPopup);
        QCOMPARE(opener->childCount(), 1);
        QAccessibleInterface* list = opener->child(0);
        QVERIFY(list);
        QCOMPARE(list->object(), menu);
        QCOMPARE(opener->indexOfChild(list), 0);
        QVERIFY(childNamed(QAccessible::queryAccessibleInterface(bar), QStringLiteral("File")));

        QAccessibleInterface* open = childNamed(list, QStringLiteral("Open..."));
        QVERIFY(open);
        QCOMPARE(open->text(QAccessible::Accelerator), QStringLiteral("Ctrl+O"));
        QVERIFY(!open->state().disabled);
        QAccessibleInterface* preview = childNamed(list, QStringLiteral("Print Preview"));
        QVERIFY(preview);
        QVERIFY(preview->state().disabled);
        // A submenu's item holds the submenu, as a menu bar's title does.
        QAccessibleInterface* recent = childNamed(list, QStringLiteral("Recent Files"));
        QVERIFY(recent);
        QCOMPARE(recent->childCount(), 1);
        QVERIFY(childNamed(recent->child(0), QStringLiteral("notes.txt")));
        // Reached under its button, so not listed again among open windows.
        menu->popup(window.geometry().center());
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QVERIFY(!applicationChildren().contains(menu));
        menu->hide();
    }

    void buttonsWithoutMenuKeepTheirDescription() {
        QToolBar bar;
        QAction* plain = bar.addAction(QStringLiteral("Re&load"));
        plain->setShortcut(QKeySequence(QStringLiteral("F5")));
        QAction* task = bar.addAction(QStringLiteral("Editor"));
        task->setCheckable(true);
        task->setChecked(true);
        bar.show();

        QAccessibleInterface* reload =
            QAccessible::queryAccessibleInterface(bar.widgetForAction(plain));
        QCOMPARE(reload->role(), QAccessible::PushButton);
        QCOMPARE(reload->text(QAccessible::Name), QStringLiteral("Reload"));
        QCOMPARE(reload->text(QAccessible::Accelerator), QStringLiteral("F5"));
        QCOMPARE(reload->childCount(), 0);
        QVERIFY(reload->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        QAccessibleInterface* editor =
            QAccessible::queryAccessibleInterface(bar.widgetForAction(task));
        QCOMPARE(editor->role(), QAccessible::CheckBox);
        QVERIFY(editor->state().checked);
    }

    void anOpenContextMenuIsAmongTheApplicationsWindows() {
        QMainWindow window;
        QMenu* barMenu = fileMenu(&window);
        window.menuBar()->addMenu(barMenu);
        QMenu context(&window);
        context.addAction(QStringLiteral("Close The Window"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!applicationChildren().contains(&context));

        context.popup(window.geometry().center());
        QVERIFY(QTest::qWaitForWindowExposed(&context));
        const QList<QObject*> windows = applicationChildren();
        QCOMPARE(windows.count(&context), 1);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&context);
        QCOMPARE(QAccessible::queryAccessibleInterface(qApp)->indexOfChild(list),
                 windows.indexOf(&context));
        QVERIFY(childNamed(list, QStringLiteral("Close The Window")));
        // A menu bar's menu has its place under its title, open or not.
        barMenu->popup(window.geometry().center());
        QVERIFY(QTest::qWaitForWindowExposed(barMenu));
        QVERIFY(!applicationChildren().contains(barMenu));

        barMenu->hide();
        context.hide();
        QVERIFY(!applicationChildren().contains(&context));
    }
};

QTEST_MAIN(MenuAccessibilityTests)
#include "tst_menu_accessibility.moc"
