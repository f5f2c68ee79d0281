#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "TextSearch.h"

class NotepadEditor;
class QDialog;
class QWidget;
class TConfirmReplaceDialog;

// The Editor's search and replace: the dialogs' remembered choices and
// histories, the two search engines and the "Confirm replace" dialog of a
// replace run, applied to the window's editing component.
class EditorSearch {
public:
    using DialogRunner = std::function<int(QDialog&)>;
    struct Hooks {
        std::function<void(const QString&)> setStatus;
        std::function<void()> matchFound;  // a run found something
    };

    // `window` parents the dialogs; `runDialog` is read at each use, so the
    // window may replace it later.
    EditorSearch(QWidget& window, NotepadEditor& editor, const DialogRunner& runDialog,
                 Hooks hooks);
    ~EditorSearch();

    // Each throws AppError for a pattern that cannot be searched for (a
    // broken regular expression), leaving the text and the selection as
    // they were.
    void find();      // "Find...": fresh engines, then the search dialog
    void replace();   // "Replace...": the replace dialog
    void findNext();  // the last search again, forwards
    void findPrev();  // and backwards

    TConfirmReplaceDialog* confirmDialog() const { return m_confirm.get(); }

private:
    struct State {
        bool backwards = false;
        bool caseSensitive = false;
        bool fromCaret = false;
        bool selectionOnly = false;
        bool wholeWords = false;
        bool regularExpression = false;
        QString searchText;
        QStringList searchHistory;
        QString replaceText;
        QStringList replaceHistory;
        bool startAtCaret = false;
    };
    class Document;

    void openDialog(bool replace);
    void run(bool replace, bool backwards);
    ReplaceAction replaceQuestion(const QString& searchText, const QString& replaceText,
                                  qsizetype matchByte);

    QWidget& m_window;
    NotepadEditor& m_editor;
    const DialogRunner& m_runDialog;
    Hooks m_hooks;
    State m_state;
    std::unique_ptr<PlainSearchEngine> m_plainEngine;
    std::unique_ptr<RegexSearchEngine> m_regexEngine;
    std::unique_ptr<TConfirmReplaceDialog> m_confirm;
};
