#include "fmNotepad.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qscilexerxml.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

#include "AppError.h"
#include "EditorSearch.h"
#include "KeyboardLocks.h"
#include "NotepadEditor.h"
#include "Paths.h"
#include "Prompts.h"
#include "Registry.h"
#include "RegistryIniView.h"
#include "StructuredTextLexer.h"
#include "ToolHost.h"
#include "WindowPrint.h"

namespace {

const QString kSettingsKey = QStringLiteral("\\Software\\Corvanta\\Editor");

// Images of Editor.bmp, in strip order.
enum Image {
    ImageNew,
    ImageOpen,
    ImageSave,
    ImageSaveAs,
    ImagePrint,
    ImageExit,
    ImageUndo,
    ImageRedo,
    ImageCut,
    ImageCopy,
    ImagePaste,
    ImageDelete,
    ImageFind,
    ImageFindNext,
    ImageFindPrev,
    ImageReplace,
    ImageSelectAll,
    ImageClear,
    ImageFont,
    ImageColour,
    ImageDate,
};

QString extensionOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix;
}

QString escapeMnemonic(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

// The document as the search engine sees it: its text decoded once per run,
// UTF-16 indexes mapped to the editor's byte offsets.

TfrmNotepad::TfrmNotepad(ToolHost& host, QWidget* parent, Clock clock)
    : ToolWindow(host, ToolKind::Editor, parent),
      m_images(16),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })),
      m_created(m_clock()),
      m_runDialog([](QDialog& dialog) { return dialog.exec(); }) {
    LoadImageStrip(m_images, QStringLiteral("Editor.bmp"));
    synEdMemo = new NotepadEditor(this);
    synEdMemo->setObjectName(QStringLiteral("synEdMemo"));
    setCentralWidget(synEdMemo);
    m_font = synEdMemo->font();
    buildMenus();
    buildStatusBar();
    m_search = std::make_unique<EditorSearch>(
        *this, *synEdMemo, m_runDialog,
        EditorSearch::Hooks{
            [this](const QString& text) { setStatus(text); },
            [this] {
                for (const char* name : {"TBXFindNext", "TBXFindPrev", "TBXReplace"})
                    action(QString::fromLatin1(name))->setEnabled(true);
            }});

    const QString initial = EditorTexts::kInitialLines[0] + QLatin1Char('\n') +
                            EditorTexts::kInitialLines[1] + QLatin1Char('\n') +
                            EditorTexts::kInitialLines[2];
    synEdMemo->loadBytes(initial.toUtf8(), TextEncoding::Utf8, LineEnd::Lf);

    connect(synEdMemo, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        statusChanged(!synEdMemo->reportsChanges() &&
                      (updated & QsciScintillaBase::SC_UPDATE_CONTENT) != 0);
    });
    connect(synEdMemo, &QsciScintilla::textChanged, this, [this] { statusChanged(true); });
    connect(synEdMemo, &QsciScintilla::modificationChanged, this,
            [this](bool) { statusChanged(false); });
    connect(synEdMemo, &QsciScintilla::selectionChanged, this,
            &TfrmNotepad::updateClipboardActions);
    connect(synEdMemo, &NotepadEditor::keyReleased, this, [this](int) {
        statusChanged(false);
        updateClipboardActions();
    });
    connect(synEdMemo, &NotepadEditor::mouseReleased, this, &TfrmNotepad::updateClipboardActions);
    connect(synEdMemo, &NotepadEditor::filesDropped, this, [this](const QStringList& paths) {
        if (!synEdMemo->isModified() || askToSave(QStringLiteral("Save The Changes First?"))) {
            loadFile(paths.first());
        }
    });

    setStatus(EditorTexts::kReady);
    m_panels[1]->setText(EditorTexts::kInitialPosition);
    m_panels[2]->setText(EditorTexts::insertMode(false));
    m_panels[3]->setText(EditorTexts::capsLock(KeyboardLocks::capsLockOn()));
    m_panels[4]->setText(EditorTexts::dateAndTime(m_created));
    readRecentFiles();
    updateClipboardActions();
    action(QStringLiteral("TBXUndo"))->setEnabled(false);
    action(QStringLiteral("TBXRedo"))->setEnabled(false);
}

TfrmNotepad::~TfrmNotepad() {
    m_search.reset();
    try {
        Registry registry;
        if (registry.openKey(kSettingsKey, true)) {
            registry.writeBool(QStringLiteral("WordWrap"), TBXWordWrap->isChecked());
            registry.writeBool(QStringLiteral("Post"), TBXShowSpecial->isChecked());
            registry.closeKey();
        }
    } catch (const AppError&) {
        // A settings store that cannot be written loses the two view options.
    }
    synEdMemo->setLexer(nullptr);
    delete m_lexer;
}

void TfrmNotepad::buildMenus() {
    const auto make = [this](QMenu* menu, const QString& name, const QString& text, int image,
                             auto handler) {
        auto* item = new QAction(m_images.icon(image), text, this);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, handler);
        menu->addAction(item);
        return item;
    };
    QMenuBar* bar = menuBar();
    m_fileMenu = bar->addMenu(QStringLiteral("File"));
    make(m_fileMenu, "TBXNew", "New", ImageNew, [this] {
        TBXNewClick();
    })->setShortcut(QKeySequence::New);
    make(m_fileMenu, "TBXOpen", "Open", ImageOpen, [this] {
        TBXOpenClick();
    })->setShortcut(QKeySequence::Open);
    m_recentMenu = m_fileMenu->addMenu(QStringLiteral("Recent Files"));
    m_recentMenu->menuAction()->setObjectName(QStringLiteral("TBXRecentFiles"));
    for (int i = 0; i < RecentFiles::kCapacity; ++i) {
        m_recentItems[i] = m_recentMenu->addAction(QStringLiteral("[MRU%1]").arg(i + 1));
        m_recentItems[i]->setObjectName(QStringLiteral("TBXMRU%1").arg(i + 1));
        connect(m_recentItems[i], &QAction::triggered, this, [this, i] { openRecentFile(i); });
    }
    connect(m_fileMenu, &QMenu::aboutToShow, this,
            [this] { m_recentMenu->menuAction()->setEnabled(!m_recent.isEmpty()); });
    connect(m_recentMenu, &QMenu::aboutToShow, this, &TfrmNotepad::refreshRecentMenu);
    make(m_fileMenu, "TBXSave", "Save", ImageSave, [this] {
        TBXSaveClick();
    })->setShortcut(QKeySequence::Save);
    make(m_fileMenu, "TBXSaveAs", "Save As...", ImageSaveAs, [this] { TBXSaveAsClick(); });
    make(m_fileMenu, "TBXPrint", "Print", ImagePrint, [this] {
        TBXPrintClick();
    })->setShortcut(QKeySequence::Print);
    make(m_fileMenu, "TBXExit", "Exit", ImageExit, [this] { close(); });

    QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
    make(edit, "TBXUndo", "Undo", ImageUndo, [this] {
        if (synEdMemo->isModified() && synEdMemo->isUndoAvailable()) {
            synEdMemo->undo();
        }
    })->setShortcut(QKeySequence::Undo);
    make(edit, "TBXRedo", "Redo", ImageRedo, [this] {
        synEdMemo->redo();
    })->setShortcut(QKeySequence::Redo);
    make(edit, "TBXCut", "Cut", ImageCut, [this] {
        synEdMemo->cut();
    })->setShortcut(QKeySequence::Cut);
    make(edit, "TBXCopy", "Copy", ImageCopy, [this] {
        synEdMemo->copy();
    })->setShortcut(QKeySequence::Copy);
    make(edit, "TBXPaste", "Paste", ImagePaste, [this] {
        synEdMemo->paste();
    })->setShortcut(QKeySequence::Paste);
    make(edit, "TBXDelete", "Delete", ImageDelete, [this] { synEdMemo->removeSelectedText(); });
    make(edit, "TBXFind", "Find", ImageFind, [this] {
        TBXFindClick();
    })->setShortcut(QKeySequence::Find);
    make(edit, "TBXFindNext", "Find Next", ImageFindNext, [this] {
        TBXFindNextClick();
    })->setShortcut(QKeySequence::FindNext);
    make(edit, "TBXFindPrev", "Find Prev", ImageFindPrev, [this] {
        TBXFindPrevClick();
    })->setShortcut(QKeySequence::FindPrevious);
    make(edit, "TBXReplace", "Find And Replace", ImageReplace, [this] {
        TBXReplaceClick();
    })->setShortcut(QKeySequence::Replace);
    for (const char* name : {"TBXFindNext", "TBXFindPrev", "TBXReplace"}) {
        action(QString::fromLatin1(name))->setEnabled(false);
    }
    make(edit, "TBXSelectAll", "Select All", ImageSelectAll, [this] { synEdMemo->selectAll(); });
    make(edit, "TBXClear", "Clear", ImageClear, [this] { synEdMemo->clear(); });
    // They belong to the window too: a menu's actions alone only count while
    // the focus is in the menu bar. The editing component gives up its own
    // bindings of their keys, or Ctrl+Z, Ctrl+X... typed in the text would
    // bypass the commands' conditions (Undo after a save) and state updates.
    for (QAction* item : edit->actions()) {
        item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        for (const QKeySequence& keys : item->shortcuts()) {
            const int key = keys[0].toCombined();
            for (QsciCommand* command : synEdMemo->standardCommands()->commands()) {
                if (command->key() == key)
                    command->setKey(0);
                if (command->alternateKey() == key)
                    command->setAlternateKey(0);
            }
        }
    }
    addActions(edit->actions());

    QMenu* options = bar->addMenu(QStringLiteral("Options"));
    make(options, "TBXFont", "Font", ImageFont, [this] { TBXFontClick(); });
    make(options, "TBXBackColor", "Background Color", ImageColour, [this] { TBXBackColorClick(); });
    make(options, "TBXInsertDate", "Insert Time and Date", ImageDate,
         [this] { TBXInsertDateClick(); });

    QMenu* format = bar->addMenu(QStringLiteral("Format"));
    TBXWordWrap = make(format, "TBXWordWrap", "WordWrap", -1,
                       [this] { synEdMemo->setWordWrap(TBXWordWrap->isChecked()); });
    TBXWordWrap->setCheckable(true);
    TBXShowSpecial = make(format, "TBXShowSpecial", "Show Special Chars", -1, [this] {
        synEdMemo->setShowSpecialCharacters(TBXShowSpecial->isChecked());
    });
    TBXShowSpecial->setCheckable(true);

    auto* tools = addToolBar(QStringLiteral("Editor"));
    tools->setObjectName(QStringLiteral("ToolBar"));
    tools->setMovable(false);
    tools->setIconSize(QSize(16, 16));
    for (const char* name : {"TBXNew", "TBXOpen", "TBXSave", "TBXPrint", "TBXUndo", "TBXRedo",
                             "TBXCut", "TBXCopy", "TBXPaste", "TBXFind", "TBXReplace"}) {
        tools->addAction(action(QString::fromLatin1(name)));
        if (QByteArrayView(name) == "TBXPrint" || QByteArrayView(name) == "TBXRedo" ||
            QByteArrayView(name) == "TBXPaste") {
            tools->addSeparator();
        }
    }
    tools->addSeparator();
    auto* label = new QLabel(QStringLiteral("Choose Editor:"), tools);
    label->setStyleSheet(QStringLiteral("color: grey; padding: 0 4px;"));
    tools->addWidget(label);
    CBEditor = new QComboBox(tools);
    CBEditor->setObjectName(QStringLiteral("CBEditor"));
    label->setBuddy(CBEditor);  // names the box for screen readers, whatever it shows
    // Editable only so that it can show "Xml" for the entry "XML".
    CBEditor->setEditable(true);
    CBEditor->lineEdit()->setReadOnly(true);
    for (EditorMode mode :
         {EditorMode::Text, EditorMode::Pascal, EditorMode::Xml, EditorMode::Html}) {
        CBEditor->addItem(modeEntry(mode));
    }
    CBEditor->setCurrentIndex(0);
    CBEditor->setMinimumContentsLength(8);
    connect(CBEditor, &QComboBox::activated, this, &TfrmNotepad::CBEditorChoose);
    tools->addWidget(CBEditor);

    m_contextMenu = new QMenu(this);
    const auto mirror = [this](const char* source, const QString& text) {
        QAction* original = action(QString::fromLatin1(source));
        auto* item = m_contextMenu->addAction(original->icon(), text, original, &QAction::trigger);
        item->setObjectName(QStringLiteral("pop") + QString::fromLatin1(source + 3));
        item->setEnabled(original->isEnabled());
        connect(original, &QAction::changed, item,
                [item, original] { item->setEnabled(original->isEnabled()); });
    };
    mirror("TBXUndo", "Undo");
    mirror("TBXRedo", "Redo");
    mirror("TBXCut", "Cut");
    mirror("TBXCopy", "Copy");
    mirror("TBXPaste", "Paste");
    mirror("TBXDelete", "Delete");
    mirror("TBXClear", "Clear");
    mirror("TBXSelectAll", "Select all");
    mirror("TBXInsertDate", "Insert Time And Date");
    synEdMemo->setContextMenu(m_contextMenu);
}

void TfrmNotepad::buildStatusBar() {
    const int widths[5] = {150, 120, 100, 130, 170};
    for (int i = 0; i < 5; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_panels[i]->setTextFormat(Qt::PlainText);  // file names are whatever is on disk
        // Panels share the bar in their designed proportions; in a narrow
        // window they clip their texts instead of drawing over each other.
        m_panels[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        m_panels[i]->setMinimumWidth(qMin(widths[i], 40));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(m_panels[i], widths[i]);
    }
}

QAction* TfrmNotepad::action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

QString TfrmNotepad::statusText(int panel) const {
    return panel >= 0 && panel < 5 ? m_panels[panel]->text() : QString();
}

void TfrmNotepad::setStatus(const QString& text) {
    m_panels[0]->setText(text);
}

bool TfrmNotepad::guarded(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const AppError& error) {
        prompts().errorBox(error.message());
    } catch (const std::exception& error) {
        prompts().errorBox(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

// ---- showing, settings ----

void TfrmNotepad::showEvent(QShowEvent* event) {
    ToolWindow::showEvent(event);
    initialiseOnShow();
}

void TfrmNotepad::initialiseOnShow() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    ApplyModeForExtension(m_extension);
    synEdMemo->setFocus();
    readViewSettings();
}

void TfrmNotepad::readViewSettings() {
    try {
        Registry registry;
        if (!registry.openKey(kSettingsKey, false)) {
            return;
        }
        TBXWordWrap->setChecked(registry.readBool(QStringLiteral("WordWrap")));
        synEdMemo->setWordWrap(TBXWordWrap->isChecked());
        TBXShowSpecial->setChecked(registry.readBool(QStringLiteral("Post")));
        synEdMemo->setShowSpecialCharacters(TBXShowSpecial->isChecked());
    } catch (const AppError&) {
        // A missing or unreadable value ends the reading; the rest keep their defaults.
    }
}

void TfrmNotepad::readRecentFiles() {
    try {
        const RegistryIniView settings(kSettingsKey);
        for (int n = RecentFiles::kCapacity; n >= 1; --n) {
            m_recent.add(
                settings.readString(QString(), QStringLiteral("MRUFile%1").arg(n), QString()));
        }
    } catch (const AppError&) {
        // Unreadable settings leave the list empty.
    }
}

void TfrmNotepad::writeRecentFiles() {
    try {
        RegistryIniView settings(kSettingsKey);
        for (int i = 0; i < m_recent.size(); ++i) {
            settings.writeString(QString(), QStringLiteral("MRUFile%1").arg(i + 1),
                                 m_recent.entries().at(i));
        }
    } catch (const AppError&) {
        // The list is lost for the next window; the close goes on.
    }
}

// ---- document commands ----

void TfrmNotepad::newDocument() {
    synEdMemo->loadBytes(QByteArray(), TextEncoding::Utf8, LineEnd::Lf);
    setWindowTitle(QStringLiteral("Corvanta Editor New file") + m_extension);
    // Named after the program, with the document's extension; the program's
    // folder is not writable on Linux, so the name lives where the suite
    // keeps its own files.
    m_fileName = Paths::writableProgramFile(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + m_extension);
    // Every new document gets that same name: its first "Save" asks, with
    // the name proposed, so one new document never silently replaces another.
    m_untitled = true;
    synEdMemo->setModified(false);
}

bool TfrmNotepad::askToSave(const QString& question) {
    const Prompts::Button answer = prompts().message(Prompts::Kind::Question, QString(), question,
                                                     Prompts::Yes | Prompts::No | Prompts::Cancel);
    if (answer == Prompts::Cancel) {
        return false;
    }
    // A save that was cancelled or failed keeps the text: going on would
    // throw away what the user just asked to keep.
    return answer != Prompts::Yes || TBXSaveAsClick();
}

void TfrmNotepad::TBXNewClick() {
    if (m_extension.isEmpty()) {
        m_extension = QStringLiteral(".txt");
    }
    if (!synEdMemo->isModified()) {
        newDocument();
    } else {
        if (!m_fileName.isEmpty()) {
            m_fileName = QFileInfo(m_fileName).absoluteFilePath();
        }
        if (!askToSave(QStringLiteral("Save Changes?"))) {
            return;
        }
        newDocument();
        m_recent.add(m_fileName);
    }
    setStatus(EditorTexts::kReady);
}

void TfrmNotepad::TBXOpenClick() {
    if (synEdMemo->isModified() && !askToSave(QStringLiteral("Save The Changes First?"))) {
        return;
    }
    const QString path = prompts().openFileName(QStringLiteral("Corvanta Editor Open..."),
                                                QFileInfo(m_fileName).absolutePath(), QString());
    if (path.isEmpty()) {
        return;
    }
    loadFile(path);
}

bool TfrmNotepad::loadFile(const QString& path) {
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // The highlighter first: attaching one clears the styles of the whole text.
    ApplyModeForExtension(extensionOf(fullPath));
    if (!guarded([&] { synEdMemo->loadFile(path); })) {
        ApplyModeForExtension(m_extension);
        return false;
    }
    m_extension = extensionOf(fullPath);
    setWindowTitle(fullPath);
    m_fileName = fullPath;
    m_untitled = false;
    m_recent.add(fullPath);
    synEdMemo->setModified(false);
    return true;
}

void TfrmNotepad::openRecentFile(int index) {
    if (index < 0 || index >= m_recent.size()) {
        return;
    }
    // The entry by its name: saving the changed text first puts another
    // name on top of the list, which shifts the entries.
    const QString path = m_recent.entries().at(index);
    // As "Open": a changed text is not thrown away unasked.
    if (synEdMemo->isModified() && !askToSave(QStringLiteral("Save The Changes First?"))) {
        return;
    }
    m_recent.remove(path);
    loadFile(path);  // a file that cannot be read stays off the list
}

void TfrmNotepad::refreshRecentMenu() {
    for (int i = 0; i < RecentFiles::kCapacity; ++i) {
        const bool exists = i < m_recent.size();
        m_recentItems[i]->setVisible(exists);
        if (exists) {
            m_recentItems[i]->setText(escapeMnemonic(m_recent.entries().at(i)));
        }
    }
}

bool TfrmNotepad::writeFile(const QString& path) {
    return guarded([&] { writeDocumentFile(path, synEdMemo->bytes()); });
}

void TfrmNotepad::TBXSaveClick() {
    if (m_fileName.isEmpty() || m_untitled) {
        TBXSaveAsClick();
        return;
    }
    if (writeFile(m_fileName)) {
        synEdMemo->setModified(false);
        setStatus(EditorTexts::kSaved);
    }
}

bool TfrmNotepad::TBXSaveAsClick() {
    const QString proposal =
        m_fileName.isEmpty() ? QStringLiteral("Corvanta Editor  File.txt") : m_fileName;
    const QString path = prompts().saveFileName(QStringLiteral("Save As"), proposal, QString());
    if (path.isEmpty()) {
        setStatus(EditorTexts::kNotSaved);
        return false;
    }
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    if (!writeFile(fullPath)) {
        setStatus(EditorTexts::kNotSaved);
        return false;
    }
    setWindowTitle(fullPath);
    m_fileName = fullPath;
    m_untitled = false;
    m_recent.add(fullPath);
    synEdMemo->setModified(false);
    setStatus(EditorTexts::kSaved);
    return true;
}

bool TfrmNotepad::queryClose() {
    if (synEdMemo->isModified()) {
        const Prompts::Button answer =
            prompts().message(Prompts::Kind::Question, QString(),
                              QStringLiteral("The text was changed, do you want to save it?"),
                              Prompts::Ok | Prompts::Cancel);
        // The user asked to keep the text: a cancelled or failed save keeps
        // the window open rather than lose it.
        if (answer == Prompts::Ok && !TBXSaveAsClick()) {
            return false;
        }
    }
    writeRecentFiles();
    return true;
}

void TfrmNotepad::setDocumentText(const QString& text, bool modified) {
    const QByteArray bytes = text.toUtf8();
    const LineEnd lineEnd = detectLineEnd(bytes);
    if (!modified) {
        synEdMemo->loadBytes(bytes, TextEncoding::Utf8, lineEnd);
        return;
    }
    // Added as an edit: the document counts as changed and can be undone.
    synEdMemo->loadBytes(QByteArray(), TextEncoding::Utf8, lineEnd);
    synEdMemo->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, uintptr_t(bytes.size()),
                             bytes.constData());
}

void TfrmNotepad::handOffText(const QString& text) {
    initialiseOnShow();
    setDocumentText(text, true);
}

void TfrmNotepad::openFile(const QString& path) {
    initialiseOnShow();
    loadFile(path);
}

void TfrmNotepad::showHtmlSource(const QString& html) {
    initialiseOnShow();
    DoBrowserHtml();
    setDocumentText(html, false);
}

// ---- edit and view commands ----

void TfrmNotepad::TBXInsertDateClick() {
    synEdMemo->replaceSelectedText(EditorTexts::dateAndTime(m_clock()));
}

void TfrmNotepad::TBXFontClick() {
    const std::optional<QFont> font = prompts().font(m_font);
    if (!font) {
        return;
    }
    m_font = *font;
    synEdMemo->setFont(m_font);
    if (m_lexer) {
        m_lexer->setFont(m_font);
    }
}

void TfrmNotepad::TBXBackColorClick() {
    const std::optional<QColor> colour = prompts().colour(synEdMemo->paper());
    if (!colour) {
        return;
    }
    m_paper = *colour;
    synEdMemo->setPaper(*colour);
    if (m_lexer) {
        m_lexer->setPaper(*colour);
    }
}

void TfrmNotepad::statusChanged(bool contentChanged) {
    m_panels[3]->setText(EditorTexts::capsLock(KeyboardLocks::capsLockOn()));
    m_panels[2]->setText(EditorTexts::insertMode(synEdMemo->overwriteMode()));
    const QPoint caret = synEdMemo->caretLineAndColumn();
    if (caret.x() > 0 && caret.y() > 0) {
        m_panels[1]->setText(EditorTexts::position(caret.y(), caret.x()));
    }
    const bool canUndo = synEdMemo->isModified() && synEdMemo->isUndoAvailable();
    if (canUndo && contentChanged) {
        setStatus(EditorTexts::kModified);
    }
    action(QStringLiteral("TBXUndo"))->setEnabled(canUndo);
    action(QStringLiteral("TBXRedo"))->setEnabled(synEdMemo->isRedoAvailable());
}

void TfrmNotepad::updateClipboardActions() {
    const bool selected = synEdMemo->hasSelectedText();
    for (const char* name : {"TBXCut", "TBXCopy", "TBXDelete"}) {
        action(QString::fromLatin1(name))->setEnabled(selected);
    }
}

// ---- modes ----

void TfrmNotepad::attachHighlighter(EditorMode mode) {
    QsciLexer* lexer = nullptr;
    switch (mode) {
        case EditorMode::Text:
            lexer = new StructuredTextLexer(this);
            break;
        case EditorMode::Pascal:
            lexer = new QsciLexerPascal(this);
            break;
        case EditorMode::Xml:
            lexer = new QsciLexerXML(this);
            break;
        case EditorMode::Html:
            lexer = new QsciLexerHTML(this);
            break;
    }
    lexer->setDefaultFont(m_font);
    lexer->setFont(m_font);
    if (m_paper) {
        lexer->setDefaultPaper(*m_paper);
        lexer->setPaper(*m_paper);
    }
    synEdMemo->setLexer(lexer);
    delete m_lexer;
    m_lexer = lexer;
    m_mode = mode;
}

void TfrmNotepad::showMode(const ModeChoice& choice) {
    CBEditor->setCurrentIndex(int(choice.mode));
    CBEditor->setEditText(choice.boxText);
    attachHighlighter(choice.mode);
    setStatus(choice.status);
}

void TfrmNotepad::CBEditorChoose(int index) {
    if (index >= 0 && index <= int(EditorMode::Html)) {
        showMode(modeForEntry(EditorMode(index)));
    }
}

void TfrmNotepad::ApplyModeForExtension(const QString& extension) {
    // Text mode attaches the Structured Text highlighter, as choosing "Text"
    // in the box does, so box and colours always agree.
    showMode(modeForExtension(extension));
}

void TfrmNotepad::DoBrowserHtml() {
    showMode(modeForEntry(EditorMode::Html));
}

// ---- printing ----

void TfrmNotepad::TBXPrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts().print(printer)) {
        return;
    }
    try {
        printWindowImage(*this, printer);
    } catch (const AppError& error) {
        prompts().message(Prompts::Kind::Error, QString(),
                          QStringLiteral("ERROR: Unable to perform Print. \r") + error.message() +
                              QLatin1Char('.'),
                          Prompts::Ok);
    }
}

// ---- search and replace ----

void TfrmNotepad::TBXFindClick() {
    guarded([this] { m_search->find(); });
}

void TfrmNotepad::TBXReplaceClick() {
    guarded([this] { m_search->replace(); });
}

void TfrmNotepad::TBXFindNextClick() {
    guarded([this] { m_search->findNext(); });
}

void TfrmNotepad::TBXFindPrevClick() {
    guarded([this] { m_search->findPrev(); });
}

TConfirmReplaceDialog* TfrmNotepad::confirmDialog() const {
    return m_search->confirmDialog();
}
