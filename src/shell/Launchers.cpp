#include "Launchers.h"

#include <QGuiApplication>
#include <QMenu>
#include <QSysInfo>
#include <QToolButton>
#include <QUrl>

#include "DesktopApplications.h"
#include "DesktopStandIns.h"
#include "ImageStrip.h"
#include "MailClients.h"
#include "Prompts.h"
#include "Registry.h"
#include "ServiceAddress.h"
#include "ShellLauncher.h"
#include "ToolHost.h"

Launchers::Launchers(ToolHost& host, ShellLauncher& shell, std::function<bool()> isConnected,
                     std::function<void()> showForm, QObject* parent)
    : QObject(parent),
      m_host(host),
      m_shell(shell),
      m_isConnected(std::move(isConnected)),
      m_showForm(std::move(showForm)) {}

void Launchers::setUpMailButton(QToolButton* button, const ImageList& menuImages) {
    m_mailButton = button;
    auto* menu = new QMenu(button);
    for (const MailClients::Client& client : MailClients::kClients) {
        const QString value = QLatin1String(client.value);
        // Choosing only changes the selection: nothing starts, nothing is ticked.
        connect(menu->addAction(QLatin1String(client.caption)), &QAction::triggered, this,
                [this, value] { m_mailClient = value; });
    }
    button->setMenu(menu);
    button->setIcon(menuImages.icon(4));
    connect(button, &QToolButton::clicked, this, &Launchers::DoMailCheck);
}

void Launchers::DoMailCheck() {
    ignoringStoreFailures([this] {
        Registry registry;
        if (!registry.openKey(QLatin1String(kUnreadMailKey), false))
            return;
        std::optional<QString> hint = MailClients::unreadMailHint(registry.getKeyNames());
        if (hint && m_mailButton)
            m_mailButton->setToolTip(*hint);
    });
    const MailClients::Client* client = MailClients::find(m_mailClient);
    if (!client) {
        m_host.prompts().message(Prompts::Kind::Information, QString(),
                                 QLatin1String(MailClients::kChooseFirst), Prompts::Ok);
        return;
    }
    if (client->webMailService) {
        m_host.browseUrl(MailClients::webMailAddress(*client));
        m_showForm();
        return;
    }
    startStandIn(MailClients::programStandIn(*client));
}

void Launchers::openAddress(const QString& address) {
    m_shell.openAddress(address);
}

void Launchers::startStandIn(const StandIn& standIn) {
    const std::optional<QStringList> command =
        standInCommand(standIn, DesktopApplications::fromEnvironment());
    if (command)
        m_shell.start(*command);
}

void Launchers::fillWindowsTools(QMenu* menu) {
    for (const WindowsTool& tool : windowsTools()) {
        if (!*tool.caption) {
            menu->addSeparator();
            continue;
        }
        const StandIn standIn = tool.standIn;
        connect(menu->addAction(QLatin1String(tool.caption)), &QAction::triggered, this,
                [this, standIn] { startStandIn(standIn); });
    }
}

void Launchers::TBXCheckIntClick() {
    if (m_isConnected()) {
        m_host.prompts().message(Prompts::Kind::Plain, QString(),
                                 QStringLiteral("You are connected to the internet.     "),
                                 Prompts::Ok);
    } else {
        m_host.prompts().message(
            Prompts::Kind::Warning, QString(),
            QStringLiteral("It looks like you are not connected to the internet!"),
            Prompts::Ok | Prompts::Cancel);
    }
}

QString Launchers::systemSummary() {
    QString desktop =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").replace(u':', QStringLiteral(", "));
    if (desktop.isEmpty())
        desktop = qEnvironmentVariable("DESKTOP_SESSION");
    if (desktop.isEmpty())
        desktop = QStringLiteral("none named");
    QString session = qEnvironmentVariable("XDG_SESSION_TYPE");
    if (session.isEmpty())
        session = QGuiApplication::platformName();
    QString kernel = QSysInfo::kernelType();  // "linux"
    if (!kernel.isEmpty())
        kernel[0] = kernel[0].toUpper();
    return QStringLiteral("%1\nKernel: %2 %3 (%4)\nDesktop: %5 (%6)")
        .arg(QSysInfo::prettyProductName(), kernel, QSysInfo::kernelVersion(),
             QSysInfo::currentCpuArchitecture(), desktop, session);
}

void Launchers::TBXAboutWinClick() {
    m_host.prompts().message(Prompts::Kind::Information,
                             QStringLiteral("About ") + QSysInfo::prettyProductName(),
                             systemSummary(), Prompts::Ok);
}

void Launchers::TBXWebSiteClick() {
    m_host.browseUrl(ServiceAddress::get(QLatin1String(kDeveloperSiteName),
                                         QLatin1String(kDeveloperSiteDefault)));
}

void Launchers::DoGoHome() {
    m_host.browseUrl(ServiceAddress::projectSite());
}

void Launchers::DoGoClever() {
    m_host.browseUrl(ServiceAddress::get(QLatin1String(ServiceAddress::kComponentsSiteName),
                                         QLatin1String(ServiceAddress::kComponentsSiteDefault)));
}

void Launchers::DoMailMe() {
    const QString greeting = QStringLiteral("Hello from a Corvanta user!");
    m_shell.openAddress(QStringLiteral("mailto:") +
                        QLatin1String(ServiceAddress::kMakerMailAddress) +
                        QStringLiteral("?Subject=Corvanta&body=") +
                        QString::fromLatin1(QUrl::toPercentEncoding(greeting)));
}
