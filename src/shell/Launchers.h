#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QMenu;
class QToolButton;
class ShellLauncher;
class ImageList;
class ToolHost;
struct StandIn;

// What the frame starts outside the program, and its web-page items: the
// "mail" split button with the mail-client selection, "Windows Tools" (their
// stand-ins on this desktop), "About Windows" (a summary of this system),
// "Check internet connection status", the three web pages of the "Help" menu
// and the developer's mail address.
//
// UI thread only.
class Launchers : public QObject {
    Q_OBJECT
public:
    // The settings key under which the accounts with unread mail are kept,
    // one sub-key per account.
    static constexpr const char* kUnreadMailKey =
        "\\Software\\Microsoft\\Windows\\CurrentVersion\\UnreadMail";
    // The developer's own web site ("Visit the developor web site"), apart from
    // the project's page on its hosting site ("Home", the project page item);
    // a service address the store can override, as every other.
    static constexpr const char* kDeveloperSiteName = "DeveloperSite";
    static constexpr const char* kDeveloperSiteDefault = "https://corvanta.net/";

    // `showForm` brings the program back from the tray (DoShowForm).
    Launchers(ToolHost& host, ShellLauncher& shell, std::function<bool()> isConnected,
              std::function<void()> showForm, QObject* parent = nullptr);

    // The program-wide mail-client selection ("OutlookExpress", ..., or empty).
    QString mailClient() const { return m_mailClient; }
    void setMailClient(const QString& selection) { m_mailClient = selection; }

    // Gives the "mail" split button its drop-down of mail clients and its click.
    void setUpMailButton(QToolButton* button, const ImageList& menuImages);
    QToolButton* mailButton() const { return m_mailButton; }
    // Fills the "Windows Tools" submenu.
    void fillWindowsTools(QMenu* menu);

    void DoMailCheck();
    void TBXCheckIntClick();
    void TBXAboutWinClick();
    void TBXWebSiteClick();
    void DoGoHome();
    void DoGoClever();
    void DoMailMe();

    // The text of "About Windows": distribution, kernel and desktop.
    static QString systemSummary();

    // Starts the program that stands in on this desktop; one that is not
    // installed simply does not start.
    void startStandIn(const StandIn& standIn);
    // Hands an address to the desktop; failures are not reported.
    void openAddress(const QString& address);

private:
    ToolHost& m_host;
    ShellLauncher& m_shell;
    std::function<bool()> m_isConnected;
    std::function<void()> m_showForm;
    QString m_mailClient;
    QToolButton* m_mailButton = nullptr;
};
