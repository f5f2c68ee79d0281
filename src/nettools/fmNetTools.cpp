#include "fmNetTools.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "AddressDetails.h"
#include "AppError.h"
#include "HostNames.h"
#include "NetToolsPageParts.h"
#include "NetworkDetailsPage.h"
#include "Paths.h"
#include "Prompts.h"
#include "Registry.h"
#include "ServiceAddress.h"
#include "ToolHost.h"
#include "TracePage.h"

using namespace NetToolsPageParts;

namespace {

constexpr const char* kSettingsKey = "\\Software\\Corvanta\\NetworkTools";
constexpr int kPingTimeoutMs = 1000;
constexpr int kPingTtl = 128;

enum Image { kPingImage = 8, kGoImage = 10 };

const QString kHyphens39 = QString(39, QLatin1Char('-'));

}  // namespace

TNetToosFrm::TNetToosFrm(ToolHost& host, QWidget* parent)
    : ToolWindow(host, ToolKind::NetworkTools, parent) {
    LoadImageStrip(m_images, QStringLiteral("NetTools.bmp"));
    resize(688, 372);
    m_icmp.idle = letEventsRun;
    m_connectionSource = [] { return GetTcpConnections(); };

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->setMinimumHeight(286);
    m_pages->addTab(buildConnectionPage(), QStringLiteral("Ports and IP's"));
    m_details = new NetworkDetailsPage(m_images, {[this] { close(); }, [this] { SaveLogClick(); }},
                                       m_pages);
    m_pages->addTab(m_details, QStringLiteral("Network Details"));
    m_trace = new TracePage(
        m_icmp, prompts(), m_images,
        {[this] { close(); }, [this](const QString& text, int icon) { setStatus(text, icon); },
         [this] { return m_statusText->text(); }},
        m_pages);
    m_pages->addTab(m_trace, QStringLiteral("Trace Address"));
    m_pages->addTab(buildPingerPage(), QStringLiteral("Pinger"));
    m_pages->addTab(buildWhoisPage(), QStringLiteral("WhoIs"));
    setCentralWidget(m_pages);

    m_statusIcon = new QLabel(this);
    m_statusIcon->setFixedWidth(20);
    m_statusText = new QLabel(this);
    m_statusText->setObjectName(QStringLiteral("StatusPanel0"));
    m_statusText->setTextFormat(Qt::PlainText);  // host names and server answers
    m_statusText->setMinimumWidth(430);
    auto* second = new QLabel(this);
    second->setMinimumWidth(150);
    statusBar()->addWidget(m_statusIcon);
    statusBar()->addWidget(m_statusText);
    statusBar()->addWidget(second);

    setStatus(QStringLiteral("Ready. "));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TNetToosFrm::timerTick);
    m_pages->setCurrentIndex(0);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        static const char* const texts[] = {
            "Ready.    (Ports Statistics)", "Ready.    (Network Details)",
            "Ready.    (Trace Address) ", "Ready.    (Pinger)", "Ready.    (WhoIs Query)"};
        if (index >= 0 && index < 5)
            setStatus(QLatin1String(texts[index]));
    });
    m_timer.start();
}

TNetToosFrm::~TNetToosFrm() {
    writeSettings();
    m_timer.stop();
    disconnect(&m_timer, nullptr, this, nullptr);
}

// ---- building the pages ------------------------------------------------------

QAction* TNetToosFrm::closeAction(QToolBar* bar, const QString& caption) {
    QAction* action = bar->addAction(m_images.icon(kCloseImage), caption);
    connect(action, &QAction::triggered, this, &QWidget::close);
    return action;
}

QWidget* TNetToosFrm::buildConnectionPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    QToolBar* bar = pageToolBar(page);
    cbShowListeners = new QCheckBox(QStringLiteral("Show Listen Ports"), bar);
    cbShowListeners->setObjectName(QStringLiteral("cbShowListeners"));
    cbShowListeners->setChecked(true);
    bar->addWidget(cbShowListeners);
    connect(cbShowListeners, &QCheckBox::toggled, this, [this] { RestartHistory(); });
    layout->addWidget(bar);

    sgConnHist = new QTableWidget(0, ConnectionHistory::kColumns, page);
    sgConnHist->setObjectName(QStringLiteral("sgConnHist"));
    sgConnHist->setAccessibleName(QStringLiteral("Connection history"));
    // The heading's captions are the table's own column header, so each stands
    // over its column whatever the width (a line of text above drifted off).
    sgConnHist->setHorizontalHeaderLabels({"date", "time", "local IP", "local port /service",
                                           "remote IP", "rem. port/service", "status"});
    QHeaderView* captions = sgConnHist->horizontalHeader();
    QFont captionFont(QStringLiteral("Verdana"));
    captionFont.setPointSize(7);
    captions->setFont(captionFont);
    captions->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    captions->setSectionsClickable(false);
    captions->setHighlightSections(false);
    // The design's widths, widened where this locale's date and time or an
    // address in the cells' font need more (a cut date shows as "10 Dec ...").
    const QDateTime widest(QDate(2000, 12, 28), QTime(23, 58, 58));
    const QString address = FormatIPv4(0xffffffffu);
    const QString samples[] = {shortDateText(widest),
                               longTimeText(widest),
                               address,
                               QString(),
                               address,
                               QString(),
                               QString()};
    const int widths[] = {81, 84, 102, 105, 105, 100, 100};
    const QFontMetrics cells = sgConnHist->fontMetrics();
    for (int column = 0; column < ConnectionHistory::kColumns; ++column) {
        sgConnHist->setColumnWidth(
            column, std::max(widths[column], cells.horizontalAdvance(samples[column]) + 12));
    }
    sgConnHist->verticalHeader()->hide();
    sgConnHist->verticalHeader()->setDefaultSectionSize(16);
    sgConnHist->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgConnHist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgConnHist->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgConnHist->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(sgConnHist);
    syncTable();
    return page;
}

QWidget* TNetToosFrm::buildPingerPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    QToolBar* bar = pageToolBar(page);
    closeAction(bar, QStringLiteral("Exit"));
    edtPng = new QLineEdit(QStringLiteral("www.example.com"), bar);
    edtPng->setObjectName(QStringLiteral("edtPng"));
    edtPng->setFixedWidth(170);
    bar->addWidget(fieldLabel(QStringLiteral("      IP / Web Address:"), edtPng, bar));
    bar->addWidget(edtPng);
    btnPing = bar->addAction(m_images.icon(kPingImage), QStringLiteral("Ping"));
    btnPing->setObjectName(QStringLiteral("btnPing"));
    connect(btnPing, &QAction::triggered, this, &TNetToosFrm::btnPingClick);
    QAction* stop = bar->addAction(m_images.icon(kStoppedIcon), QStringLiteral("Stop"));
    stop->setObjectName(QStringLiteral("TBXPStop"));
    connect(stop, &QAction::triggered, this, &TNetToosFrm::TBXPStopClick);
    spnPing = new QSpinBox(bar);
    spnPing->setObjectName(QStringLiteral("spnPing"));
    spnPing->setRange(1, 40);
    spnPing->setValue(5);
    bar->addWidget(fieldLabel(QStringLiteral("      Ping #:"), spnPing, bar));
    bar->addWidget(spnPing);
    layout->addWidget(bar);
    layout->addWidget(heading(
        QStringLiteral("Bytes Received | From IP Address | Sequence Id |Time To Live |Trip Time  "),
        page));
    lstReplies = new QListWidget(page);
    lstReplies->setObjectName(QStringLiteral("lstReplies"));
    lstReplies->setAccessibleName(QStringLiteral("Ping replies"));
    lstReplies->addItem(QStringLiteral(
        "Please enter a valid IP or a a web site address and press the ping button."));
    layout->addWidget(lstReplies);
    return page;
}

QWidget* TNetToosFrm::buildWhoisPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    QToolBar* bar = pageToolBar(page);
    closeAction(bar, QStringLiteral("Close"));
    ComboBox1 = new QComboBox(bar);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    // As wide as the longest server name, and showing a name from its start.
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const QStringList servers = WhoisClient::defaultServers();
    for (int i = 0; i < servers.size(); ++i) {
        ComboBox1->addItem(ServiceAddress::get(QStringLiteral("WhoisServer%1").arg(i), servers[i]));
    }
    connect(ComboBox1, &QComboBox::currentIndexChanged, ComboBox1,
            [this] { ComboBox1->lineEdit()->setCursorPosition(0); });
    ComboBox1->setCurrentIndex(0);
    ComboBox1->lineEdit()->setCursorPosition(0);
    bar->addWidget(fieldLabel(QStringLiteral("   Prefered Server: "), ComboBox1, bar));
    bar->addWidget(ComboBox1);
    EdtWhoIs = new QLineEdit(QStringLiteral("example.com"), bar);
    EdtWhoIs->setObjectName(QStringLiteral("EdtWhoIs"));
    EdtWhoIs->setFixedWidth(121);
    bar->addWidget(fieldLabel(QStringLiteral("    Enter A Query:"), EdtWhoIs, bar));
    bar->addWidget(EdtWhoIs);
    QAction* go = bar->addAction(m_images.icon(kGoImage), QStringLiteral("Go"));
    go->setObjectName(QStringLiteral("TBXWGo"));
    connect(go, &QAction::triggered, this, &TNetToosFrm::TBXWGoClick);
    layout->addWidget(bar);
    MemWhois = new QPlainTextEdit(page);
    MemWhois->setObjectName(QStringLiteral("MemWhois"));
    MemWhois->setAccessibleName(QStringLiteral("WhoIs reply"));
    MemWhois->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemWhois->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(MemWhois);
    return page;
}

// ---- window life -------------------------------------------------------------

void TNetToosFrm::setStatus(const QString& text, int icon) {
    m_statusText->setText(text);
    if (icon >= 0) {
        m_statusIcon->setPixmap(m_images.icon(icon).pixmap(16, 16));
    } else {
        m_statusIcon->clear();
    }
}

void TNetToosFrm::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    readSettings();
    FetchAddressDetails();
}

void TNetToosFrm::readSettings() {
    try {
        Registry registry;
        if (!registry.openKey(kSettingsKey, false))
            return;
        // A missing value ends the reading; the rest keep their defaults.
        cbShowListeners->setChecked(registry.readBool(QStringLiteral("ShowListeners")));
        m_trace->setResolveHosts(registry.readBool(QStringLiteral("ResolveHosts")));
        spnPing->setValue(registry.readInteger(QStringLiteral("PingValue")));
    } catch (const AppError&) {
    }
}

void TNetToosFrm::writeSettings() {
    try {
        Registry registry;
        if (!registry.openKey(kSettingsKey, true))
            return;
        registry.writeBool(QStringLiteral("ShowListeners"), cbShowListeners->isChecked());
        registry.writeBool(QStringLiteral("ResolveHosts"), m_trace->resolveHosts());
        registry.writeInteger(QStringLiteral("PingValue"), spnPing->value());
        registry.closeKey();
    } catch (const AppError&) {
        // Settings are written on the way out; a store that fails then is not worth a box.
    }
}

void TNetToosFrm::FetchAddressDetails() {
    const QString file = Paths::writableProgramFile(QStringLiteral("myip.txt"));
    if (!downloadToFile(externalAddressUrl(), file)) {
        prompts().message(Prompts::Kind::Error, QString(),
                          QStringLiteral("An error ocurred while downloading the file."));
    }
    AddressDetails details = localAddressDetails();
    QFile saved(file);
    if (saved.open(QIODevice::ReadOnly)) {
        details.externalAddress = QString::fromUtf8(saved.read(4096));
    }
    m_details->showAddressDetails(details);
}

bool TNetToosFrm::queryClose() {
    // A stopped series or trace may still be winding down in this turn of
    // events, its request on the stack: not closed under it.
    if (btnPing->isEnabled() && !m_pingRunning && !m_trace->running())
        return true;
    prompts().timedMessage(QStringLiteral("Corvanta Help Message"),
                           QStringLiteral("You Can not close the application in the middle of "
                                          "proccessing.\n\rPlease press the Stop button to cancel "
                                          "the process."),
                           2000);
    return false;
}

void TNetToosFrm::timerTick() {
    m_timer.stop();
    PollConnections();
    m_details->RefreshTraffic();
    m_timer.start();
}

void TNetToosFrm::handOffAddress(const QString& address) {
    m_trace->setAddress(address);
    edtPng->setText(address);
    EdtWhoIs->setText(address);
    m_pages->setCurrentIndex(2);
    TBXWGoClick();
}

// ---- connection table ----------------------------------------------------------

void TNetToosFrm::setConnectionSource(std::function<QList<TTcpConnStatus>()> source) {
    m_connectionSource = std::move(source);
}

void TNetToosFrm::setInterfaceSource(std::function<QList<IPHelper::InterfaceRow>()> source) {
    m_details->setInterfaceSource(std::move(source));
}

void TNetToosFrm::PollConnections() {
    m_history.poll(m_connectionSource(), cbShowListeners->isChecked(),
                   QDateTime::currentDateTime());
    syncTable();
    if (m_history.overLimit()) {
        prompts().message(Prompts::Kind::Warning, QString(), rowLimitWarningText(), Prompts::Ok);
        RestartHistory();
    }
}

void TNetToosFrm::RestartHistory() {
    m_history.restart(cbShowListeners->isChecked(), QDateTime::currentDateTime());
    syncTable();
}

// Brings the grid up to the history: rows are only appended (the empty last
// row gets filled), unless the history restarted.
void TNetToosFrm::syncTable() {
    int first = sgConnHist->rowCount() - 1;
    if (m_shownGeneration != m_history.generation() || first < 0) {
        m_shownGeneration = m_history.generation();
        sgConnHist->setRowCount(0);
        first = 0;
    }
    const QList<QStringList>& rows = m_history.rows();
    sgConnHist->setRowCount(int(rows.size()));
    for (int row = first; row < rows.size(); ++row) {
        for (int column = 0; column < ConnectionHistory::kColumns; ++column) {
            QTableWidgetItem* item = sgConnHist->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                sgConnHist->setItem(row, column, item);
            }
            item->setText(rows[row][column]);
        }
    }
}

void TNetToosFrm::SaveLogClick() {
    m_windowLog +=
        networkLogSnapshot(m_details->addressDetails(), m_history, QDateTime::currentDateTime());
    QString fileName = prompts().saveFileName(QStringLiteral("Save The Log To A Text File"),
                                              QStringLiteral("NetworkLog.txt"),
                                              QStringLiteral("Text files only (*.txt)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".txt");
    QByteArray bytes;
    for (const QString& line : m_windowLog)
        bytes += line.toLocal8Bit() + "\r\n";
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        prompts().errorBox(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
    }
}

// ---- pinger --------------------------------------------------------------------

void TNetToosFrm::addReply(const QString& line) {
    lstReplies->addItem(line);
    lstReplies->scrollToBottom();
}

void TNetToosFrm::btnPingClick() {
    if (m_pingRunning)
        return;
    lstReplies->clear();
    addReply(QStringLiteral("Ping Address / IP :") + edtPng->text());
    addReply(kHyphens39);
    btnPing->setEnabled(false);
    const QString host = edtPng->text().trimmed();
    m_pingRunning = true;
    m_pingStopped = false;
    const int count = spnPing->value();
    const QString done =
        QStringLiteral("Done. Number of requested pings :") + QString::number(count);
    QPointer<TNetToosFrm> self(this);
    try {
        for (int i = 0; i < count && !m_pingStopped; ++i) {
            // Each request sets its own: a trace started between two of them
            // (events run while one waits) leaves its host, TTL and time-out.
            m_icmp.Host = host;
            m_icmp.TTL = kPingTtl;
            m_icmp.ReceiveTimeout = kPingTimeoutMs;
            const bool answered = m_icmp.Ping([this] { return m_pingStopped; });
            if (!self)
                return;
            // A stop that came in while the request waited ends the series here.
            if (!answered || m_pingStopped)
                break;
            addReply(pingReplyLine(m_icmp.ReplyStatus()));
            letEventsRun();
            if (!self)
                return;
        }
    } catch (const AppError& error) {
        m_pingRunning = false;
        btnPing->setEnabled(true);
        addReply(kHyphens39);
        addReply(done);
        prompts().errorBox(error.message());
        return;
    }
    m_pingRunning = false;
    if (m_pingStopped)
        return;  // "Stop" wrote the closing lines
    btnPing->setEnabled(true);
    addReply(kHyphens39);
    addReply(done);
}

void TNetToosFrm::TBXPStopClick() {
    if (!m_pingRunning || m_pingStopped)
        return;
    m_pingStopped = true;
    btnPing->setEnabled(true);
    addReply(kHyphens39);
    addReply(QStringLiteral("Done (User Request). Number of requested pings :") +
             QString::number(spnPing->value()));
}

// ---- WhoIs ---------------------------------------------------------------------

void TNetToosFrm::TBXWGoClick() {
    setStatus(QStringLiteral("Connecting..."), kBusyIcon);
    m_statusText->repaint();
    if (ComboBox1->currentText().trimmed().isEmpty()) {
        prompts().message(Prompts::Kind::Plain, QString(),
                          QStringLiteral("Please specify server name."));
        return;
    }
    if (EdtWhoIs->text().trimmed().isEmpty()) {
        prompts().message(Prompts::Kind::Plain, QString(),
                          QStringLiteral("Please specify Domain name."));
        return;
    }
    m_whois.Server = ComboBox1->currentText().trimmed();
    m_whois.CachedAddress.clear();
    m_whois.Query = EdtWhoIs->text();
    MemWhois->setPlainText(m_whois.WhoisQuery());
    setStatus(QStringLiteral("Ready."));
}
