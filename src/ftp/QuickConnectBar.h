#pragma once

#include <QToolBar>

class QLineEdit;

// The "Quick Connect Toolbar": server, user, password and port of a site not
// (yet) among the favorites, with "Connect" and "Add Quick Connect Site To
// Favorites". Hidden when the window opens.
class QuickConnectBar : public QToolBar {
    Q_OBJECT
public:
    QuickConnectBar(QAction* connectAction, QAction* addToFavorites, QWidget* parent = nullptr);

    QLineEdit* TBXedtServer = nullptr;
    QLineEdit* TBXedtUser = nullptr;
    QLineEdit* TBXedtPassword = nullptr;
    QLineEdit* TBXedtPort = nullptr;
};
