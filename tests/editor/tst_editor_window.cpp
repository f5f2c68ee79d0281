#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qscilexerxml.h>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <ctime>
#include <functional>
#include <memory>

#include <sys/resource.h>

#include "EditorTexts.h"
#include "NotepadEditor.h"
#include "Paths.h"
#include "RecordingToolHost.h"
#include "Registry.h"
#include "StructuredTextLexer.h"
#include "TestEnvironment.h"
#include "dlgConfirmReplace.h"
#include "dlgReplaceText.h"
#include "dlgSearchText.h"
#include "fmNotepad.h"

namespace {

using DialogStep = std::function<int(QDialog&)>;

struct SearchInput {
    QString text;
    QString replace;
    bool caseSensitive = false;
    bool wholeWords = false;
    bool fromCaret = false;
    bool selectionOnly = false;
    bool regex = false;
    bool backwards = false;
};

// Fills a search or replace dialog and confirms it, as the user would.
DialogStep confirmSearch(const SearchInput& input) {
    return [input](QDialog& dialog) {
        auto& search = dynamic_cast<TTextSearchDialog&>(dialog);
        search.setSearchText(input.text);
        search.setSearchCaseSensitive(input.caseSensitive);
        search.setSearchWholeWords(input.wholeWords);
        search.setSearchFromCursor(input.fromCaret);
        search.setSearchInSelectionOnly(input.selectionOnly);
        search.setSearchRegularExpression(input.regex);
        search.setSearchBackwards(input.backwards);
        if (auto* replace = dynamic_cast<TTextReplaceDialog*>(&dialog)) {
            replace->setReplaceText(input.replace);
        }
        search.accept();
        return search.result();
    };
}

DialogStep answerConfirm(int result) {
    return [result](QDialog& dialog) {
        if (!qobject_cast<TConfirmReplaceDialog*>(&dialog)) {
            qWarning("expected the confirm dialog");
            return int(QDialog::Rejected);
        }
        return result;
    };
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A fixed moment, read in a fixed locale and time zone while it lives.
struct FixedMoment {
    FixedMoment() : m_zone(qgetenv("TZ")), m_hadZone(qEnvironmentVariableIsSet("TZ")) {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("TZ", "UTC");
        tzset();
    }
    ~FixedMoment() {
        QLocale::setDefault(QLocale::system());
        if (m_hadZone)
            qputenv("TZ", m_zone);
        else
            qunsetenv("TZ");
        tzset();
    }
    static QDateTime now() { return QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)); }
    static constexpr const char* kShown = "3/7/26  2:05:09 PM UTC";

private:
    QByteArray m_zone;
    bool m_hadZone;
};

// The sizes, in points, at which the pages of a PDF file draw their images:
// the content streams' transformations followed to each image's unit square.
QList<QSizeF> imagesDrawnInPdf(const QByteArray& pdf) {
    QList<QSizeF> drawn;
    for (qsizetype at = pdf.indexOf("stream"); at >= 0; at = pdf.indexOf("stream", at + 1)) {
        if (at >= 3 && pdf.mid(at - 3, 3) == "end") {
            continue;
        }
        const qsizetype begin = pdf.indexOf('\n', at) + 1;
        const qsizetype end = pdf.indexOf("endstream", begin);
        const qsizetype dictionary = pdf.lastIndexOf("<<", at);
        if (begin <= 0 || end < 0 || dictionary < 0) {
            break;
        }
        const QByteArray head = pdf.mid(dictionary, at - dictionary);
        if (head.contains("/Subtype /Image")) {
            continue;
        }
        QByteArray content = pdf.mid(begin, end - begin);
        if (head.contains("/FlateDecode")) {
            // qUncompress wants zlib data behind its length; a generous one.
            QByteArray sized(4, '\0');
            qToBigEndian<quint32>(quint32(content.size() * 64 + 4096), sized.data());
            content = qUncompress(sized + content);
        }
        // Scale and translation only, which is all a painter without
        // rotation writes: a, d, e, f of each matrix.
        struct Matrix {
            double a = 1, d = 1, e = 0, f = 0;
        };
        QList<Matrix> stack{Matrix{}};
        QList<double> operands;
        for (const QByteArray& token : content.simplified().split(' ')) {
            bool number = false;
            const double value = token.toDouble(&number);
            if (number) {
                operands.append(value);
                continue;
            }
            if (token == "q") {
                stack.append(stack.last());
            } else if (token == "Q" && stack.size() > 1) {
                stack.removeLast();
            } else if (token == "cm" && operands.size() >= 6) {
                const double* m = operands.constData() + operands.size() - 6;
                Matrix& ctm = stack.last();
                ctm = {m[0] * ctm.a, m[3] * ctm.d, m[4] * ctm.a + ctm.e, m[5] * ctm.d + ctm.f};
            } else if (token == "Do") {
                drawn.append(QSizeF(qAbs(stack.last().a), qAbs(stack.last().d)));
            }
            operands.clear();
        }
    }
    return drawn;
}

// Keys go where a person types them: into the text of the active window.
bool focusText(TfrmNotepad* window) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    window->editor()->setFocus();
    return QTest::qWaitFor([window] { return window->editor()->hasFocus(); });
}

void press(TfrmNotepad* window, QKeyCombination key) {
    QTest::keyClick(window->editor(), key.key(), key.keyboardModifiers());
}

}  // namespace

class TestEditorWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void creationState();
    void openNewAndSaveNaming();
    void newOnModifiedAnsweredNo();
    void saveWithoutNameAsksForOne();
    void recentFiles();
    void recentFilesSurviveTheWindow();
    void closeQuestionCancelStillCloses();
    void wordWrapSetting();
    void positionPanel();
    void editCommandsFollowTheDocument();

    void searchCaseSensitivity_data();
    void searchCaseSensitivity();
    void findNextAndPrevIgnoreDialogDirection();
    void regexBoxOpensUntickedButEngineStays();
    void brokenRegexShowsItsError();
    void searchScopes();
    void noMatchCollapsesSelection();
    void historyKeepsTen();
    void replaceSameTextAsksNothing();
    void yesToAllAsksOnce();
    void confirmDialogPlacement_data();
    void confirmDialogPlacement();

    void modesForOpenedFiles_data();
    void modesForOpenedFiles();
    void modeBoxAndHandOffs();

    void byteExactRoundTrip_data();
    void byteExactRoundTrip();
    void lineEndsFollowTheDocument();
    void formatFoundAcrossReadPieces();
    void fileErrorsKeepTheDocument();
    void largeDocumentEditsAndSaves();
    void printCancelledDoesNothing();
    void printShowsTheWindowAtItsSize();
    void printFailureWhileWritingIsReported();

private:
    TfrmNotepad* makeWindow(TfrmNotepad::Clock clock = {});
    void openFile(TfrmNotepad* window, const QString& path);
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<RecordingToolHost> m_host;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<DialogStep> m_dialogSteps;
    int m_dialogsRun = 0;
    std::vector<std::unique_ptr<TfrmNotepad>> m_windows;
};

void TestEditorWindow::init() {
    TestEnvironment::wipeUserFiles();
    m_host = std::make_unique<RecordingToolHost>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_dialogSteps.clear();
    m_dialogsRun = 0;
}

void TestEditorWindow::cleanup() {
    m_windows.clear();
    m_host.reset();
}

TfrmNotepad* TestEditorWindow::makeWindow(TfrmNotepad::Clock clock) {
    auto window = std::make_unique<TfrmNotepad>(*m_host, nullptr, std::move(clock));
    window->setDialogRunner([this](QDialog& dialog) {
        ++m_dialogsRun;
        if (m_dialogSteps.isEmpty()) {
            qWarning("unexpected dialog %s", qPrintable(dialog.windowTitle()));
            return int(QDialog::Rejected);
        }
        return m_dialogSteps.takeFirst()(dialog);
    });
    m_host->addTask(window.get(), "Editor", 1);
    window->resize(800, 600);
    window->show();
    m_windows.push_back(std::move(window));
    return m_windows.back().get();
}

void TestEditorWindow::openFile(TfrmNotepad* window, const QString& file) {
    m_host->scripted.answer(file);
    window->TBXOpenClick();
}

void TestEditorWindow::creationState() {
    FixedMoment moment;
    TfrmNotepad window(*m_host, nullptr, &FixedMoment::now);
    QCOMPARE(window.statusText(0), QString("Ready"));
    QCOMPARE(window.statusText(1), QString("Position:      1: 1"));
    QCOMPARE(window.statusText(2), QString("Insert key is Off."));
    QVERIFY(window.statusText(3).startsWith("Caps Lock is O"));
    QCOMPARE(window.statusText(4), QString(FixedMoment::kShown));
    QCOMPARE(window.editor()->text(), EditorTexts::kInitialLines[0] + "\n" +
                                          EditorTexts::kInitialLines[1] + "\n" +
                                          EditorTexts::kInitialLines[2]);
    QVERIFY(!window.editor()->isModified());
    for (const char* name :
         {"TBXUndo", "TBXRedo", "TBXCut", "TBXFindNext", "TBXFindPrev", "TBXReplace"}) {
        QVERIFY2(!window.action(name)->isEnabled(), name);
    }
    QVERIFY(window.action("TBXPaste")->isEnabled());
    QCOMPARE(window.windowTitle(), QString("Editor"));

    window.show();
    QCOMPARE(window.statusText(0), QString("Ready in Text mode"));
    QCOMPARE(window.modeBox()->currentText(), QString("Text"));
    QCOMPARE(window.contextMenu()->actions().size(), 9);
    QVERIFY(m_host->scripted.calls().isEmpty());
}

void TestEditorWindow::openNewAndSaveNaming() {
    TfrmNotepad* window = makeWindow();
    writeFile(path("notes.txt"), "first\n");
    openFile(window, path("notes.txt"));
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::OpenFile);
    QCOMPARE(m_host->scripted.last().caption, QString("Corvanta Editor Open..."));
    QCOMPARE(m_host->scripted.last().extra, QString());
    QCOMPARE(window->windowTitle(), path("notes.txt"));
    QCOMPARE(window->fileName(), path("notes.txt"));
    QCOMPARE(window->documentExtension(), QString(".txt"));
    QCOMPARE(window->editor()->text(), QString("first\n"));
    QCOMPARE(window->recentFiles().entries(), QStringList{path("notes.txt")});

    window->TBXNewClick();
    QCOMPARE(window->windowTitle(), QString("Corvanta Editor New file.txt"));
    const QString named = Paths::writableProgramFile(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".txt");
    QCOMPARE(window->fileName(), named);
    QCOMPARE(window->editor()->text(), QString());
    QCOMPARE(window->statusText(0), QString("Ready"));

    window->editor()->insert("written");
    m_host->scripted.answer(named);  // the first save asks, the name proposed
    window->TBXSaveClick();
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::SaveFile);
    QCOMPARE(m_host->scripted.last().text, named);
    QCOMPARE(readFile(named), QByteArray("written"));
    QCOMPARE(window->statusText(0), QString("The file was saved."));
    QVERIFY(!window->editor()->isModified());
    QFile::remove(named);
}

void TestEditorWindow::newOnModifiedAnsweredNo() {
    TfrmNotepad* window = makeWindow();
    window->editor()->insert("changed ");
    m_host->scripted.answerButton(Prompts::No);
    window->TBXNewClick();
    QCOMPARE(m_host->scripted.last().text, QString("Save Changes?"));
    QCOMPARE(m_host->scripted.last().buttons, Prompts::Yes | Prompts::No | Prompts::Cancel);
    QCOMPARE(window->editor()->text(), QString());
    QCOMPARE(window->recentFiles().entries().value(0), window->fileName());
    QVERIFY(window->fileName().endsWith(".txt"));

    // Cancel leaves everything, and Yes with a cancelled save keeps the text.
    window->editor()->insert("keep me");
    m_host->scripted.answerButton(Prompts::Cancel);
    window->TBXNewClick();
    QCOMPARE(window->editor()->text(), QString("keep me"));
    m_host->scripted.answerButton(Prompts::Yes);
    m_host->scripted.answer(QVariant());  // the save dialog is cancelled
    window->TBXNewClick();
    QCOMPARE(window->editor()->text(), QString("keep me"));
    QCOMPARE(window->statusText(0), QString("The file was not saved."));
}

void TestEditorWindow::saveWithoutNameAsksForOne() {
    TfrmNotepad* window = makeWindow();
    window->TBXSaveClick();
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::SaveFile);
    QCOMPARE(m_host->scripted.last().text, QString("Corvanta Editor  File.txt"));
    QCOMPARE(window->statusText(0), QString("The file was not saved."));

    window->editor()->setText("body");
    m_host->scripted.answer(path("out.pas"));
    QVERIFY(window->TBXSaveAsClick());
    QCOMPARE(readFile(path("out.pas")), QByteArray("body"));
    QCOMPARE(window->windowTitle(), path("out.pas"));
    QCOMPARE(window->statusText(0), QString("The file was saved."));
    // Save As changes neither extension nor mode.
    QCOMPARE(window->documentExtension(), QString());
    QCOMPARE(window->modeBox()->currentText(), QString("Text"));
    m_host->scripted.clear();
    window->editor()->append("!");
    window->TBXSaveClick();
    QVERIFY(m_host->scripted.calls().isEmpty());
    QCOMPARE(readFile(path("out.pas")), QByteArray("body!"));
}

void TestEditorWindow::recentFiles() {
    TfrmNotepad* window = makeWindow();
    for (int i = 1; i <= 6; ++i) {
        writeFile(path(QString("f%1.txt").arg(i)), "x");
        openFile(window, path(QString("f%1.txt").arg(i)));
    }
    QStringList expected;
    for (int i = 6; i >= 2; --i) {
        expected << path(QString("f%1.txt").arg(i));
    }
    QCOMPARE(window->recentFiles().entries(), expected);

    // The same name in other letters replaces the entry, it is not added.
    writeFile(path("F3.TXT"), "y");
    openFile(window, path("F3.TXT"));
    QCOMPARE(window->recentFiles().size(), 5);
    QCOMPARE(window->recentFiles().entries().first(), path("F3.TXT"));
    QVERIFY(!window->recentFiles().entries().contains(path("f3.txt")));

    emit window->fileMenu()->aboutToShow();
    QVERIFY(window->recentFilesMenu()->menuAction()->isEnabled());
    emit window->recentFilesMenu()->aboutToShow();
    const QList<QAction*> items = window->recentFilesMenu()->actions();
    QCOMPARE(items.size(), 5);
    QCOMPARE(items.at(0)->text(), path("F3.TXT"));

    // Choosing an entry over a changed text asks first, as Open does: Cancel
    // keeps the text and the list, No opens the entry and moves it up.
    window->editor()->insert("unsaved");
    const QStringList before = window->recentFiles().entries();
    m_host->scripted.clear();
    m_host->scripted.answerButton(Prompts::Cancel);
    items.at(2)->trigger();
    QCOMPARE(m_host->scripted.last().text, QString("Save The Changes First?"));
    QCOMPARE(m_host->scripted.last().buttons, Prompts::Yes | Prompts::No | Prompts::Cancel);
    QCOMPARE(window->fileName(), path("F3.TXT"));
    QVERIFY(window->editor()->text().startsWith("unsaved"));
    QCOMPARE(window->recentFiles().entries(), before);
    m_host->scripted.answerButton(Prompts::No);
    items.at(2)->trigger();
    QCOMPARE(window->fileName(), path("f5.txt"));
    QCOMPARE(window->editor()->text(), QString("x"));
    QCOMPARE(window->recentFiles().entries().first(), path("f5.txt"));

    // Yes saves the changed text under a new name, which goes on top of the
    // list; the entry chosen before that is still the one opened.
    window->editor()->insert("more");
    emit window->recentFilesMenu()->aboutToShow();
    QAction* chosen = window->recentFilesMenu()->actions().at(1);
    const QString chosenPath = chosen->text();
    m_host->scripted.answerButton(Prompts::Yes);
    m_host->scripted.answer(path("saved.txt"));
    chosen->trigger();
    QCOMPARE(readFile(path("saved.txt")), QByteArray("morex"));
    QCOMPARE(window->fileName(), chosenPath);
    QCOMPARE(window->recentFiles().entries().mid(0, 2),
             QStringList({chosenPath, path("saved.txt")}));

    // A file that is gone: the error box, and it stays off the list.
    QFile::remove(path("f4.txt"));
    const int index = int(window->recentFiles().entries().indexOf(path("f4.txt")));
    QVERIFY(index > 0);
    window->openRecentFile(index);
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 1);
    QVERIFY(m_host->scripted.last().text.contains(path("f4.txt")));
    QVERIFY(!window->recentFiles().entries().contains(path("f4.txt")));
    QCOMPARE(window->fileName(), chosenPath);
}

void TestEditorWindow::recentFilesSurviveTheWindow() {
    TfrmNotepad* window = makeWindow();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        writeFile(path(name), "x");
        openFile(window, path(name));
    }
    QVERIFY(window->close());
    TfrmNotepad* next = makeWindow();
    QCOMPARE(next->recentFiles().entries(),
             QStringList({path("c.txt"), path("b.txt"), path("a.txt")}));
    emit next->fileMenu()->aboutToShow();
    QVERIFY(next->recentFilesMenu()->menuAction()->isEnabled());
    Registry registry;
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Editor", false));
    QCOMPARE(registry.readString("MRUFile1"), path("c.txt"));
    QCOMPARE(registry.readString("MRUFile3"), path("a.txt"));
}

void TestEditorWindow::closeQuestionCancelStillCloses() {
    TfrmNotepad* window = makeWindow();
    window->editor()->insert("changed");
    m_host->scripted.answerButton(Prompts::Cancel);
    QVERIFY(window->close());
    QCOMPARE(m_host->scripted.count(), 1);
    QCOMPARE(m_host->scripted.last().text,
             QString("The text was changed, do you want to save it?"));
    QCOMPARE(m_host->scripted.last().buttons, Prompts::Ok | Prompts::Cancel);
    QCOMPARE(m_host->removed, QList<ToolWindow*>{window});

    TfrmNotepad* saving = makeWindow();
    saving->editor()->setText("kept");
    m_host->scripted.clear();
    m_host->scripted.answerButton(Prompts::Ok);
    m_host->scripted.answer(path("closing.txt"));
    QVERIFY(saving->close());
    QCOMPARE(readFile(path("closing.txt")), QByteArray("kept"));

    // OK, then the save dialog cancelled: the text stays, and so does the window.
    TfrmNotepad* keeping = makeWindow();
    keeping->editor()->setText("unsaved");
    m_host->scripted.clear();
    m_host->scripted.answerButton(Prompts::Ok);
    m_host->scripted.answer(QString());
    QVERIFY(!keeping->close());
    QCOMPARE(keeping->editor()->text(), QString("unsaved"));
}

void TestEditorWindow::wordWrapSetting() {
    {
        Registry registry;
        QVERIFY(registry.openKey("\\Software\\Corvanta\\Editor", true));
        registry.writeBool("WordWrap", true);
        registry.writeBool("Post", false);
    }
    TfrmNotepad* window = makeWindow();
    QVERIFY(window->action("TBXWordWrap")->isChecked());
    QCOMPARE(window->editor()->wrapMode(), QsciScintilla::WrapWord);
    QVERIFY(!window->action("TBXShowSpecial")->isChecked());

    window->action("TBXWordWrap")->trigger();
    window->action("TBXShowSpecial")->trigger();
    QCOMPARE(window->editor()->wrapMode(), QsciScintilla::WrapNone);
    QVERIFY(window->editor()->eolVisibility());
    m_windows.clear();  // destruction writes the two checks
    Registry registry;
    QVERIFY(registry.openKey("\\Software\\Corvanta\\Editor", false));
    QVERIFY(!registry.readBool("WordWrap"));
    QVERIFY(registry.readBool("Post"));
}

void TestEditorWindow::positionPanel() {
    TfrmNotepad* window = makeWindow();
    QStringList lines;
    for (int i = 0; i < 20; ++i) {
        lines << QString("line %1 with text").arg(i);
    }
    window->editor()->setText(lines.join('\n'));
    window->editor()->setCursorPosition(11, 6);
    QTRY_COMPARE(window->statusText(1), "Position:" + QString::asprintf(" %6d:%3d ", 12, 7));
    QVERIFY(focusText(window));
    QTest::keyClick(window->editor(), Qt::Key_Insert);
    QVERIFY(window->editor()->overwriteMode());
    QCOMPARE(window->statusText(2), QString("Insert key is On!"));
    QTest::keyClicks(window->editor(), "LINE");
    QCOMPARE(window->editor()->text(11), QString("line 1LINEth text\n"));
    QTest::keyClick(window->editor(), Qt::Key_Insert);
    QVERIFY(!window->editor()->overwriteMode());
    QCOMPARE(window->statusText(2), QString("Insert key is Off."));
}

void TestEditorWindow::editCommandsFollowTheDocument() {
    FixedMoment moment;
    TfrmNotepad* window = makeWindow(&FixedMoment::now);
    window->editor()->setText("alpha beta");
    QVERIFY(window->action("TBXUndo")->isEnabled());
    QCOMPARE(window->statusText(0), QString("The text was modified."));
    QVERIFY(focusText(window));
    window->editor()->setCursorPosition(0, 0);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(window->editor(), Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(window->action("TBXCut")->isEnabled());
    QVERIFY(window->contextMenu()->actions().at(2)->isEnabled());  // its "Cut"
    press(window, Qt::CTRL | Qt::Key_X);
    QCOMPARE(window->editor()->text(), QString(" beta"));
    QVERIFY(!window->action("TBXCut")->isEnabled());
    QTest::keyClick(window->editor(), Qt::Key_End);
    press(window, Qt::CTRL | Qt::Key_V);
    QCOMPARE(window->editor()->text(), QString(" betaalpha"));
    press(window, Qt::CTRL | Qt::Key_Z);
    QCOMPARE(window->editor()->text(), QString(" beta"));
    QVERIFY(window->action("TBXRedo")->isEnabled());
    press(window, Qt::CTRL | Qt::Key_Z);
    QCOMPARE(window->editor()->text(), QString("alpha beta"));

    window->editor()->setSelection(0, 0, 0, 5);
    window->action("TBXDelete")->trigger();
    QCOMPARE(window->editor()->text(), QString(" beta"));
    QVERIFY(!window->action("TBXCopy")->isEnabled());
    // Once saved, Undo has nothing to take back, from the keyboard either.
    m_host->scripted.answer(path("saved.txt"));
    press(window, Qt::CTRL | Qt::Key_S);
    QCOMPARE(readFile(path("saved.txt")), QByteArray(" beta"));
    QVERIFY(!window->action("TBXUndo")->isEnabled());
    press(window, Qt::CTRL | Qt::Key_Z);
    QCOMPARE(window->editor()->text(), QString(" beta"));

    window->editor()->setCursorPosition(0, 0);
    window->action("TBXInsertDate")->trigger();
    QCOMPARE(window->editor()->text(), FixedMoment::kShown + QString(" beta"));
    window->action("TBXClear")->trigger();
    QCOMPARE(window->editor()->text(), QString());

    m_host->scripted.answer(QColor(Qt::yellow));
    window->TBXBackColorClick();
    QCOMPARE(window->highlighter()->paper(0), QColor(Qt::yellow));
}

void TestEditorWindow::searchCaseSensitivity_data() {
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<int>("column");
    QTest::newRow("ignoring case finds Cat") << false << 4;
    QTest::newRow("case sensitive finds cat") << true << 18;
}

void TestEditorWindow::searchCaseSensitivity() {
    QFETCH(bool, caseSensitive);
    QFETCH(int, column);
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("The Cat sat and a cat ran");
    SearchInput input;
    input.text = "cat";
    input.caseSensitive = caseSensitive;
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    int line, index, lineTo, indexTo;
    window->editor()->getSelection(&line, &index, &lineTo, &indexTo);
    QCOMPARE(index, column);
    QCOMPARE(window->editor()->selectedText().toLower(), QString("cat"));
    QCOMPARE(window->statusText(0), QString("A match was found"));
    QVERIFY(window->action("TBXFindNext")->isEnabled());
    QVERIFY(window->action("TBXReplace")->isEnabled());
}

void TestEditorWindow::findNextAndPrevIgnoreDialogDirection() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("x1 x2 x3 x4");
    QVERIFY(focusText(window));
    press(window, Qt::Key_F3);  // nothing searched yet
    QCOMPARE(m_dialogsRun, 0);
    QVERIFY(!window->editor()->hasSelectedText());
    SearchInput input;
    input.text = "x";
    m_dialogSteps << confirmSearch(input);
    press(window, Qt::CTRL | Qt::Key_F);
    QCOMPARE(m_dialogsRun, 1);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 0L);
    press(window, Qt::Key_F3);
    press(window, Qt::Key_F3);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 6L);
    press(window, Qt::SHIFT | Qt::Key_F3);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 3L);

    // A backward dialog search, then Find Next goes forwards again.
    window->editor()->setCursorPosition(0, 11);
    input.backwards = true;
    input.fromCaret = true;
    m_dialogSteps << confirmSearch(input);
    press(window, Qt::CTRL | Qt::Key_F);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 9L);
    press(window, Qt::SHIFT | Qt::Key_F3);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 6L);
    press(window, Qt::Key_F3);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 9L);
}

void TestEditorWindow::regexBoxOpensUntickedButEngineStays() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("a1 b22 c333 d4444");
    SearchInput input;
    input.text = "[a-z]\\d{3}";
    input.regex = true;
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(window->editor()->selectedText(), QString("c333"));
    window->TBXFindNextClick();
    QCOMPARE(window->editor()->selectedText(), QString("d444"));

    bool regexTicked = true;
    m_dialogSteps << [&regexTicked](QDialog& dialog) {
        regexTicked = dynamic_cast<TTextSearchDialog&>(dialog).searchRegularExpression();
        return int(QDialog::Rejected);
    };
    window->TBXReplaceClick();
    QVERIFY(!regexTicked);
}

void TestEditorWindow::brokenRegexShowsItsError() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("f(x) and f(y)");
    window->editor()->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    window->editor()->setSelection(0, 0, 0, 4);
    SearchInput input;
    input.text = "f(x";
    input.replace = "g";
    input.regex = true;
    const QString error =
        "The regular expression \"f(x\" is not valid: missing closing parenthesis at its end.";
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 1);
    QCOMPARE(m_host->scripted.last().text, error);
    QVERIFY(window->statusText(0) != EditorTexts::kNoMatch);
    QCOMPARE(window->editor()->selectedText(), QString("f(x)"));

    // Find Next keeps the broken pattern and says so again; a replace run
    // changes nothing and leaves nothing to undo.
    window->TBXFindNextClick();
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 2);
    input.text = "(?<n";
    m_dialogSteps << confirmSearch(input);
    window->TBXReplaceClick();
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 3);
    QVERIFY2(m_host->scripted.last().text.contains("\"(?<n\" is not valid: "),
             qPrintable(m_host->scripted.last().text));
    QCOMPARE(window->editor()->text(), QString("f(x) and f(y)"));
    QVERIFY(!window->editor()->isUndoAvailable());
    QCOMPARE(window->editor()->selectedText(), QString("f(x)"));
}

void TestEditorWindow::searchScopes() {
    TfrmNotepad* window = makeWindow();
    // Multi-byte text before the matches: positions are mapped, not counted in bytes.
    window->editor()->setText(QString::fromUtf8("\xC3\xA9t\xC3\xA9 cat | cat | cat"));
    window->editor()->setSelection(0, 10, 0, 17);  // "| cat |" (bytes)
    SearchInput input;
    input.text = "cat";
    input.selectionOnly = true;
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 12L);
    QCOMPARE(window->editor()->selectedText(), QString("cat"));

    input.selectionOnly = false;
    input.fromCaret = true;
    window->editor()->setCursorPosition(0, 13);
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 18L);

    input.fromCaret = false;  // the whole text again
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 6L);

    input.wholeWords = true;
    window->editor()->setText("concat cat");
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 7L);
}

void TestEditorWindow::noMatchCollapsesSelection() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("nothing to see here");
    window->editor()->setSelection(0, 3, 0, 8);
    SearchInput input;
    input.text = "absent";
    m_dialogSteps << confirmSearch(input);
    window->TBXFindClick();
    QCOMPARE(window->statusText(0), QString("No match was not found"));
    QVERIFY(!window->editor()->hasSelectedText());
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 8L);
    QVERIFY(!window->action("TBXFindNext")->isEnabled());

    window->editor()->setSelection(0, 3, 0, 8);
    window->TBXFindPrevClick();
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 3L);
}

void TestEditorWindow::historyKeepsTen() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("text");
    for (int i = 1; i <= 11; ++i) {
        SearchInput input;
        input.text = QString("word%1").arg(i);
        m_dialogSteps << confirmSearch(input);
        window->TBXFindClick();
    }
    QStringList history;
    QString shown;
    m_dialogSteps << [&](QDialog& dialog) {
        auto& search = dynamic_cast<TTextSearchDialog&>(dialog);
        history = search.searchTextHistory();
        shown = search.searchText();
        return int(QDialog::Rejected);
    };
    window->TBXFindClick();
    QCOMPARE(history.size(), 10);
    QCOMPARE(history.first(), QString("word11"));
    QCOMPARE(history.last(), QString("word2"));
    QCOMPARE(shown, QString("word11"));
    QCOMPARE(window->statusText(0), QString("Ready For Search And Replace"));
}

void TestEditorWindow::replaceSameTextAsksNothing() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("same same same");
    window->editor()->setModified(false);
    SearchInput input;
    input.text = "same";
    input.replace = "same";
    m_dialogSteps << confirmSearch(input);
    window->TBXReplaceClick();
    QCOMPARE(m_dialogsRun, 1);  // no question
    QVERIFY(!window->editor()->isModified());
    QCOMPARE(window->statusText(0), QString("A match was found"));
}

void TestEditorWindow::yesToAllAsksOnce() {
    TfrmNotepad* window = makeWindow();
    window->editor()->setText("cat\ncat cat\n\xC3\xA9 cat\ncat");
    QString question;
    SearchInput input;
    input.text = "cat";
    input.replace = "dog";
    m_dialogSteps << confirmSearch(input) << [&](QDialog& dialog) {
        question = dynamic_cast<TConfirmReplaceDialog&>(dialog).question();
        return int(TConfirmReplaceDialog::YesToAll);
    };
    window->TBXReplaceClick();
    QCOMPARE(m_dialogsRun, 2);
    QCOMPARE(question, QString("Replace this occurence of \"cat\"?"));
    QCOMPARE(window->editor()->text(), QString::fromUtf8("dog\ndog dog\n\xC3\xA9 dog\ndog"));
    QVERIFY(!window->confirmDialog());  // discarded after a run that found something
    // The whole run is one undo step.
    window->action("TBXUndo")->trigger();
    QCOMPARE(window->editor()->text(), QString::fromUtf8("cat\ncat cat\n\xC3\xA9 cat\ncat"));

    // Yes, No, Cancel answer one match each.
    m_dialogSteps << confirmSearch(input) << answerConfirm(TConfirmReplaceDialog::Yes)
                  << answerConfirm(TConfirmReplaceDialog::No) << answerConfirm(QDialog::Rejected);
    window->TBXReplaceClick();
    QCOMPARE(window->editor()->text(), QString::fromUtf8("dog\ncat cat\n\xC3\xA9 cat\ncat"));

    // An ASCII text is searched in its own bytes; a first replacement that
    // is not ASCII changes that half-way, and the rest still land right.
    window->editor()->setText("cat, Cat; CAT.cat");
    input.replace = QString::fromUtf8("ch\xC3\xA2t");
    m_dialogSteps << confirmSearch(input) << answerConfirm(TConfirmReplaceDialog::Yes)
                  << answerConfirm(TConfirmReplaceDialog::YesToAll);
    window->TBXReplaceClick();
    QCOMPARE(window->editor()->text(),
             QString::fromUtf8("ch\xC3\xA2t, ch\xC3\xA2t; ch\xC3\xA2t.ch\xC3\xA2t"));
    // By the match asked about, the second.
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 12L);
}

void TestEditorWindow::confirmDialogPlacement_data() {
    QTest::addColumn<bool>("nearBottom");
    QTest::newRow("match near the top: below it") << false;
    QTest::newRow("match near the bottom: above it") << true;
}

void TestEditorWindow::confirmDialogPlacement() {
    QFETCH(bool, nearBottom);
    TfrmNotepad* window = makeWindow();
    NotepadEditor* editor = window->editor();
    QStringList lines(200, "filler line");
    const int visible = int(editor->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
    QVERIFY(visible > 10);
    lines[nearBottom ? visible - 2 : 1] = "the target here";
    editor->setText(lines.join('\n'));
    editor->setCursorPosition(0, 0);
    QRect dialogRect;
    int matchTop = 0;
    int lineHeight = 0;
    SearchInput input;
    input.text = "target";
    input.replace = "goal";
    m_dialogSteps << confirmSearch(input) << [&](QDialog& dialog) {
        dialogRect = dialog.geometry();
        const long at = editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
        const int y =
            int(editor->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, at));
        matchTop = editor->viewport()->mapToGlobal(QPoint(0, y)).y();
        lineHeight = int(editor->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL));
        return int(QDialog::Rejected);
    };
    window->TBXReplaceClick();
    QVERIFY(lineHeight > 0);
    if (nearBottom) {
        QCOMPARE(dialogRect.top() + dialogRect.height(), matchTop - 4);
    } else {
        QCOMPARE(dialogRect.top(), matchTop + lineHeight + 4);
    }
}

void TestEditorWindow::modesForOpenedFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("lexer");
    QTest::newRow(".pas") << "unit.pas"
                          << "Pascal"
                          << "Pascal";
    QTest::newRow(".PAS") << "UNIT.PAS"
                          << "Text"
                          << "Structured Text";
    QTest::newRow(".dpr") << "project.dpr"
                          << "Pascal"
                          << "Pascal";
    QTest::newRow(".xml") << "data.xml"
                          << "Xml"
                          << "XML";
    QTest::newRow(".html") << "page.html"
                           << "Html"
                           << "HTML";
}

void TestEditorWindow::modesForOpenedFiles() {
    QFETCH(QString, name);
    QFETCH(QString, box);
    QFETCH(QString, lexer);
    TfrmNotepad* window = makeWindow();
    writeFile(path(name), "begin end;\n");
    openFile(window, path(name));
    QCOMPARE(window->modeBox()->currentText(), box);
    QVERIFY(window->highlighter());
    QCOMPARE(QString(window->highlighter()->language()), lexer);
    QCOMPARE(window->statusText(0), "Ready in " + box + " mode");
}

void TestEditorWindow::modeBoxAndHandOffs() {
    TfrmNotepad* window = makeWindow();
    window->showHtmlSource("<html>\r\n<body>page</body>\r\n</html>");
    QCOMPARE(window->modeBox()->currentText(), QString("Html"));
    QVERIFY(qobject_cast<QsciLexerHTML*>(window->highlighter()));
    QCOMPARE(window->statusText(0), QString("Ready in Html mode"));
    QCOMPARE(window->editor()->text(), QString("<html>\r\n<body>page</body>\r\n</html>"));
    QCOMPARE(window->editor()->lineEnd(), LineEnd::CrLf);

    // Chosen in the box with the keyboard: Html, XML, Pascal, Text.
    QComboBox* box = window->modeBox();
    box->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->currentIndex(), 0);
    QVERIFY(qobject_cast<StructuredTextLexer*>(window->highlighter()));
    QCOMPARE(window->statusText(0), QString("Ready in Text mode"));
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), QString("XML"));
    QVERIFY(qobject_cast<QsciLexerXML*>(window->highlighter()));
    QCOMPARE(window->statusText(0), QString("Ready in Xml mode"));

    TfrmNotepad* other = makeWindow();
    other->handOffText("handed over");
    QCOMPARE(other->editor()->text(), QString("handed over"));
    QVERIFY(other->editor()->isModified());
    QCOMPARE(other->fileName(), QString());
    QCOMPARE(other->documentExtension(), QString());
}

void TestEditorWindow::byteExactRoundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("utf-8") << QByteArray("gr\xC3\xBC\xC3\x9F\xE2\x82\xAC \xF0\x9F\x98\x80\n");
    QTest::newRow("latin-1") << QByteArray("caf\xE9 na\xEFve\n\xFF\xFE");
    QTest::newRow("nul byte") << QByteArray("before\0after\n", 13);
    QTest::newRow("no final line end") << QByteArray("one\ntwo");
    QTest::newRow("crlf") << QByteArray("one\r\ntwo\r\n");
    QTest::newRow("cr") << QByteArray("one\rtwo\r");
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd");
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBFtext\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("tabs and trailing blanks") << QByteArray("\tx  \n\t\t\n   ");
}

void TestEditorWindow::byteExactRoundTrip() {
    QFETCH(QByteArray, bytes);
    TfrmNotepad* window = makeWindow();
    writeFile(path("file.bin.txt"), bytes);
    openFile(window, path("file.bin.txt"));
    QCOMPARE(window->editor()->bytes().toByteArray(), bytes);
    window->editor()->insert("x");  // a change, undone again
    window->editor()->undo();
    window->TBXSaveClick();
    QCOMPARE(window->statusText(0), QString("The file was saved."));
    QCOMPARE(readFile(path("file.bin.txt")), bytes);
    m_host->scripted.answer(path("copy.txt"));
    QVERIFY(window->TBXSaveAsClick());
    QCOMPARE(readFile(path("copy.txt")), bytes);
}

void TestEditorWindow::lineEndsFollowTheDocument() {
    TfrmNotepad* window = makeWindow();
    writeFile(path("dos.txt"), "one\r\ntwo\r\n");
    openFile(window, path("dos.txt"));
    window->editor()->setCursorPosition(0, 3);
    QTest::keyClick(window->editor(), Qt::Key_Return);
    window->TBXSaveClick();
    QCOMPARE(readFile(path("dos.txt")), QByteArray("one\r\n\r\ntwo\r\n"));

    writeFile(path("mac.txt"), "one\rtwo");
    openFile(window, path("mac.txt"));
    window->editor()->setCursorPosition(0, 3);
    QTest::keyClick(window->editor(), Qt::Key_Return);
    window->TBXSaveClick();
    QCOMPARE(readFile(path("mac.txt")), QByteArray("one\r\rtwo"));

    window->TBXNewClick();
    QTest::keyClicks(window->editor(), "a");
    QTest::keyClick(window->editor(), Qt::Key_Return);
    QCOMPARE(window->editor()->bytes().toByteArray(), QByteArray("a\n"));
}

void TestEditorWindow::formatFoundAcrossReadPieces() {
    // A character and the first line end each cut by a piece boundary.
    const qsizetype piece = DocumentFileReader::kPieceSize;
    QByteArray bytes = QByteArray(piece - 1, 'a') + "\xC3\xA9";
    bytes += QByteArray(2 * piece - 1 - bytes.size(), 'b') + "\r\nend";
    TfrmNotepad* window = makeWindow();
    writeFile(path("pieces.txt"), bytes);
    openFile(window, path("pieces.txt"));
    QVERIFY(window->editor()->encoding() == TextEncoding::Utf8);
    QVERIFY(window->editor()->lineEnd() == LineEnd::CrLf);
    QCOMPARE(window->editor()->bytes().toByteArray(), bytes);
}

void TestEditorWindow::fileErrorsKeepTheDocument() {
    TfrmNotepad* window = makeWindow();
    writeFile(path("good.txt"), "good");
    openFile(window, path("good.txt"));
    window->editor()->insert("changed ");
    m_host->scripted.answerButton(Prompts::No);
    openFile(window, path("missing.txt"));
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Error);
    QVERIFY(m_host->scripted.last().text.contains("No such file"));
    QCOMPARE(window->editor()->text(), QString("changed good"));
    QCOMPARE(window->fileName(), path("good.txt"));
    // A file that opens but cannot be read (its first page is not mapped).
    m_host->scripted.answerButton(Prompts::No);
    openFile(window, "/proc/self/mem");
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Error);
    QVERIFY2(m_host->scripted.last().text.contains("Cannot read file"),
             qPrintable(m_host->scripted.last().text));
    QCOMPARE(window->editor()->text(), QString("changed good"));
    QVERIFY(window->editor()->isModified());

    m_host->scripted.answer(path("no/such/folder/x.txt"));
    QVERIFY(!window->TBXSaveAsClick());
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Error);
    QCOMPARE(window->fileName(), path("good.txt"));
    QCOMPARE(window->windowTitle(), path("good.txt"));
    QVERIFY(window->editor()->isModified());
    QCOMPARE(readFile(path("good.txt")), QByteArray("good"));
    // The failed reads kept the undo history too.
    window->action("TBXUndo")->trigger();
    QCOMPARE(window->editor()->text(), QString("good"));
}

void TestEditorWindow::largeDocumentEditsAndSaves() {
    // Past the size where the window stops QScintilla's change reports.
    QByteArray bytes;
    for (int i = 0; bytes.size() < 3 * 1024 * 1024; ++i) {
        bytes += "line " + QByteArray::number(i) + " of a large document\n";
    }
    TfrmNotepad* window = makeWindow();
    writeFile(path("large.txt"), bytes);
    openFile(window, path("large.txt"));
    QVERIFY(!window->editor()->isModified());
    QVERIFY(!window->editor()->isUndoAvailable());  // opening left nothing to undo
    QCOMPARE(window->editor()->bytes(), QByteArrayView(bytes));
    // Another highlighter colours what is shown, not the whole document.
    window->CBEditorChoose(int(EditorMode::Pascal));
    QVERIFY(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) <
            bytes.size() / 2);
    window->editor()->setCursorPosition(1000, 0);
    QTest::keyClicks(window->editor(), "new ");
    QVERIFY(window->editor()->isModified());
    QTRY_COMPARE(window->statusText(0), QString("The text was modified."));
    QVERIFY(window->action("TBXUndo")->isEnabled());
    window->TBXSaveClick();
    const qsizetype at = bytes.indexOf("line 1000 ");
    QCOMPARE(readFile(path("large.txt")), bytes.insert(at, "new "));
}

void TestEditorWindow::printCancelledDoesNothing() {
    TfrmNotepad* window = makeWindow();
    m_host->scripted.answer(false);
    window->TBXPrintClick();
    QCOMPARE(m_host->scripted.count(), 1);
    QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Print);
}

void TestEditorWindow::printShowsTheWindowAtItsSize() {
    // Run a second time on a display scaled by 2 (see CMakeLists.txt), where
    // the window's image has twice the pixels of its size on the screen.
    TfrmNotepad* window = makeWindow();
    m_host->scripted.answer(path("window.pdf"));
    window->TBXPrintClick();
    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 0);
    const QList<QSizeF> images = imagesDrawnInPdf(readFile(path("window.pdf")));
    QCOMPARE(images.size(), 1);
    // In points, 72 to the inch: the window's inches on the screen.
    const QSizeF expected(window->width() * 72.0 / window->logicalDpiX(),
                          window->height() * 72.0 / window->logicalDpiY());
    QVERIFY2(qAbs(images[0].width() - expected.width()) < 0.5 &&
                 qAbs(images[0].height() - expected.height()) < 0.5,
             qPrintable(QString("drawn %1 x %2 pt, expected %3 x %4 pt")
                            .arg(images[0].width())
                            .arg(images[0].height())
                            .arg(expected.width())
                            .arg(expected.height())));
}

void TestEditorWindow::printFailureWhileWritingIsReported() {
    // The disk fills up while the job writes its file: a file size limit,
    // its signal ignored so that the write fails instead.
    TfrmNotepad* window = makeWindow();
    writeFile(path("window.pdf"), "an earlier print");
    m_host->scripted.answer(path("window.pdf"));
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit before = limit;
    limit.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    window->TBXPrintClick();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(m_host->scripted.countOf(Prompts::Kind::Error), 1);
    QCOMPARE(m_host->scripted.last().buttons, Prompts::Ok);
    const QString text = m_host->scripted.last().text;
    const QString start = "ERROR: Unable to perform Print. \rFileError: Cannot write file \"" +
                          path("window.pdf") + "\". ";
    QVERIFY2(text.startsWith(start) && text.endsWith('.') && text.size() > start.size() + 1,
             qPrintable(text));
    QCOMPARE(readFile(path("window.pdf")), QByteArray("an earlier print"));
}

CORVANTA_TEST_MAIN(TestEditorWindow)
#include "tst_editor_window.moc"
