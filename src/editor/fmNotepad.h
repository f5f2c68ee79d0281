#pragma once

#include <QDateTime>
#include <QStringList>
#include <functional>
#include <memory>

#include "DocumentFile.h"
#include "EditorTexts.h"
#include "ImageStrip.h"
#include "RecentFiles.h"
#include "ToolWindow.h"

class NotepadEditor;
class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QsciLexer;
class EditorSearch;
class TConfirmReplaceDialog;

// The Editor tool window: one document in the editing component, its file,
// syntax mode, recent files and search state.
class TfrmNotepad : public ToolWindow {
    Q_OBJECT
public:
    // Where the window reads the time (the status bar's date, "Insert Time
    // and Date"); the system clock when none is given.
    using Clock = std::function<QDateTime()>;
    explicit TfrmNotepad(ToolHost& host, QWidget* parent = nullptr, Clock clock = {});
    ~TfrmNotepad() override;

    // Text hand-off: the control is cleared and the text is its only line;
    // the document stays unnamed and counts as unsaved.
    void handOffText(const QString& text);
    // A page source from the browser, shown in Html mode.
    void showHtmlSource(const QString& html);
    // A file named on the command line, loaded as "Open" loads it.
    void openFile(const QString& path);

    bool queryClose() override;

    // How the window runs its own dialogs (search, replace, confirm replace):
    // modally by default; tests put in a function that fills the dialog and
    // returns its result without blocking.
    using DialogRunner = std::function<int(QDialog&)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    // The commands, as the menus run them.
    void TBXNewClick();
    void TBXOpenClick();
    void openRecentFile(int index);  // 0-based
    void TBXSaveClick();
    bool TBXSaveAsClick();  // true when the text was written
    void TBXPrintClick();
    void TBXFindClick();
    void TBXFindNextClick();
    void TBXFindPrevClick();
    void TBXReplaceClick();
    void TBXInsertDateClick();
    void TBXFontClick();
    void TBXBackColorClick();
    void CBEditorChoose(int index);
    void DoBrowserHtml();
    void ApplyModeForExtension(const QString& extension);

    // What tests and the frame look at.
    NotepadEditor* editor() const { return synEdMemo; }
    QString fileName() const { return m_fileName; }
    QString documentExtension() const { return m_extension; }
    const RecentFiles& recentFiles() const { return m_recent; }
    QString statusText(int panel) const;
    QComboBox* modeBox() const { return CBEditor; }
    EditorMode mode() const { return m_mode; }
    QsciLexer* highlighter() const { return m_lexer; }
    QAction* action(const QString& name) const;  // by object name, "TBXUndo"...
    QMenu* recentFilesMenu() const { return m_recentMenu; }
    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* contextMenu() const { return m_contextMenu; }
    // The "Confirm replace" dialog while a replace run has one.
    TConfirmReplaceDialog* confirmDialog() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildStatusBar();
    void initialiseOnShow();
    void readRecentFiles();
    void writeRecentFiles();
    void readViewSettings();

    void newDocument();
    bool askToSave(const QString& question);
    // Loads a file; on failure shows the error box and changes nothing.
    bool loadFile(const QString& path);
    bool writeFile(const QString& path);
    void setDocumentText(const QString& text, bool modified);
    void refreshRecentMenu();

    void attachHighlighter(EditorMode mode);
    void showMode(const ModeChoice& choice);

    void statusChanged(bool contentChanged);
    void updateClipboardActions();
    void setStatus(const QString& text);

    // Runs `operation` and shows a failure in the application's error box.
    bool guarded(const std::function<void()>& operation);

    NotepadEditor* synEdMemo;
    QComboBox* CBEditor;
    QLabel* m_panels[5];
    QMenu* m_fileMenu;
    QMenu* m_recentMenu;
    QMenu* m_contextMenu;
    QAction* m_recentItems[RecentFiles::kCapacity];
    QAction* TBXWordWrap;
    QAction* TBXShowSpecial;
    ImageList m_images;

    QString m_fileName;

    bool m_untitled = false;  // a "New" document not yet saved by the user
    QString m_extension;
    RecentFiles m_recent;
    EditorMode m_mode = EditorMode::Text;
    QsciLexer* m_lexer = nullptr;  // owned by the window
    QFont m_font;
    std::optional<QColor> m_paper;
    Clock m_clock;
    QDateTime m_created;
    bool m_initialised = false;

    DialogRunner m_runDialog;  // before m_search, which reads it
    std::unique_ptr<EditorSearch> m_search;
};
