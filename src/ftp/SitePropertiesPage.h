#pragma once

#include <QScrollArea>

#include "FavoriteSites.h"

class QAction;
class QCheckBox;
class QLineEdit;

// The "Site Properties" page: one site's connection details as the user typed
// them. The session logs in with them, the favorites are written from them and
// new transfer items take their user name and password. It scrolls when the
// window is too low for all its fields.
class SitePropertiesPage : public QScrollArea {
    Q_OBJECT
public:
    // `buttons` (the window's "Login" and "Logout") are shown under the fields.
    explicit SitePropertiesPage(const QList<QAction*>& buttons, QWidget* parent = nullptr);

    TFavoriteSite site() const;
    // Every field from `site`; the start folder only when `withStartFolder`.
    void showSite(const TFavoriteSite& site, bool withStartFolder);
    // TBXClearTextClick: empties host, user, password, start folder and
    // description; port, time-out and the check boxes keep their values.
    void clearText();

    QLineEdit* edtServer = nullptr;
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword = nullptr;
    QLineEdit* edtDesc = nullptr;
    QLineEdit* edtStartDir = nullptr;
    QLineEdit* edtPort = nullptr;
    QLineEdit* edtTimeO = nullptr;
    QCheckBox* cbPassiveMode = nullptr;
    QCheckBox* cbAsciiMode = nullptr;
    QCheckBox* cbAnonymous = nullptr;
};
