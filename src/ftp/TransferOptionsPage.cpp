#include "TransferOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardItemModel>

#include "AppError.h"
#include "FtpPrompts.h"
#include "Prompts.h"
#include "ThreadPriority.h"
#include "TransferQueue.h"

namespace {

// How far above the process the engine runs the threads of a "Higher" item.
constexpr int kHigherPrioritySteps = 5;

}  // namespace

TransferOptionsPage::TransferOptionsPage(TransferQueue& queue, Prompts& prompts, QWidget* parent)
    : QScrollArea(parent), m_queue(queue), m_prompts(prompts) {
    setObjectName("tabOptions");
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* groups = new QWidget;
    auto* layout = new QHBoxLayout(groups);
    layout->setContentsMargins(2, 2, 2, 2);
    auto group = [this, layout](const QString& title) {
        auto* box = new QGroupBox(title);
        auto* form = new QFormLayout(box);
        form->setContentsMargins(4, 2, 4, 2);
        form->setVerticalSpacing(2);
        layout->addWidget(box);
        m_groups.append(box);
        return form;
    };

    QFormLayout* basic = group("Basic Settings");
    edtMultiUser = text("edtMultiUser");
    edtMultiPassword = text("edtMultiPassword");
    cbPriority = new QComboBox;
    cbPriority->setObjectName("cbPriority");
    cbPriority->addItems({"Lower", "Normal", "Higher"});
    cbPriority->setCurrentIndex(-1);
    edtThreadCount = number("edtThreadCount", 1, 10);
    chkPassiveFTPMode = new QCheckBox("Passive FTP Mode");
    chkPassiveFTPMode->setObjectName("chkPassiveFTPMode");
    basic->addRow("User        ", edtMultiUser);
    basic->addRow("Password", edtMultiPassword);
    basic->addRow("Priority     ", cbPriority);
    basic->addRow("Threads", edtThreadCount);
    basic->addRow(chkPassiveFTPMode);

    QFormLayout* advanced = group("Advanced Settings");
    // At 0 s every transfer would time out at once: one second at least.
    edtTimeOut = number("edtTimeOut", 1, 32767);
    edtTimeOut->setToolTip("1 to 32767 seconds without data before a try fails");
    edtReconnect = number("edtReconnect", 0, 32767);
    edtPreviewCount = number("edtPreviewCount", 0, 32767);
    edtTryCount = number("edtTryCount", 0, 32767);
    edtBufferSize = number("edtBufferSize", 0, 32767);
    advanced->addRow("TimeOut, s", edtTimeOut);
    advanced->addRow("Reconnect After", edtReconnect);
    advanced->addRow("Preview Count", edtPreviewCount);
    advanced->addRow("Try Count", edtTryCount);
    advanced->addRow("Buffer Size", edtBufferSize);

    QFormLayout* proxy = group("Proxy Settings");
    edtHttpProxy = text("edtHttpProxy");
    edtFtpProxy = text("edtFtpProxy");
    edtHttpPort = text("edtHttpPort");
    edtFtpPort = text("edtFtpPort");
    memBypass = new QPlainTextEdit;
    memBypass->setObjectName("memBypass");
    memBypass->setMaximumHeight(48);
    edtProxyUser = text("edtProxyUser");
    edtProxyPassword = text("edtProxyPassword");
    proxy->addRow("HTTP Proxy     ", edtHttpProxy);
    proxy->addRow("FTP Proxy        ", edtFtpProxy);
    proxy->addRow("HTTP Port       ", edtHttpPort);
    proxy->addRow("FTP Port   ", edtFtpPort);
    proxy->addRow("Proxy Bypass   ", memBypass);
    proxy->addRow("Proxy User       ", edtProxyUser);
    proxy->addRow("Proxy Password", edtProxyPassword);
    setWidget(groups);

    // The selected item's fields.
    connect(edtMultiUser, &QLineEdit::textChanged, this, [this](const QString& value) {
        if (!m_filling && m_queue.holds(m_shown)) {
            m_shown->setUserName(value);
        }
    });
    connect(edtMultiPassword, &QLineEdit::textChanged, this, [this](const QString& value) {
        if (!m_filling && m_queue.holds(m_shown)) {
            m_shown->setPassword(value);
        }
    });
    connect(edtThreadCount, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_filling && m_queue.holds(m_shown)) {
            m_shown->setThreadCount(value);
        }
    });
    connect(cbPriority, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_filling || index < 0 || !m_queue.holds(m_shown)) {
            return;
        }
        if (TransferPriority(index) == TransferPriority::Higher &&
            !ThreadPriority::mayRaise(kHigherPrioritySteps)) {
            refuseHigherPriority();
            return;
        }
        m_shown->setPriority(TransferPriority(index));
    });

    // The engines' settings.
    connect(chkPassiveFTPMode, &QCheckBox::toggled, this,
            [this](bool on) { changeEngines([on](TransferSettings& s) { s.passiveFtp = on; }); });
    connect(edtTimeOut, &QSpinBox::valueChanged, this, [this](int seconds) {
        changeEngines([seconds](TransferSettings& s) { s.timeOut = seconds * 1000; });
    });
    connect(edtReconnect, &QSpinBox::valueChanged, this, [this](int seconds) {
        changeEngines([seconds](TransferSettings& s) { s.reconnectAfter = seconds * 1000; });
    });
    connect(edtTryCount, &QSpinBox::valueChanged, this, [this](int tries) {
        changeEngines([tries](TransferSettings& s) { s.tryCount = tries; });
    });
    connect(edtBufferSize, &QSpinBox::valueChanged, this, [this](int bytes) {
        changeEngines([bytes](TransferSettings& s) { s.batchSize = bytes; });
    });
    connect(edtPreviewCount, &QSpinBox::valueChanged, this, [this](int count) {
        if (!m_filling && count >= 0) {
            m_queue.downloader().settings().previewCharCount = count;
        }
    });
    const auto textSetting = [this](QLineEdit* field, QString TransferSettings::*setting) {
        connect(field, &QLineEdit::textChanged, this, [this, setting](const QString& value) {
            changeEngines([setting, value](TransferSettings& s) { s.*setting = value; });
        });
    };
    textSetting(edtHttpProxy, &TransferSettings::httpProxy);
    textSetting(edtFtpProxy, &TransferSettings::ftpProxy);
    textSetting(edtProxyUser, &TransferSettings::proxyUser);
    textSetting(edtProxyPassword, &TransferSettings::proxyPassword);
    // A port is taken when the field is left: a half-typed number is not an error.
    connect(edtHttpPort, &QLineEdit::editingFinished, this,
            [this] { portEdited(edtHttpPort, &TransferSettings::httpProxyPort); });
    connect(edtFtpPort, &QLineEdit::editingFinished, this,
            [this] { portEdited(edtFtpPort, &TransferSettings::ftpProxyPort); });
    connect(memBypass, &QPlainTextEdit::textChanged, this, [this] {
        QStringList hosts = memBypass->toPlainText().trimmed().split('\n');
        hosts.removeAll(QString());
        changeEngines([hosts](TransferSettings& s) { s.proxyBypass = hosts; });
    });
}

void TransferOptionsPage::refuseHigherPriority() {
    // Said once: the entry is not offered again in this window.
    auto* entries = qobject_cast<QStandardItemModel*>(cbPriority->model());
    QStandardItem* higher = entries->item(int(TransferPriority::Higher));
    higher->setEnabled(false);
    higher->setToolTip("Only a privileged user may raise the priority of transfers here.");
    cbPriority->setCurrentIndex(int(TransferPriority::Normal));
    m_prompts.message(Prompts::Kind::Information, QString(),
                      "This system lets only a privileged user raise the priority of transfers: "
                      "they keep the priority \"Normal\".");
}

QLineEdit* TransferOptionsPage::text(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    return field;
}

QSpinBox* TransferOptionsPage::number(const char* name, int minimum, int maximum) {
    auto* field = new QSpinBox;
    field->setObjectName(name);
    field->setRange(minimum, maximum);
    return field;
}

template <typename Change>
void TransferOptionsPage::changeEngines(Change&& change) {
    if (m_filling) {
        return;
    }
    change(m_queue.downloader().settings());
    copyEngineSettings(m_queue.downloader().settings(), m_queue.uploader().settings());
}

void TransferOptionsPage::portEdited(QLineEdit* field, int TransferSettings::*port) {
    if (m_filling) {
        return;
    }
    TransferSettings& settings = m_queue.downloader().settings();
    runGuarded(m_prompts, [&] {
        const int value = integerFromText(field->text());
        changeEngines([port, value](TransferSettings& s) { s.*port = value; });
    });
    // The field shows the port in use, the previous one after an error.
    m_filling = true;
    field->setText(QString::number(settings.*port));
    m_filling = false;
}

void TransferOptionsPage::fillFromEngines() {
    const TransferSettings& settings = m_queue.downloader().settings();
    m_filling = true;
    edtTimeOut->setValue(settings.timeOut / 1000);
    edtPreviewCount->setValue(settings.previewCharCount);
    chkPassiveFTPMode->setChecked(settings.passiveFtp);
    edtHttpProxy->setText(settings.httpProxy);
    edtFtpProxy->setText(settings.ftpProxy);
    memBypass->setPlainText(settings.proxyBypass.join('\n').trimmed());
    edtProxyUser->setText(settings.proxyUser);
    edtProxyPassword->setText(settings.proxyPassword);
    edtHttpPort->setText(QString::number(settings.httpProxyPort));
    edtFtpPort->setText(QString::number(settings.ftpProxyPort));
    edtBufferSize->setValue(settings.batchSize);
    edtReconnect->setValue(settings.reconnectAfter / 1000);
    edtTryCount->setValue(settings.tryCount);
    m_filling = false;
    copyEngineSettings(settings, m_queue.uploader().settings());
}

void TransferOptionsPage::clearItemFields() {
    m_shown = nullptr;
    m_filling = true;
    edtMultiUser->clear();
    edtMultiPassword->clear();
    cbPriority->setCurrentIndex(-1);
    edtThreadCount->setValue(edtThreadCount->minimum());
    m_filling = false;
}

void TransferOptionsPage::showItem(TclTransferItem* item) {
    m_shown = item;
    m_filling = true;
    edtMultiUser->setText(item->userName());
    edtMultiPassword->setText(item->password());
    cbPriority->setCurrentIndex(int(item->priority()));
    edtThreadCount->setValue(item->threadCount());
    m_filling = false;
}

void TransferOptionsPage::enableFor(const TclTransferItem* item) {
    const bool enabled = item && !item->isRunning();
    for (QGroupBox* group : m_groups) {
        group->setEnabled(enabled);
    }
}
