#include "UpdateCheck.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSaveFile>
#include <QTextDocument>
#include <QToolButton>

#include "Paths.h"
#include "PlainHttp.h"
#include "Prompts.h"
#include "ServiceAddress.h"
#include "TclWebUpdate.h"
#include "TfrmUpdateInfo.h"
#include "UpdateStatusBar.h"

namespace {

QString padded(int before, const char* text, int after) {
    return QString(before, QLatin1Char(' ')) + QLatin1String(text) +
           QString(after, QLatin1Char(' '));
}

}  // namespace

QString UpdateCheck::releaseText(int row) {
    switch (row) {
        case 1:
            return padded(54, "Applications:", 0);
        case 2:
            return padded(20, "Checking for the latest release", 16);
        case 3:
            return padded(20, "An error ocurred while contacting the site for update.", 10);
        case 4:
            return padded(19, "You are running the latests release.", 8);
        default:
            return padded(20, "A new release is avaiable!", 21);
    }
}

UpdateCheck::UpdateCheck(Prompts& prompts, UpdateStatusBar& statusBar, QLabel& releaseLabel,
                         QWidget* dialogParent, const QByteArray& trustedKey)
    : QObject(dialogParent),
      m_prompts(prompts),
      m_statusBar(statusBar),
      m_releaseLabel(releaseLabel),
      m_webUpdate(new TclWebUpdate(this, trustedKey)) {
    TclWebUpdate& update = *m_webUpdate;
    update.setProductName(QLatin1String(kProductName));
    update.setAuthor(
        QStringLiteral("The Corvanta developers. The list of updates is signed with our key "
                       "and each file is checked against the digest it names; the commands "
                       "below run as your user."));
    update.setProductUrl(ServiceAddress::projectSite());
    update.setEmail(QLatin1String(ServiceAddress::kMakerMailAddress));
    // The local record, "lastupdate.xml", moves into the update folder.
    update.setUpdateDir(Paths::writableProgramFile(QStringLiteral("webupdate")));
    update.setBatchSize(8192);
    update.setErrorWords({"fatal", "failed", "error"});
    update.setVersionFormat(TclVersionFormat::vfStandard);
    update.setNeedShowInfo(true);
    update.setInfoDialog([dialogParent](const TclUpdateInfoText& text) {
        return TfrmUpdateInfo::ask(text, dialogParent);
    });
    connect(&update, &TclWebUpdate::OnDownloadProgress, this,
            &UpdateCheck::clWebUpdateDownloadProgress);
    connect(&update, &TclWebUpdate::OnError, this,
            [this](const QString& error, int) { clWebUpdateError(error); });
    connect(&update, &TclWebUpdate::OnNoUpdatesFound, this,
            &UpdateCheck::clWebUpdateNoUpdatesFound);

    connect(m_statusBar.TBXCancel, &QToolButton::clicked, this, &UpdateCheck::TBXCancelClick);
    connect(m_statusBar.TBXResume, &QToolButton::clicked, this, &UpdateCheck::TBXResumeClick);
    m_statusBar.hide();

    QPalette palette = m_releaseLabel.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    m_releaseLabel.setPalette(palette);
    m_releaseLabel.setText(releaseText(1));
}

UpdateCheck::~UpdateCheck() {
    // The component waits for its download and script; its handlers here
    // must not run any more.
    delete m_webUpdate;
}

QString UpdateCheck::updateServer() {
    QString server = ServiceAddress::get(QLatin1String(ServiceAddress::kUpdateServerName),
                                         QLatin1String(ServiceAddress::kUpdateServerDefault))
                         .trimmed();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server;
}

QString UpdateCheck::releaseFilePath() {
    return Paths::writableProgramFile(QStringLiteral("Update.config"));
}

void UpdateCheck::SetUpdateStatus(const QString& text) {
    m_statusBar.status->setText(text);
    // The panel is narrow for errors. A tip shows what looks like markup as
    // markup, and the text may quote a server: such a text goes in escaped.
    m_statusBar.status->setToolTip(
        Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text);
}

void UpdateCheck::DoClUpdate() {
    m_statusBar.show();
    SetUpdateStatus(QStringLiteral("Checking for new updates..."));
    if (!m_webUpdate->isBusy())
        m_webUpdate->setUpdateUrl(updateServer() + QStringLiteral("/webupdate/webupdate.xml"));
    m_webUpdate->StartCheck();
    m_statusBar.pbUpgreder->show();
}

void UpdateCheck::TBXCancelClick() {
    m_statusBar.TBXResume->show();
    m_statusBar.TBXCancel->hide();
    m_statusBar.pbUpgreder->hide();
    m_webUpdate->StopCheck();
}

void UpdateCheck::TBXResumeClick() {
    m_statusBar.TBXResume->hide();
    m_statusBar.TBXCancel->show();
    m_statusBar.pbUpgreder->show();
    m_webUpdate->StartCheck();
}

void UpdateCheck::clWebUpdateDownloadProgress(int updateNo, qint64 downloaded, qint64 total) {
    const qint64 percent = total == 0 ? 0 : downloaded * 100 / total;
    SetUpdateStatus(
        QStringLiteral("Downloading %1 update: %2 % completed...").arg(updateNo + 1).arg(percent));
    QProgressBar* bar = m_statusBar.pbUpgreder;
    if (downloaded < 1 || total < 2) {
        bar->setValue(1);
        bar->hide();
    } else {
        bar->setValue(int(qBound(qint64(0), percent, qint64(100))));
        bar->show();
    }
}

void UpdateCheck::clWebUpdateError(const QString& error) {
    SetUpdateStatus(QStringLiteral("Can not download data from the web! \"") + error +
                    QStringLiteral("\" error occured."));
}

void UpdateCheck::clWebUpdateNoUpdatesFound() {
    const QString text = QStringLiteral("There are no new updates available.");
    if (!m_quietNoUpdates) {
        SetUpdateStatus(text);
        m_prompts.message(Prompts::Kind::Plain, QString(), text, Prompts::Ok);
    } else {
        m_quietNoUpdates = false;
    }
    m_statusBar.hide();
    m_statusBar.pbUpgreder->hide();
}

void UpdateCheck::DoCheck4Updates() {
    m_releaseLabel.setText(releaseText(2));
    PlainHttp::Options options;
    options.timeoutMs = 15000;
    options.maximumBodySize = 64 * 1024;  // a few lines of settings
    const PlainHttp::Result result =
        PlainHttp::get(updateServer() + QStringLiteral("/Update.config"), options);
    bool saved = false;
    if (result.ok) {
        QSaveFile file(releaseFilePath());
        saved = file.open(QIODevice::WriteOnly) && file.write(result.body) == result.body.size() &&
                file.commit();
    }
    if (!saved)
        m_releaseLabel.setText(releaseText(3));
    QFile file(releaseFilePath());
    if (file.open(QIODevice::ReadOnly)) {
        const int release = releaseNumber(file.read(1024 * 1024));
        m_releaseLabel.setText(releaseText(release > kRelease ? 5 : 4));
    }
}
