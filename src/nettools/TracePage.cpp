#include "TracePage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolBar>
#include <QVBoxLayout>

#include "AppError.h"
#include "HostNames.h"
#include "NetToolsPageParts.h"
#include "Prompts.h"

using namespace NetToolsPageParts;

namespace {

constexpr int kTraceImage = 9;
constexpr int kNoIcon = -1;

}  // namespace

TracePage::TracePage(IcmpEchoClient& icmp, Prompts& prompts, const ImageList& images, Hooks hooks,
                     QWidget* parent)
    : QWidget(parent), m_icmp(icmp), m_prompts(prompts), m_hooks(std::move(hooks)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    QToolBar* bar = pageToolBar(this);
    connect(bar->addAction(images.icon(kCloseImage), QStringLiteral("Close")), &QAction::triggered,
            this, [this] { m_hooks.close(); });
    edtHost = new QLineEdit(QStringLiteral("www.example.com"), bar);
    edtHost->setObjectName(QStringLiteral("edtHost"));
    edtHost->setFixedWidth(141);
    bar->addWidget(fieldLabel(QStringLiteral("  Web Address / IP:"), edtHost, bar));
    bar->addWidget(edtHost);
    TBXTrc = bar->addAction(images.icon(kTraceImage), QStringLiteral("Trace"));
    TBXTrc->setObjectName(QStringLiteral("TBXTrc"));
    connect(TBXTrc, &QAction::triggered, this, &TracePage::TBXTrcClick);
    QAction* stop = bar->addAction(images.icon(kStoppedIcon), QStringLiteral("Stop"));
    stop->setObjectName(QStringLiteral("TBXTStop"));
    connect(stop, &QAction::triggered, this, &TracePage::TBXTStopClick);
    edtIP = new QLineEdit(bar);
    edtIP->setObjectName(QStringLiteral("edtIP"));
    edtIP->setFixedWidth(121);
    bar->addWidget(fieldLabel(QStringLiteral(" IP Address:"), edtIP, bar));
    bar->addWidget(edtIP);
    cbResolveHosts = new QCheckBox(QStringLiteral("Resolve Host names"), bar);
    cbResolveHosts->setObjectName(QStringLiteral("cbResolveHosts"));
    bar->addWidget(cbResolveHosts);
    layout->addWidget(bar);
    layout->addWidget(heading(QStringLiteral("         # Hop                       Hostname        "
                                             "           IP            Time / TTL  "
                                             "info"),
                              this));
    ReLog = new QPlainTextEdit(this);
    ReLog->setObjectName(QStringLiteral("ReLog"));
    ReLog->setAccessibleName(QStringLiteral("Trace log"));
    ReLog->setReadOnly(true);
    ReLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    ReLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(ReLog);
}

bool TracePage::running() const {
    return m_running || !TBXTrc->isEnabled();
}

void TracePage::setAddress(const QString& address) {
    edtHost->setText(address);
}

bool TracePage::resolveHosts() const {
    return cbResolveHosts->isChecked();
}

void TracePage::setResolveHosts(bool resolve) {
    cbResolveHosts->setChecked(resolve);
}

void TracePage::TBXTrcClick() {
    // "Stop" enables "Trace" at once; a click that comes while the stopped
    // trace still winds down starts the new one as soon as it has.
    if (m_running) {
        if (m_stop)
            m_restart = true;
        return;
    }
    QPointer<TracePage> self(this);
    do {
        m_restart = false;
        trace();
    } while (self && m_restart);
}

void TracePage::trace() {
    m_hooks.setStatus(m_hooks.status(), kBusyIcon);
    TBXTrc->setEnabled(false);
    m_stop = false;
    ReLog->viewport()->setCursor(Qt::BusyCursor);
    ReLog->clear();
    QPointer<TracePage> self(this);
    letEventsRun();
    if (!self)
        return;

    const QString target = edtHost->text();
    m_hooks.setStatus(
        QStringLiteral("Looking up destination IP of ") + target + QStringLiteral(" ..."),
        kBusyIcon);
    const HostNames::Resolution resolution = HostNames::resolveIPv4(target);
    if (resolution.address.isEmpty()) {
        edtIP->setText(QStringLiteral("?.?.?.?"));
        m_hooks.setStatus(
            QStringLiteral(" Can not resolve IP-address of host \"") + target + QLatin1Char('"'),
            kNoIcon);
        QApplication::beep();
        TBXTrc->setEnabled(true);
        ReLog->viewport()->unsetCursor();
        return;
    }
    edtIP->setText(resolution.address);
    m_running = true;
    runTrace(resolution.address);
    if (!self)
        return;
    m_running = false;
    TBXTrc->setEnabled(true);
    ReLog->viewport()->unsetCursor();
}

// The hops, one probe each, until the target answers, a probe times out or is
// unreachable, the user stops, or the hop limit is reached.
void TracePage::runTrace(const QString& targetAddress) {
    int hop = 1;
    m_icmp.ReceiveTimeout = kTimeoutMs;
    m_icmp.TTL = hop;
    m_icmp.Host = targetAddress;
    QElapsedTimer start;
    start.start();
    if (m_stop)
        return;
    QPointer<TracePage> self(this);
    const auto stopped = [this] { return m_stop; };
    const auto interrupted = [this] {
        ReLog->appendPlainText(QStringLiteral("** INTERRUPTED **"));
        m_hooks.setStatus(QStringLiteral("Stopped. (By User Request.)"), kStoppedIcon);
    };
    try {
        const bool answered = m_icmp.Ping(stopped);
        if (!self)
            return;
        if (!answered) {
            interrupted();
            return;
        }
    } catch (const AppError& error) {
        if (self)
            m_prompts.errorBox(error.message());
        return;
    }
    TReplyStatus reply = m_icmp.ReplyStatus();
    bool sawError = false;
    while (true) {
        m_hooks.setStatus(reply.FromIpAddress + QStringLiteral(" responded"), kBusyIcon);
        const qint64 elapsed = start.elapsed();
        bool next = false;
        switch (reply.ReplyStatusType) {
            case TReplyStatusType::Echo:
                AddHopLine(hop, elapsed, QStringLiteral("DONE!"), reply);
                m_hooks.setStatus(QStringLiteral("Done."), kNoIcon);
                break;
            case TReplyStatusType::Error:
                AddHopLine(hop, elapsed, QStringLiteral("ERROR"), reply);
                sawError = true;
                next = true;
                break;
            case TReplyStatusType::Timeout:
                AddHopLine(hop, elapsed, QStringLiteral("TIMEOUT"), reply);
                m_hooks.setStatus(QStringLiteral("Done. (After TimeOut)"), kNoIcon);
                break;
            case TReplyStatusType::Unreachable:
                AddHopLine(hop, elapsed, QStringLiteral("DEST_UNREACH"), reply);
                m_hooks.setStatus(QStringLiteral("Done. (Destination unreachable!)"), kNoIcon);
                break;
            case TReplyStatusType::TTLExceeded:
                AddHopLine(hop, elapsed, QStringLiteral("OK"), reply);
                next = true;
                break;
        }
        if (!self)
            return;
        if (!next)
            break;

        // NextHop
        if (m_stop) {
            interrupted();
            break;
        }
        if (++hop >= kMaxHops) {
            m_hooks.setStatus(QStringLiteral("MAX TTL EXCEEDED."), kNoIcon);
            break;
        }
        m_icmp.Host = targetAddress;
        m_icmp.TTL = hop;
        m_icmp.ReceiveTimeout = kTimeoutMs;
        start.restart();
        m_hooks.setStatus(QStringLiteral(" ping ") + targetAddress + QStringLiteral(" ..."),
                          kBusyIcon);
        try {
            const bool answered = m_icmp.Ping(stopped);
            if (!self)
                return;
            if (!answered) {
                interrupted();
                break;
            }
            reply = m_icmp.ReplyStatus();
        } catch (const AppError&) {
            if (!self)
                return;
            // The probe failed: logged, and the previous reply stands for this
            // hop, so the trace goes on.
            ReLog->appendPlainText(QStringLiteral("** ERROR **"));
        }
    }
    // An error hop reports itself once the rest of the trace is over.
    if (sawError)
        m_hooks.setStatus(QStringLiteral("(Error)"), kNoIcon);
}

void TracePage::AddHopLine(int hop, qint64 elapsed, const QString& info,
                           const TReplyStatus& reply) {
    QPointer<TracePage> self(this);
    letEventsRun();
    if (!self)
        return;
    QString name = QStringLiteral("...");
    if (cbResolveHosts->isChecked() && reply.FromIpAddress != QLatin1String("0.0.0.0")) {
        m_hooks.setStatus(
            QStringLiteral(" rDNS lookup for ") + reply.FromIpAddress + QStringLiteral(" ..."),
            kBusyIcon);
        name = HostNames::reverseLookup(reply.FromIpAddress);
        if (name.isEmpty())
            name = reply.FromIpAddress + QStringLiteral(" [no rDNS]");
    }
    QColor colour(255, 0, 0);
    if (reply.ReplyStatusType == TReplyStatusType::Echo)
        colour = QColor(0, 128, 0);
    if (reply.ReplyStatusType == TReplyStatusType::TTLExceeded)
        colour = QColor(0, 0, 128);
    QPalette palette = ReLog->palette();
    palette.setColor(QPalette::Text, colour);
    ReLog->setPalette(palette);
    ReLog->appendPlainText(
        traceHopLine(hop, name, reply.FromIpAddress, elapsed, reply.TimeToLive, info));
    letEventsRun();
}

void TracePage::TBXTStopClick() {
    m_hooks.setStatus(m_hooks.status(), kStoppedIcon);
    m_stop = true;
    TBXTrc->setEnabled(true);
}
