#include "NetworkDetailsPage.h"

#include <QAction>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

enum Image {
    kCloseImage = 0,
    kSaveImage = 2,
    kFreezeImage = 3,
    kUnFreezeImage = 4,
    kClearImage = 6,
    kRemoveImage = 7,
};

QLineEdit* readOnlyBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    return box;
}

}  // namespace

NetworkDetailsPage::NetworkDetailsPage(const ImageList& images, Hooks hooks, QWidget* parent)
    : QWidget(parent), m_hooks(std::move(hooks)) {
    QWidget* page = this;
    m_interfaceSource = [] { return IPHelper::GetInterfaceRows(); };
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* bar = new QToolBar(page);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(bar->addAction(images.icon(kCloseImage), QStringLiteral("Close")), &QAction::triggered,
            this, [this] { m_hooks.close(); });
    connect(bar->addAction(images.icon(kSaveImage), QStringLiteral("Save Log")),
            &QAction::triggered, this, [this] { m_hooks.saveLog(); });
    FreezeButton = bar->addAction(images.icon(kFreezeImage), QStringLiteral("Freeze"));
    UnFreezeButton = bar->addAction(images.icon(kUnFreezeImage), QStringLiteral("Un Freeze"));
    ClearCountersButton =
        bar->addAction(images.icon(kClearImage), QStringLiteral("Clear Counters"));
    RemoveInactiveButton = bar->addAction(images.icon(kRemoveImage), QStringLiteral("Remove"));
    FreezeButton->setObjectName(QStringLiteral("FreezeButton"));
    UnFreezeButton->setObjectName(QStringLiteral("UnFreezeButton"));
    ClearCountersButton->setObjectName(QStringLiteral("ClearCountersButton"));
    RemoveInactiveButton->setObjectName(QStringLiteral("RemoveInactiveButton"));
    connect(FreezeButton, &QAction::triggered, this, &NetworkDetailsPage::FreezeButtonClick);
    connect(UnFreezeButton, &QAction::triggered, this, &NetworkDetailsPage::UnFreezeButtonClick);
    connect(ClearCountersButton, &QAction::triggered, this,
            &NetworkDetailsPage::ClearCountersButtonClick);
    connect(RemoveInactiveButton, &QAction::triggered, this,
            &NetworkDetailsPage::RemoveInactiveButtonClick);
    layout->addWidget(bar);

    auto* top = new QFormLayout;
    ledAdapterDescription = readOnlyBox(page, "ledAdapterDescription");
    connect(ledAdapterDescription, &QLineEdit::textChanged, this,
            &NetworkDetailsPage::updateDescriptionHint);
    top->addRow(QStringLiteral("Adapter Name And Description:"), ledAdapterDescription);
    layout->addLayout(top);

    auto* groups = new QHBoxLayout;
    auto* status = new QGroupBox(QStringLiteral("Adapter Status:"), page);
    auto* statusForm = new QFormLayout(status);
    StatusText = readOnlyBox(status, "StatusText");
    ledMACAddress = readOnlyBox(status, "ledMACAddress");
    ledSpeed = readOnlyBox(status, "ledSpeed");
    // Wide enough for the longest status and an 8-byte physical address.
    const int statusWidth =
        StatusText->fontMetrics().horizontalAdvance(QStringLiteral("NOT connected, NOT running")) +
        16;
    for (QLineEdit* box : {StatusText, ledMACAddress, ledSpeed})
        box->setMinimumWidth(statusWidth);
    statusForm->addRow(QStringLiteral("Status:"), StatusText);
    statusForm->addRow(QStringLiteral("MAC Address"), ledMACAddress);
    statusForm->addRow(QStringLiteral("Speed"), ledSpeed);
    groups->addWidget(status);

    auto* in = new QGroupBox(QStringLiteral("IN (download)"), page);
    auto* inForm = new QFormLayout(in);
    ledOctInSec = readOnlyBox(in, "ledOctInSec");
    ledPeakINSec = readOnlyBox(in, "ledPeakINSec");
    ledAvgINSec = readOnlyBox(in, "ledAvgINSec");
    ledTotalIN = readOnlyBox(in, "ledTotalIN");
    // Wide enough for the widest figure FormatBytes gives ("1,023.99 MB").
    const int figureWidth =
        ledOctInSec->fontMetrics().horizontalAdvance(QStringLiteral("8,888.88 MB")) + 16;
    inForm->addRow(QStringLiteral("Transfers / sec."), ledOctInSec);
    inForm->addRow(QStringLiteral("Max / Sec."), ledPeakINSec);
    inForm->addRow(QStringLiteral("Average / sec."), ledAvgINSec);
    inForm->addRow(QStringLiteral("Total:"), ledTotalIN);
    groups->addWidget(in);

    auto* out = new QGroupBox(QStringLiteral("OUT (upload)"), page);
    auto* outForm = new QFormLayout(out);
    ledOctOUTSec = readOnlyBox(out, "ledOctOUTSec");
    ledPeakOUTSec = readOnlyBox(out, "ledPeakOUTSec");
    ledAvgOUTSec = readOnlyBox(out, "ledAvgOUTSec");
    ledTotalOUT = readOnlyBox(out, "ledTotalOUT");
    outForm->addRow(QStringLiteral("Transfers / Sec."), ledOctOUTSec);
    outForm->addRow(QStringLiteral("Max / Sec."), ledPeakOUTSec);
    outForm->addRow(QStringLiteral("Average / sec."), ledAvgOUTSec);
    outForm->addRow(QStringLiteral("Total:"), ledTotalOUT);
    groups->addWidget(out);
    for (QLineEdit* box : {ledOctInSec, ledPeakINSec, ledAvgINSec, ledTotalIN, ledOctOUTSec,
                           ledPeakOUTSec, ledAvgOUTSec, ledTotalOUT})
        box->setMinimumWidth(figureWidth);

    auto* details = new QGroupBox(QStringLiteral("Details:"), page);
    // The details take a row of their own, in two columns: the four groups
    // side by side are wider than the frame's first-run client area.
    auto* detailsGrid = new QGridLayout(details);
    edHostP = new QLineEdit(details);
    edHostP->setObjectName(QStringLiteral("edHostP"));
    edHostN = new QLineEdit(details);
    edHostN->setObjectName(QStringLiteral("edHostN"));
    MemExtIP = new QPlainTextEdit(details);
    MemExtIP->setObjectName(QStringLiteral("MemExtIP"));
    MemExtIP->setFixedHeight(MemExtIP->fontMetrics().height() * 2 + 8);
    edIntIP = new QLineEdit(details);
    edIntIP->setObjectName(QStringLiteral("edIntIP"));
    const auto addDetail = [details, detailsGrid](const QString& caption, QWidget* box, int row,
                                                  int column) {
        auto* label = new QLabel(caption, details);
        label->setBuddy(box);
        detailsGrid->addWidget(label, row, column, Qt::AlignLeft | Qt::AlignVCenter);
        detailsGrid->addWidget(box, row, column + 1);
    };
    addDetail(QStringLiteral("PC"), edHostP, 0, 0);
    addDetail(QStringLiteral("User"), edHostN, 1, 0);
    addDetail(QStringLiteral("External IP"), MemExtIP, 0, 2);
    addDetail(QStringLiteral("Internal IP"), edIntIP, 1, 2);
    detailsGrid->setColumnStretch(1, 1);
    detailsGrid->setColumnStretch(3, 1);
    layout->addLayout(groups);
    layout->addWidget(details);
    layout->addStretch(1);

    TrafficTabs = new QTabBar(page);
    TrafficTabs->setObjectName(QStringLiteral("TrafficTabs"));
    TrafficTabs->setShape(QTabBar::RoundedSouth);
    TrafficTabs->setExpanding(false);
    // An empty strip has no height of its own; keep room for the tabs to come.
    TrafficTabs->setMinimumHeight(TrafficTabs->fontMetrics().height() + 14);
    connect(TrafficTabs, &QTabBar::currentChanged, this, &NetworkDetailsPage::TrafficTabsChange);
    // A click on the tab already current (the one left after "Remove", with
    // nothing selected) changes no tab but still shows its adapter.
    connect(TrafficTabs, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index < m_monitor.count() && m_selected != m_monitor.at(index))
            TrafficTabsChange(index);
    });
    layout->addWidget(TrafficTabs);

    m_monitor.onNewTraffic = [this](TTraffic* adapter) { addAdapterTab(adapter); };
    m_monitor.onFreezeChanged = [this](TTraffic* adapter) { adapterFreezeChanged(adapter); };
    ClearAdapterView();
}

NetworkDetailsPage::~NetworkDetailsPage() {
    m_selected = nullptr;
    m_monitor.clear();
}

void NetworkDetailsPage::setInterfaceSource(std::function<QList<IPHelper::InterfaceRow>()> source) {
    m_interfaceSource = std::move(source);
}

void NetworkDetailsPage::showAddressDetails(const AddressDetails& details) {
    MemExtIP->setPlainText(details.externalAddress);
    edIntIP->setText(details.internalAddress);
    edHostN->setText(details.userName);
    edHostP->setText(details.computerName);
}

AddressDetails NetworkDetailsPage::addressDetails() const {
    return {MemExtIP->toPlainText(), edIntIP->text(), edHostN->text(), edHostP->text()};
}

void NetworkDetailsPage::RefreshTraffic() {
    m_monitor.refresh(m_interfaceSource(), [] { return IPHelper::GetAddressRows(); });
    ShowSelectedAdapter();
}

void NetworkDetailsPage::addAdapterTab(TTraffic* adapter) {
    TrafficTabs->addTab(adapter->IPAddress);
    // Selecting fires the tab change, which shows the new adapter.
    if (TrafficTabs->currentIndex() == TrafficTabs->count() - 1) {
        TrafficTabsChange(TrafficTabs->count() - 1);
    } else {
        TrafficTabs->setCurrentIndex(TrafficTabs->count() - 1);
    }
}

void NetworkDetailsPage::TrafficTabsChange(int index) {
    m_selected = index >= 0 && index < m_monitor.count() ? m_monitor.at(index) : nullptr;
    ShowSelectedAdapter();
}

void NetworkDetailsPage::ShowSelectedAdapter() {
    if (!m_selected) {
        ClearAdapterView();
        return;
    }
    const TTraffic& adapter = *m_selected;
    FreezeButton->setVisible(adapter.Connected);
    UnFreezeButton->setVisible(adapter.Connected);
    ClearCountersButton->setVisible(adapter.Connected);
    RemoveInactiveButton->setVisible(!adapter.Connected);
    FreezeButton->setEnabled(adapter.Running);
    UnFreezeButton->setEnabled(!adapter.Running);
    ledAdapterDescription->setText(adapter.Description);
    StatusText->setText(adapter.StatusText());
    ledMACAddress->setText(adapter.MACAddress);
    ledSpeed->setText(FormatSpeed(adapter.Speed));
    ledOctInSec->setText(FormatBytes(adapter.InPerSec));
    ledPeakINSec->setText(FormatBytes(adapter.PeakInPerSec));
    ledAvgINSec->setText(FormatBytes(adapter.AverageInPerSec));
    ledTotalIN->setText(FormatBytes(adapter.TotalIn));
    ledOctOUTSec->setText(FormatBytes(adapter.OutPerSec));
    ledPeakOUTSec->setText(FormatBytes(adapter.PeakOutPerSec));
    ledAvgOUTSec->setText(FormatBytes(adapter.AverageOutPerSec));
    ledTotalOUT->setText(FormatBytes(adapter.TotalOut));
}

void NetworkDetailsPage::ClearAdapterView() {
    for (QLineEdit* box :
         {StatusText, ledAdapterDescription, ledMACAddress, ledSpeed, ledOctInSec, ledPeakINSec,
          ledAvgINSec, ledTotalIN, ledOctOUTSec, ledPeakOUTSec, ledAvgOUTSec, ledTotalOUT}) {
        box->clear();
    }
}

void NetworkDetailsPage::adapterFreezeChanged(TTraffic* adapter) {
    FreezeButton->setEnabled(adapter->Running);
    UnFreezeButton->setEnabled(!adapter->Running);
}

void NetworkDetailsPage::FreezeButtonClick() {
    if (m_selected)
        m_selected->Freeze();
}

void NetworkDetailsPage::UnFreezeButtonClick() {
    if (m_selected)
        m_selected->UnFreeze();
}

void NetworkDetailsPage::ClearCountersButtonClick() {
    if (!m_selected)
        return;
    m_selected->ResetCounters();
    ShowSelectedAdapter();
}

void NetworkDetailsPage::RemoveInactiveButtonClick() {
    if (!m_selected || m_selected->Connected)
        return;
    const int removed = m_monitor.indexOf(m_selected);
    const int countBefore = TrafficTabs->count();
    m_selected = nullptr;
    {
        // The strip would pick a neighbour by itself; the rule below decides.
        const QSignalBlocker blocker(TrafficTabs);
        TrafficTabs->removeTab(removed);
        m_monitor.remove(removed);
    }
    const int next = selectionAfterRemove(removed, countBefore);
    if (next >= 0) {
        const QSignalBlocker blocker(TrafficTabs);
        TrafficTabs->setCurrentIndex(next);
        TrafficTabsChange(next);
    }
    ShowSelectedAdapter();
}

void NetworkDetailsPage::updateDescriptionHint() {
    const QString text = ledAdapterDescription->text();
    const bool tooWide = ledAdapterDescription->fontMetrics().horizontalAdvance(text) >
                         ledAdapterDescription->contentsRect().width();
    ledAdapterDescription->setToolTip(tooWide ? text : QString());
}
