#include "MenuAccessibility.h"

#include <QAccessible>
#include <QAccessibleApplication>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

namespace {

// "&&" is a written ampersand; a single one marks the mnemonic.
QString withoutMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                plain += text[++i];
            continue;
        }
        plain += text[i];
    }
    return plain;
}

// The menu a tool button drops down: its own, else its default action's.
QMenu* dropDownMenu(const QToolButton* button) {
    if (QMenu* menu = button->menu())
        return menu;
    const QAction* action = button->defaultAction();
    return action ? action->menu() : nullptr;
}

// A tool button as the toolkit describes it, except that its menu is its
// child in every pop-up mode; the toolkit's own interface cannot be extended.
class AccessibleToolButton : public QAccessibleWidget {
public:
    explicit AccessibleToolButton(QToolButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
    QMenu* menu() const { return dropDownMenu(button()); }

    QAccessible::Role role() const override {
        if (!menu())
            return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::PushButton;
        return button()->popupMode() == QToolButton::DelayedPopup ? QAccessible::ButtonDropDown
                                                                  : QAccessible::ButtonMenu;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = button()->isCheckable();
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        state.hasPopup = menu() != nullptr;
        state.hotTracked = button()->autoRaise() && button()->underMouse();
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        QString text;
        switch (kind) {
            case QAccessible::Name:
                text = button()->accessibleName();
                if (text.isEmpty())
                    text = withoutMnemonic(button()->text());
                break;
            case QAccessible::Accelerator:
                if (const QAction* action = button()->defaultAction())
                    text = action->shortcut().toString(QKeySequence::NativeText);
                if (text.isEmpty()) {
                    text =
                        QKeySequence::mnemonic(button()->text()).toString(QKeySequence::NativeText);
                }
                break;
            default:
                break;
        }
        return text.isEmpty() ? QAccessibleWidget::text(kind) : text;
    }

    int childCount() const override { return menu() ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        return index == 0 && menu() ? QAccessible::queryAccessibleInterface(menu()) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return menu() && child && child->object() == menu() ? 0 : -1;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (button()->isEnabled()) {
            if (menu())
                names << showMenuAction();
            if (!menu() || button()->popupMode() != QToolButton::InstantPopup)
                names << (button()->isCheckable() ? toggleAction() : pressAction());
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (!button()->isEnabled())
            return;
        if (name == showMenuAction()) {
            // Queued: the menu runs a loop of its own, and the assistive
            // technology waits for this call to return.
            QMetaObject::invokeMethod(button(), &QToolButton::showMenu, Qt::QueuedConnection);
        } else if (name == pressAction() || name == toggleAction()) {
            button()->animateClick();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

// Whether the menu already has a place in the tree: under a menu bar, a
// menu or a tool button.
bool hasAccessibleOwner(QMenu* menu) {
    for (QObject* owner : menu->menuAction()->associatedObjects()) {
        if (qobject_cast<QMenu*>(owner) || qobject_cast<QMenuBar*>(owner))
            return true;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        for (const QToolButton* button : window->findChildren<QToolButton*>()) {
            if (dropDownMenu(button) == menu)
                return true;
        }
    }
    return false;
}

// The application with its open context menus among its windows.
class AccessibleApplication : public QAccessibleApplication {
public:
    int childCount() const override {
        return QAccessibleApplication::childCount() + int(openContextMenus().size());
    }

    QAccessibleInterface* child(int index) const override {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QMenu*> menus = openContextMenus();
        return index - windows < menus.size()
                   ? QAccessible::queryAccessibleInterface(menus[index - windows])
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const int index = QAccessibleApplication::indexOfChild(child);
        if (index >= 0 || !child)
            return index;
        const int menu = int(openContextMenus().indexOf(qobject_cast<QMenu*>(child->object())));
        return menu < 0 ? -1 : QAccessibleApplication::childCount() + menu;
    }

private:
    static QList<QMenu*> openContextMenus() {
        QList<QMenu*> menus;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* menu = qobject_cast<QMenu*>(window);
            if (menu && menu->isVisible() && !hasAccessibleOwner(menu))
                menus.append(menu);
        }
        return menus;
    }
};

QAccessibleInterface* menuAccessibility(const QString& className, QObject* object) {
    if (className == QLatin1String("QToolButton"))
        return new AccessibleToolButton(static_cast<QToolButton*>(object));
    if (object == qApp)
        return new AccessibleApplication;
    return nullptr;
}

}  // namespace

void installMenuAccessibility() {
    QAccessible::installFactory(menuAccessibility);
}
