#include "QuickConnectBar.h"

#include <QLabel>
#include <QLineEdit>

QuickConnectBar::QuickConnectBar(QAction* connectAction, QAction* addToFavorites, QWidget* parent)
    : QToolBar("Quick Connect Toolbar", parent) {
    setObjectName("tbQuickConnect");
    auto field = [this](const char* name, const QString& label, int width) {
        auto* caption = new QLabel(label);
        addWidget(caption);
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setAccessibleName(label.trimmed());
        edit->setFixedWidth(width);
        caption->setBuddy(edit);
        addWidget(edit);
        return edit;
    };
    TBXedtServer = field("TBXedtServer", " Server:", 160);
    TBXedtUser = field("TBXedtUser", "   User:", 100);
    TBXedtPassword = field("TBXedtPassword", "   Password", 100);
    TBXedtPassword->setEchoMode(QLineEdit::Password);
    TBXedtPort = field("TBXedtPort", "   Port:", 50);
    TBXedtPort->setText("21");
    addAction(connectAction);
    addAction(addToFavorites);
}
