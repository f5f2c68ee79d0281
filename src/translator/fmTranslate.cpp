#include "fmTranslate.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "IconStatusPanel.h"
#include "LanguagePairs.h"
#include "PageTranslation.h"
#include "Prompts.h"
#include "ServiceAddress.h"
#include "TextTranslation.h"
#include "ToolHost.h"
#include "TranslationServices.h"
#include "TranslatorSettings.h"

namespace {

constexpr const char* kHelpCaption = "Corvanta Help Message";
constexpr int kHelpMilliseconds = 1000;
constexpr const char* kDefaultPageAddress = "www.example.com";
constexpr int kWebBrowserImage = 3;

// Images of "Translator.bmp".
enum Image {
    CloseImage,
    SaveImage,
    TranslateImage,
    BusyImage,
    WebPageImage,
    CutImage,
    CopyImage,
    PasteImage,
    DeleteImage,
    SelectAllImage,
    RetranslateImage,
};

QAction* addNamedAction(QToolBar* bar, const QIcon& icon, const QString& text, const char* name) {
    QAction* action = bar->addAction(icon, text);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Cut and Copy (and "Delete" of the translated text) act on a selection only.
void enableWithSelection(QPlainTextEdit* box, std::initializer_list<QAction*> actions) {
    for (QAction* action : actions) {
        action->setEnabled(false);
        QObject::connect(box, &QPlainTextEdit::copyAvailable, action, &QAction::setEnabled);
    }
}

void selectAll(QPlainTextEdit* box) {
    box->setFocus();
    box->selectAll();
}

}  // namespace

TTransFrm::TTransFrm(ToolHost& host, QWidget* parent)
    : ToolWindow(host, ToolKind::NetTranslator, parent) {
    LoadImageStrip(m_images, "Translator.bmp");
    buildMainToolBar();
    buildBoxes();
    buildStatusBar();
    useEngine(m_engineSettings);
}

TTransFrm::~TTransFrm() = default;

void TTransFrm::useEngine(const EngineSettings& settings) {
    m_engineSettings = settings;
    m_engine = makeTranslationEngine(settings);
    connect(m_engine.get(), &TranslationEngine::finished, this, &TTransFrm::translationFinished);
    m_engineText->setText(m_engine->description());
}

void TTransFrm::buildMainToolBar() {
    QToolBar* bar = addFixedToolBar(QStringLiteral("Translator"), "MainToolBar");

    connect(addNamedAction(bar, m_images.icon(CloseImage), "Close", "TBXClose"),
            &QAction::triggered, this, &TTransFrm::closeTool);

    const auto saveCommand = [this](const QString& text, const char* name, ReportKind kind) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, kind] { saveReport(kind); });
        return action;
    };
    QAction* save = saveCommand("Save", "TBXSave", ReportKind::Both);
    save->setIcon(m_images.icon(SaveImage));
    auto* saveMenu = new QMenu(this);
    saveMenu->addAction(saveCommand("Save The Translated Text Only", "TBXSaveTranslated",
                                    ReportKind::TranslatedOnly));
    saveMenu->addAction(
        saveCommand("Save The Text To Translate Only", "TBXSaveSource", ReportKind::SourceOnly));
    auto* saveButton = new QToolButton(bar);
    saveButton->setDefaultAction(save);
    saveButton->setMenu(saveMenu);
    saveButton->setPopupMode(QToolButton::MenuButtonPopup);
    saveButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addWidget(saveButton);

    ComboBox1 = new QComboBox(bar);
    ComboBox1->setObjectName("ComboBox1");
    // As wide as its longest entry or its prompt, whichever is wider.
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const LanguagePair& pair : kLanguagePairs)
        ComboBox1->addItem(pair.caption);
    ComboBox1->setPlaceholderText("Select Translation Language");
    ComboBox1->setAccessibleName("Translation Language");
    ComboBox1->setCurrentIndex(-1);
    bar->addWidget(ComboBox1);

    connect(addNamedAction(bar, m_images.icon(TranslateImage), "Translate Text", "TBXTranslate"),
            &QAction::triggered, this, &TTransFrm::translateText);

    // Web pages take a second row: one row is wider than the frame's
    // first-run client area, and would hide the page command behind its
    // extension button.
    addToolBarBreak();
    bar = addFixedToolBar(QStringLiteral("Web Page"), "WebPageToolBar");
    auto* pageLabel = new QLabel("  Translate A Web Page: ", bar);
    pageLabel->setEnabled(false);  // drawn grey, as a caption beside the box
    bar->addWidget(pageLabel);
    Addrs = new QComboBox(bar);
    Addrs->setObjectName("Addrs");
    Addrs->setEditable(true);
    Addrs->setInsertPolicy(QComboBox::NoInsert);
    Addrs->setFixedWidth(145);
    Addrs->setEditText(kDefaultPageAddress);
    pageLabel->setBuddy(Addrs);  // names the box for screen readers
    bar->addWidget(Addrs);
    connect(addNamedAction(bar, m_images.icon(WebPageImage), "Translate A Web Page",
                           "TBXTranslatePage"),
            &QAction::triggered, this, &TTransFrm::translateWebPage);
}

QToolBar* TTransFrm::boxToolBar() {
    auto* bar = new QToolBar(this);
    bar->setOrientation(Qt::Vertical);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

void TTransFrm::buildBoxes() {
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    QToolBar* sourceTools = boxToolBar();
    QAction* cut1 = addNamedAction(sourceTools, m_images.icon(CutImage), "Cut", "TBXCut1");
    QAction* copy1 = addNamedAction(sourceTools, m_images.icon(CopyImage), "Copy", "TBXCopy1");
    connect(cut1, &QAction::triggered, Memo1, &QPlainTextEdit::cut);
    connect(copy1, &QAction::triggered, Memo1, &QPlainTextEdit::copy);
    enableWithSelection(Memo1, {cut1, copy1});
    connect(addNamedAction(sourceTools, m_images.icon(PasteImage), "Paste", "TBXPaste1"),
            &QAction::triggered, Memo1, &QPlainTextEdit::paste);
    connect(addNamedAction(sourceTools, m_images.icon(DeleteImage), "Delete", "TBXDelete1"),
            &QAction::triggered, this, [this] { setBoxText(Memo1, QString()); });
    connect(
        addNamedAction(sourceTools, m_images.icon(SelectAllImage), "Select All", "TBXSelectAll1"),
        &QAction::triggered, this, [this] { selectAll(Memo1); });

    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName("Memo2");
    Memo2->setReadOnly(true);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QToolBar* translatedTools = boxToolBar();
    QAction* cut2 = addNamedAction(translatedTools, m_images.icon(CutImage), "Cut", "TBXCut2");
    QAction* copy2 = addNamedAction(translatedTools, m_images.icon(CopyImage), "Copy", "TBXCopy2");
    QAction* delete2 =
        addNamedAction(translatedTools, m_images.icon(DeleteImage), "Delete", "TBXDelete2");
    connect(cut2, &QAction::triggered, Memo2, &QPlainTextEdit::cut);
    connect(copy2, &QAction::triggered, Memo2, &QPlainTextEdit::copy);
    connect(delete2, &QAction::triggered, this, [this] { setBoxText(Memo2, QString()); });
    enableWithSelection(Memo2, {cut2, copy2, delete2});
    connect(addNamedAction(translatedTools, m_images.icon(SelectAllImage), "Sellect All",
                           "TBXSelectAll2"),
            &QAction::triggered, this, [this] { selectAll(Memo2); });
    connect(addNamedAction(translatedTools, m_images.icon(RetranslateImage), "Move To Retranslate",
                           "TBXRetranslate"),
            &QAction::triggered, this, &TTransFrm::moveToRetranslate);

    const auto group = [this](const QString& title, QToolBar* tools, QPlainTextEdit* box) {
        auto* frame = new QGroupBox(title, this);
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(2, 2, 2, 2);
        // Every command of a box stays in sight, none in an overflow menu.
        tools->setMinimumHeight(tools->sizeHint().height());
        layout->addWidget(tools);
        layout->addWidget(box);
        return frame;
    };
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(group("Text To Translate", sourceTools, Memo1));
    splitter->addWidget(group("Translated Text", translatedTools, Memo2));
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({400, 148});
    setCentralWidget(splitter);
}

void TTransFrm::buildStatusBar() {
    m_status = new IconStatusPanel(200, "StatusPanel0", this);
    m_received = new QLabel(this);
    m_received->setObjectName("StatusPanel1");
    m_received->setTextFormat(Qt::PlainText);
    m_received->setFixedWidth(200);
    m_engineText = new QLabel(this);
    m_engineText->setObjectName("StatusPanel2");
    m_engineText->setTextFormat(Qt::PlainText);  // may name a server's engine
    m_engineText->setToolTip(
        "The engine is chosen by the value \"TranslationEngine\" under "
        "\\Software\\Corvanta\\Translator: \"local\" (offline), \"web\" or "
        "\"libretranslate\".");
    statusBar()->addWidget(m_status);
    statusBar()->addWidget(m_received);
    statusBar()->addWidget(m_engineText, 1);
}

void TTransFrm::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    setStatus("Ready", false);
    Memo1->setFocus();
    const TranslatorSettings settings = TranslatorSettings::read();
    if (!settings.addressHistory.isEmpty())
        showAddressHistory(settings.addressHistory);
    ComboBox1->setCurrentIndex(settings.selectedTranslation);
    useEngine(settings.engine);
}

bool TTransFrm::queryClose() {
    TranslatorSettings{ComboBox1->currentIndex(), addressHistory(), m_engineSettings}.write();
    return true;
}

void TTransFrm::handOffText(const QString& text) {
    setBoxText(Memo1, text);
}

void TTransFrm::translateText() {
    // The engine works on (a process, or a request waiting in a local event
    // loop); a second click meanwhile is ignored.
    if (m_translating)
        return;
    m_translating = true;
    m_page.clear();
    const QString text = Memo1->toPlainText();
    setStatus("Translating...", true);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    m_engine->translate(ComboBox1->currentIndex(), TranslationEngine::Format::Text, [text] {
        return TranslationEngine::Source{true, text, {}, {}};
    });
}

void TTransFrm::translateWebPage() {
    const QString typed = Addrs->currentText();
    if (m_engineSettings.kind == EngineKind::WebService) {
        translatePageByService(typed);
        return;
    }
    if (m_translating)
        return;
    const std::optional<QUrl> page = PageTranslation::pageUrl(typed);
    if (!page)
        return;
    appendSourceLine(page->toString());
    showAddressHistory(PageTranslation::recordAddress(addressHistory(), typed));
    m_translating = true;
    m_page = *page;
    setStatus("Translating...", true);
    // A redirected page is shown at the address that answered, which its
    // relative links need.
    m_engine->translate(ComboBox1->currentIndex(), TranslationEngine::Format::Html,
                        [this, page = *page] {
                            TranslationEngine::Source fetched = PageTranslation::fetchPage(page);
                            if (fetched.ok)
                                m_page = QUrl(fetched.address);
                            return fetched;
                        });
}

void TTransFrm::translatePageByService(const QString& typed) {
    const std::optional<QString> address = PageTranslation::address(
        ServiceAddress::get(TranslationServices::kPageName, TranslationServices::kPageDefault),
        typed, ComboBox1->currentIndex());
    if (!address)
        return;
    appendSourceLine(*address);
    host().browseUrl(*address, ToolHost::History::Record, "Web Translation", kWebBrowserImage);
    showAddressHistory(PageTranslation::recordAddress(addressHistory(), typed));
}

void TTransFrm::translationFinished(const TranslationOutcome& outcome) {
    m_translating = false;
    m_engineText->setText(outcome.engine);
    switch (outcome.status) {
        case TranslationOutcome::Status::Unsupported:
            // Nothing was sent; the window is ready for another pair.
            setStatus("Ready", false);
            prompts().message(Prompts::Kind::Warning, QString(), outcome.message);
            return;
        case TranslationOutcome::Status::Failed:
            // As a failed request: the error box, the status left as it is.
            prompts().errorBox(outcome.message);
            return;
        case TranslationOutcome::Status::Translated:
            break;
    }
    m_received->setText(TextTranslation::receivedStatus(outcome.receivedLength));
    if (m_page.isEmpty()) {
        setBoxText(Memo2, outcome.text);
    } else {
        host().browseHtml(outcome.text, m_page.toString(), "Web Translation", kWebBrowserImage);
    }
    QApplication::alert(this, 1500);
    setStatus("Ready", false);
}

void TTransFrm::saveReport(ReportKind kind) {
    // Whatever is saved, the rule looks at the source box only.
    if (!Memo1->document()->isModified()) {
        prompts().timedMessage(kHelpCaption, "Nothing To save !!", kHelpMilliseconds);
        return;
    }
    setStatus("Saving", false);
    QString fileName = prompts().saveFileName("Corvanta Save as a text or a word file",
                                              QDir::homePath() + "/Corvanta_Translator",
                                              "Text file (*.txt);;Word file (*.doc)");
    if (fileName.isEmpty()) {
        prompts().timedMessage(kHelpCaption, "Save file procedure was cancelled.",
                               kHelpMilliseconds);
        return;
    }
    // ".txt" is added only where it replaces nothing: the dialog asked about
    // overwriting the name as typed, not this one.
    if (QFileInfo(fileName).suffix().isEmpty() && !QFileInfo::exists(fileName + ".txt"))
        fileName += ".txt";
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(translatorReport(kind, boxLines(Memo1->toPlainText()),
                                    boxLines(Memo2->toPlainText()))) < 0 ||
        !file.commit()) {
        prompts().errorBox(QStringLiteral("Cannot create file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(fileName), file.errorString()));
        return;
    }
    prompts().timedMessage(kHelpCaption, "The file was saved.", kHelpMilliseconds);
}

void TTransFrm::moveToRetranslate() {
    setBoxText(Memo1, Memo2->toPlainText());
    setBoxText(Memo2, QString());
}

void TTransFrm::closeTool() {
    // Inside the frame the window sits in an MDI sub-window, which closes it.
    if (auto* subWindow = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        subWindow->close();
    } else {
        close();
    }
}

void TTransFrm::setStatus(const QString& text, bool busy) {
    m_status->setText(text);
    m_status->setIcon(busy ? m_images.icon(BusyImage) : QIcon());
}

void TTransFrm::setBoxText(QPlainTextEdit* box, const QString& text) {
    box->setPlainText(text);
    box->document()->setModified(false);
}

void TTransFrm::appendSourceLine(const QString& line) {
    const bool edited = Memo1->document()->isModified();
    Memo1->appendPlainText(line);
    Memo1->document()->setModified(edited);
}

QStringList TTransFrm::addressHistory() const {
    QStringList history;
    for (int i = 0; i < Addrs->count(); ++i)
        history.append(Addrs->itemText(i));
    return history;
}

void TTransFrm::showAddressHistory(const QStringList& history) {
    Addrs->clear();
    Addrs->addItems(history);
    Addrs->setCurrentIndex(0);
}
