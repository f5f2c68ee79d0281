#include "fmGrabber.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include "AppError.h"
#include "GrabberLog.h"
#include "GrabberProgressList.h"
#include "GrabberSettings.h"
#include "IconStatusPanel.h"
#include "Prompts.h"
#include "ToolHost.h"
#include "fmUtils.h"

namespace {

constexpr const char* kHelpCaption = "Corvanta Help Message";

// Images of "Grabber.bmp".
enum Image {
    OptionsImage,
    GrabImage,
    StopImage,
    SaveImage,
    ExitImage,
    BrowseImage,
    ExploreImage,
    BusyImage,
    StoppedImage,
};

const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

// The address as part of a file name: no folders, nothing a file system refuses.
QString fileNamePart(const QString& address) {
    QString name = address;
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'?' || c == u'*' || c == u'"' ||
            c == u'<' || c == u'>' || c == u'|' || c.unicode() < 32)
            c = u'_';
    }
    return name;
}

}  // namespace

// The check items in menu order, each with its stored value.
const TGrabberFrm::OptionItem TGrabberFrm::kOptions[] = {
    {"Grab All", "TBXGrabAll", gaGrabAll, "* Grab All", &GrabberSettings::grabAll},
    {"Grab Images", "TBXGrabImages", gaGrabImages, "* Grab Images", &GrabberSettings::grabImages},
    {"Grab Audio and Video", "TBXGrabAudioVideo", gaGrabAudioVideo, "* Grab Audio And Video",
     &GrabberSettings::grabAudioVideo},
    {"Grab Data", "TBXGrabData", gaGrabData, "* Grab Data", &GrabberSettings::grabData},
    {"Grab Frames", "TBXGrabFrames", gaGrabFrames, "* Grab Frames", &GrabberSettings::grabFrames},
    {"Make Browsable", "TBXMakeBrowsable", gaMakeBrowsable, "* Make Browseble",
     &GrabberSettings::makeBrowsable},
    {"Replace Existing", "TBXReplaceExisting", gaReplaceExisting, "* Replace Existing",
     &GrabberSettings::replaceExisting},
    {"Multipart Downloading", "TBXMultipart", GrabOption(0), nullptr,
     &GrabberSettings::multipartDownloading},
};

namespace {

// The grab sets the flags and logs them in this order of the check items.
constexpr int kLogOrder[] = {0, 1, 2, 3, 5, 4, 6};

}  // namespace

TGrabberFrm::TGrabberFrm(ToolHost& host, QWidget* parent)
    : ToolWindow(host, ToolKind::WebSiteGrabber, parent) {
    LoadImageStrip(m_images, "Grabber.bmp");
    buildToolBar();

    MemLog = new GrabberLog(this);
    MemLog->setObjectName("MemLog");
    MemLog->setAccessibleName("Grab log");
    for (const char* line :
         {"To grab a web site please, select your prefered options and press Grab.",
          "You can save the log after the grab is done.", " "})
        MemLog->addLine(QString::fromLatin1(line));
    connect(MemLog, &GrabberLog::linkClicked, this,
            [this](const QString& address) { this->host().browseUrl(address); });

    LVTransfer = new GrabberProgressList(m_grabber.downloader(), this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(MemLog);
    splitter->addWidget(LVTransfer);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    buildStatusBar();
    connectGrabber();
    updateState();
}

TGrabberFrm::~TGrabberFrm() {
    writeSettings();
}

void TGrabberFrm::buildToolBar() {
    QToolBar* bar = addFixedToolBar(QStringLiteral("Grabber"), "GrabberToolBar");

    auto* options = new QMenu(QStringLiteral("Options"), this);
    for (const OptionItem& item : kOptions) {
        QAction* action = options->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setCheckable(true);
        action->setChecked(true);
        m_optionItems.append(action);
    }
    m_multipart = m_optionItems.last();
    connect(m_multipart, &QAction::toggled, this, &TGrabberFrm::multipartToggled);
    options->addSeparator();
    addPolitenessControls(options);
    options->addSeparator();
    QAction* save = options->addAction(m_images.icon(SaveImage), "Save the log as..");
    save->setObjectName("TBXItem1");
    connect(save, &QAction::triggered, this, &TGrabberFrm::TBXItem1Click);
    QAction* exit = options->addAction(m_images.icon(ExitImage), "Exit");
    exit->setObjectName("TBXExit");
    // Closing the tool takes its MDI frame along (ToolWindow).
    connect(exit, &QAction::triggered, this, &QWidget::close);
    auto* optionsButton = new QToolButton(bar);
    optionsButton->setObjectName("TBXOptions");
    optionsButton->setText("Options");
    optionsButton->setIcon(m_images.icon(OptionsImage));
    optionsButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    optionsButton->setPopupMode(QToolButton::InstantPopup);
    optionsButton->setMenu(options);
    bar->addWidget(optionsButton);

    auto* addressLabel = new QLabel("Address: ", bar);
    bar->addWidget(addressLabel);
    edtRootUrl = new QComboBox(bar);
    edtRootUrl->setObjectName("edtRootUrl");
    edtRootUrl->setAccessibleName("Address");
    // An editable box is named by its text once it holds one: its label
    // keeps naming it for screen readers.
    addressLabel->setBuddy(edtRootUrl);
    edtRootUrl->setEditable(true);
    edtRootUrl->setInsertPolicy(QComboBox::NoInsert);
    edtRootUrl->setMinimumWidth(220);
    edtRootUrl->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(edtRootUrl->lineEdit(), &QLineEdit::returnPressed, this, &TGrabberFrm::TBXGrabClick);
    bar->addWidget(edtRootUrl);

    const auto command = [this, &bar](int image, const QString& caption, const char* name,
                                      void (TGrabberFrm::*handler)()) {
        QAction* action = bar->addAction(m_images.icon(image), caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    TBXGrab = command(GrabImage, "Grab", "TBXGrab", &TGrabberFrm::TBXGrabClick);
    TBXStop = command(StopImage, "Stop", "TBXStop", &TGrabberFrm::TBXStopClick);

    // The folder and the depth take a second row: one row is wider than the
    // frame's first-run client area, and would hide them behind its
    // extension button.
    addToolBarBreak();
    bar = addFixedToolBar(QStringLiteral("Grabber Folder"), "GrabberFolderToolBar");
    bar->addWidget(new QLabel("   Save To Folder:", bar));
    edtTargetDir = new QLineEdit(QDir::homePath() + "/downloads", bar);
    edtTargetDir->setObjectName("edtTargetDir");
    edtTargetDir->setAccessibleName("Save To Folder");
    edtTargetDir->setMinimumWidth(160);
    bar->addWidget(edtTargetDir);
    TBXBrowse = command(BrowseImage, "Browse", "TBXBrowse", &TGrabberFrm::TBXBrowseClick);
    TBXExplorer =
        command(ExploreImage, "Explore the folder", "TBXExplorer", &TGrabberFrm::TBXExplorerClick);

    bar->addWidget(new QLabel("  Grabbing Depth:", bar));
    bar->addWidget(new QLabel(" Level ", bar));
    TBXSELevel = new QSpinBox(bar);
    TBXSELevel->setObjectName("TBXSELevel");
    TBXSELevel->setAccessibleName("Level");
    TBXSELevel->setRange(1, 15);
    TBXSELevel->setValue(3);
    connect(TBXSELevel, &QSpinBox::valueChanged, this, &TGrabberFrm::TBXSELevelValueChange);
    bar->addWidget(TBXSELevel);
}

// How the grab treats servers: robots.txt, connections per host, a delay.
void TGrabberFrm::addPolitenessControls(QMenu* options) {
    m_ignoreRobots = options->addAction("Ignore robots.txt");
    m_ignoreRobots->setObjectName("TBXIgnoreRobots");
    m_ignoreRobots->setCheckable(true);
    const auto spinItem = [this, options](const QString& caption, const char* name, int maximum,
                                          const QString& suffix) {
        auto* row = new QWidget(options);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(24, 2, 8, 2);
        auto* label = new QLabel(caption, row);
        auto* box = new QSpinBox(row);
        box->setObjectName(QString::fromLatin1(name));
        box->setAccessibleName(caption);
        box->setSuffix(suffix);
        label->setBuddy(box);
        layout->addWidget(label);
        layout->addStretch();
        layout->addWidget(box);
        box->setMaximum(maximum);
        auto* action = new QWidgetAction(options);
        action->setDefaultWidget(row);
        options->addAction(action);
        return box;
    };
    m_connections = spinItem("Connections per host", "TBXConnections",
                             GrabberSettings::kMostConnectionsPerHost, QString());
    m_connections->setMinimum(1);
    m_connections->setValue(GrabberSettings().connectionsPerHost);
    m_delay = spinItem("Delay between requests", "TBXDelay", GrabberSettings::kLongestDelay, " ms");
    m_delay->setSingleStep(100);
}

void TGrabberFrm::buildStatusBar() {
    m_status = new IconStatusPanel(400, "StatusPanel0", this);
    m_depthPanel = new QLabel(this);
    m_depthPanel->setObjectName("StatusPanel1");
    m_depthPanel->setTextFormat(Qt::PlainText);
    m_depthPanel->setFixedWidth(140);
    auto* third = new QLabel(this);
    third->setObjectName("StatusPanel2");
    third->setTextFormat(Qt::PlainText);
    third->setFixedWidth(70);
    statusBar()->addWidget(m_status);
    statusBar()->addWidget(m_depthPanel);
    statusBar()->addWidget(third);
    TBXSELevelValueChange(TBXSELevel->value());
}

void TGrabberFrm::connectGrabber() {
    TclMultiDownLoader& downloader = m_grabber.downloader();
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(500);
    connect(m_progressTimer, &QTimer::timeout, this, &TGrabberFrm::showProgress);
    connect(&m_grabber, &SiteGrabber::logLine, MemLog, &GrabberLog::addLine);
    connect(&downloader, &TclMultiTransfer::dataProceeded, this,
            [this](TclTransferItem* item) { LVTransfer->showProgress(item); });
    // Progress cells redraw when the list shows its gathered reports.
    connect(&downloader, &TclMultiTransfer::changed, LVTransfer, &GrabberProgressList::noteChange);
    connect(&downloader, &TclMultiTransfer::errorOccurred, this,
            [this](TclTransferItem* item) { MemLog->addLine("Error on address " + item->url()); });
    connect(&downloader, &TclMultiTransfer::processCompleted, this, [this](TclTransferItem* item) {
        LVTransfer->showStatus(item);
        // Only what arrived is "Downloaded"; failures have their error line.
        const TransferStatus status = item->status();
        if (status == TransferStatus::Done || status == TransferStatus::Warnings)
            MemLog->addLine((SiteGrabber::isUnchanged(item) ? "Unchanged " : "Downloaded ") +
                            item->url());
    });
    connect(&m_grabber, &SiteGrabber::busyStateChanged, this, [this](bool busy) {
        LVTransfer->flush();
        updateState();
        if (busy)
            m_progressTimer->start();
        else
            m_progressTimer->stop();
    });
}

void TGrabberFrm::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    readSettings();
}

void TGrabberFrm::readSettings() {
    GrabberSettings settings;
    for (int i = 0; i < m_optionItems.size(); ++i)
        settings.*kOptions[i].stored = m_optionItems[i]->isChecked();
    settings.grabDepth = TBXSELevel->value();
    settings.read();
    for (int i = 0; i < m_optionItems.size(); ++i) {
        const QSignalBlocker quiet(m_optionItems[i]);  // no question while reading
        m_optionItems[i]->setChecked(settings.*kOptions[i].stored);
    }
    TBXSELevel->setValue(settings.grabDepth);
    m_ignoreRobots->setChecked(settings.ignoreRobots);
    m_connections->setValue(settings.connectionsPerHost);
    m_delay->setValue(settings.requestDelay);
    for (const QString& entry : settings.history)
        edtRootUrl->addItem(entry);
    if (!settings.history.isEmpty())
        edtRootUrl->setCurrentIndex(0);
}

void TGrabberFrm::writeSettings() const {
    GrabberSettings settings;
    for (int i = 0; i < m_optionItems.size(); ++i)
        settings.*kOptions[i].stored = m_optionItems[i]->isChecked();
    settings.grabDepth = TBXSELevel->value();
    settings.ignoreRobots = m_ignoreRobots->isChecked();
    settings.connectionsPerHost = m_connections->value();
    settings.requestDelay = m_delay->value();
    for (int i = 0; i < edtRootUrl->count(); ++i)
        settings.history.append(edtRootUrl->itemText(i));
    settings.write();
}

QAction* TGrabberFrm::option(const QString& caption) const {
    for (QAction* action : m_optionItems) {
        if (action->text() == caption)
            return action;
    }
    return nullptr;
}

QString TGrabberFrm::statusText(int panel) const {
    return panel == 0 ? m_status->text() : panel == 1 ? m_depthPanel->text() : QString();
}

void TGrabberFrm::handOffAddress(const QString& address) {
    edtRootUrl->setEditText(address);
    TBXGrabClick();
}

bool TGrabberFrm::queryClose() {
    if (!m_grabber.isBusy())
        return true;
    prompts().timedMessage(kHelpCaption,
                           "You Can not close the application in the middle of grabbing.\n\r"
                           "Please press the Stop button to cancel the grabbing process.",
                           2000);
    return false;
}

void TGrabberFrm::TBXGrabClick() {
    LVTransfer->clearRows();
    const QString address = edtRootUrl->currentText();
    if (!address.isEmpty()) {
        edtRootUrl->addItem(address);
        edtRootUrl->setEditText(address);
    }
    if (m_grabber.isBusy()) {
        prompts().timedMessage(kHelpCaption,
                               "Corvanta is already grabbing.\n\r"
                               "You have to press stop before you can change something.",
                               2000);
        return;
    }
    if (address.isEmpty()) {
        prompts().timedMessage(kHelpCaption, "Please Enter a valid internet address", 1000);
        return;
    }
    MemLog->clearLines();
    for (const char* line : {"Corvanta Grab A Web Site Log: ", "", "The grab settings: "})
        MemLog->addLine(QString::fromLatin1(line));
    MemLog->addLine("* Address: " + address);
    GrabOptions flags;
    for (int i : kLogOrder) {
        if (!m_optionItems[i]->isChecked())
            continue;
        flags |= kOptions[i].flag;
        MemLog->addLine(QString::fromLatin1(kOptions[i].logLine));
    }
    if (m_ignoreRobots->isChecked())
        MemLog->addLine("* Ignore robots.txt");
    m_grabber.setGrabOptions(flags);
    m_grabber.setPoliteness(
        {!m_ignoreRobots->isChecked(), m_connections->value(), m_delay->value()});
    m_grabber.setDoNotGetResourceInfo(!m_multipart->isChecked());
    const QString folder = edtTargetDir->text();
    m_grabber.setLocalFolder(folder);
    try {
        m_grabber.grab(address, TBXSELevel->value());
    } catch (const AppError& error) {
        prompts().errorBox(error.message());
        return;
    }
    MemLog->addLine("* Grabbing Folders Depth:" + QString::number(TBXSELevel->value()));
    MemLog->addLine("* The Files Are Save To : " + folder);
    MemLog->addLine("----------------------------------------------");
    MemLog->addLine("----Please Wait until we will download the pages---");
    if (m_grabber.isBusy()) {
        showProgress();
        m_status->setIcon(m_images.icon(BusyImage));
    } else {
        MemLog->addLine("");
        MemLog->addLine(
            "Corvanta has finished Grabbing. Wait a second to free the files from the memory.");
        MemLog->addLine("Thank you for choosing Corvanta ;)");
        m_status->setIcon(QIcon());
    }
}

void TGrabberFrm::TBXStopClick() {
    m_grabber.stopAll();
    m_status->setText("User request to stop the process.");
    MemLog->setLineColour(kRed);
    MemLog->addLine("");
    MemLog->addLine("User request to stop the process.");
    MemLog->addLine("Wait untill Corvanta will finish extracting the files from the memory...");
    MemLog->setLineColour(kNavy);
    MemLog->addLine("");
    m_status->setIcon(m_images.icon(StoppedImage));
}

void TGrabberFrm::TBXItem1Click() {
    QString fileName = prompts().saveFileName(
        "Corvanta Grabber Save as a text or a word file",
        QDir(edtTargetDir->text())
            .filePath("CorvantaGrabberLog_" + fileNamePart(edtRootUrl->currentText())),
        "Text file (*.txt);;Word file (*.doc)");
    if (fileName.isEmpty()) {
        prompts().timedMessage(kHelpCaption, "Save file procedure was cancelled.", 1000);
        return;
    }
    // The default extension, where it replaces nothing the dialog did not ask about.
    if (QFileInfo(fileName).suffix().isEmpty() && !QFileInfo::exists(fileName + ".txt"))
        fileName += ".txt";
    QSaveFile file(fileName);
    const QByteArray text = MemLog->lines().join(QLatin1Char('\n')).toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        prompts().errorBox(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
        return;
    }
    prompts().timedMessage(kHelpCaption, "The file was saved.", 1000);
}

void TGrabberFrm::TBXBrowseClick() {
    TBrowse4Folder picker(prompts());
    picker.setFlags(TBrowseInfoFlag::ShowPath | TBrowseInfoFlag::EditBox |
                    TBrowseInfoFlag::UsageHint | TBrowseInfoFlag::ShowShared |
                    TBrowseInfoFlag::Validate);
    picker.setTitles(picker.LabelCaptions());
    picker.setFolder(edtTargetDir->text());
    picker.setReturnSpecialFolder(true);
    if (picker.Execute()) {
        edtTargetDir->setText(picker.Folder());
    } else {
        prompts().timedMessage(kHelpCaption, "You did not select a folder!", 1000);
    }
}

void TGrabberFrm::TBXExplorerClick() {
    host().exploreFolder(edtTargetDir->text());
}

void TGrabberFrm::TBXSELevelValueChange(int value) {
    m_depthPanel->setText("Grab Depth: " + QString::number(value) + " Folders.");
}

void TGrabberFrm::multipartToggled(bool checked) {
    if (checked)
        return;
    const Prompts::Button answer = prompts().message(
        Prompts::Kind::Error, QString(), "Are you sure? It will disable the visual progressbar!",
        Prompts::Ok | Prompts::Cancel);
    if (answer != Prompts::Ok) {
        const QSignalBlocker quiet(m_multipart);
        m_multipart->setChecked(true);
    }
}

void TGrabberFrm::updateState() {
    const bool grabbing = m_grabber.isGrabbing();
    if (grabbing) {
        showProgress();
    } else {
        setStatus("Ready", -1);
    }
    TBXGrab->setVisible(!grabbing);
    TBXStop->setVisible(grabbing);
    for (QWidget* control :
         {static_cast<QWidget*>(edtRootUrl), static_cast<QWidget*>(edtTargetDir)})
        control->setEnabled(!grabbing);
    TBXBrowse->setEnabled(!grabbing);
    TBXExplorer->setEnabled(!grabbing);
}

// While grabbing, panel 0 tells how far the grab has come.
void TGrabberFrm::showProgress() {
    if (m_grabber.isGrabbing())
        m_status->setText("Grabbing... " + progressText(m_grabber.progress()));
}

void TGrabberFrm::setStatus(const QString& text, int image) {
    m_status->setText(text);
    m_status->setIcon(image < 0 ? QIcon() : m_images.icon(image));
}
