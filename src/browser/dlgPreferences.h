#pragma once

#include <QDialog>
#include <functional>

#include "ImageStrip.h"

class QAction;
class QButtonGroup;
class QLineEdit;
class QStackedWidget;
class QTreeWidget;
class ToolHost;

// The browser preferences dialog, "Corvanta - Browser Preferences": a tree
// of pages on the left (home page, mail, history, popup blocker) and the
// chosen page on the right. It reads "StartPage" and "MailClient" when it is
// made and writes both back whenever it closes.
//
// UI thread only.
class TPref : public QDialog {
    Q_OBJECT
public:
    enum PageIndex { TabHome = 0, TabMail = 1, TabHistory = 2, TabBlocker = 3 };

    struct Window {
        // The address shown in the browser window that opened the dialog
        // ("Use Current").
        QString currentAddress;
        // Its "Popup Blocker" item, which the blocker page switches.
        QAction* blocker = nullptr;
        // Its search list, which "Clear Corvanta Search History" empties with
        // the stored one.
        std::function<void()> forgetSearches;
    };

    TPref(ToolHost& host, Window window, QWidget* parent = nullptr);

    // Chooses a node of the tree: the page whose index is the node's image.
    void chooseNode(int image);
    // The home-page choices: 0 "Use Blank", 1 "Use IE Home Page", 2 "Use Current".
    void RGHomeClick(int item);

    int currentPage() const;
    QLineEdit* homePageField() const { return ledtUrl; }
    QString mailClientText() const { return m_mailClient; }

    void btnMpHstClick();
    void btnMpSrchClick();
    void btnClsIEHistClick();
    void btnIECacheClick();

    // Closing is always allowed; the values are written on the way.
    void done(int result) override;

private:
    QWidget* buildHomePage();
    QWidget* buildMailPage();
    QWidget* buildHistoryPage();
    QWidget* buildBlockerPage();
    // Runs a clearing operation; a failure shows the application's error box.
    void guarded(const std::function<void()>& work);

    ToolHost& m_host;
    Window m_window;
    ImageList m_images{32};
    QTreeWidget* TVPref = nullptr;
    QStackedWidget* m_pages = nullptr;
    QButtonGroup* RGHome = nullptr;
    QButtonGroup* m_mailGroup = nullptr;
    QLineEdit* ledtUrl = nullptr;
    QString m_mailClient;  // the dialog's copy of the stored selection
};
