#include "InternetOptionsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "BrowserHost.h"
#include "BrowserRules.h"
#include "BrowserSettings.h"
#include "EngineCacheIndex.h"
#include "TransferDisplay.h"

namespace {

QString yesNo(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString cookiesPolicy(QWebEngineProfile::PersistentCookiesPolicy policy) {
    switch (policy) {
        case QWebEngineProfile::NoPersistentCookies:
            return QStringLiteral("Kept until the program ends");
        case QWebEngineProfile::AllowPersistentCookies:
            return QStringLiteral("Kept as long as the sites ask");
        case QWebEngineProfile::ForcePersistentCookies:
            return QStringLiteral("Always kept");
    }
    return QString();
}

QGroupBox* section(const QString& title, const QList<QPair<QString, QString>>& lines) {
    auto* group = new QGroupBox(title);
    auto* form = new QFormLayout(group);
    for (const auto& [caption, text] : lines) {
        auto* value = new QLabel(text);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setWordWrap(true);
        auto* label = new QLabel(caption);
        label->setBuddy(value);
        form->addRow(label, value);
    }
    return group;
}

}  // namespace

InternetOptionsDialog::InternetOptionsDialog(const BrowserHost& browser, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("InternetOptionsDialog"));
    setWindowTitle(QStringLiteral("Internet Options"));
    const QWebEngineProfile* profile = BrowserHost::profile();
    const QWebEngineSettings* settings = browser.page()->settings();

    QString startPage = BrowserPreferences::read().startPage;
    if (startPage.isEmpty())
        startPage = QLatin1String(BrowserRules::kBlankAddress);
    const qint64 cacheLimit = profile->httpCacheMaximumSize();
    const qint64 cacheUsed = EngineCacheIndex::diskUsage(profile->cachePath());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(section(QStringLiteral("Home page"),
                              {{QStringLiteral("Start page:"), startPage},
                               {QStringLiteral("Home:"), BrowserRules::homeAddress()}}));
    layout->addWidget(section(
        QStringLiteral("Temporary Internet files"),
        {{QStringLiteral("Folder:"), profile->cachePath()},
         {QStringLiteral("In use:"), formatTransferSize(double(cacheUsed))},
         {QStringLiteral("Limit:"), cacheLimit > 0 ? formatTransferSize(double(cacheLimit))
                                                   : QStringLiteral("Chosen by the engine")}}));
    layout->addWidget(
        section(QStringLiteral("Privacy"),
                {{QStringLiteral("Cookies:"), cookiesPolicy(profile->persistentCookiesPolicy())},
                 {QStringLiteral("Stored data:"), profile->persistentStoragePath()}}));
    layout->addWidget(
        section(QStringLiteral("Content"),
                {{QStringLiteral("Scripts:"),
                  yesNo(settings->testAttribute(QWebEngineSettings::JavascriptEnabled))},
                 {QStringLiteral("Pictures:"),
                  yesNo(settings->testAttribute(QWebEngineSettings::AutoLoadImages))},
                 {QStringLiteral("Plug-ins:"),
                  yesNo(settings->testAttribute(QWebEngineSettings::PluginsEnabled))},
                 {QStringLiteral("Languages:"), profile->httpAcceptLanguage()},
                 {QStringLiteral("User agent:"), profile->httpUserAgent()}}));
    layout->addWidget(section(QStringLiteral("This window"),
                              {{QStringLiteral("Works offline:"), yesNo(browser.offline())},
                               {QStringLiteral("Scroll bars:"),
                                yesNo(PageCommandRules::showsScrollBars(browser.hostFlags()))}}));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(560);
}
