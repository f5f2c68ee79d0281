#include "EditorSearch.h"

#include <QApplication>
#include <QDialog>

#include "DocumentFile.h"
#include "EditorTexts.h"
#include "NotepadEditor.h"
#include "dlgConfirmReplace.h"
#include "dlgReplaceText.h"
#include "dlgSearchText.h"

// The editing component as the search runs see it: text indexes mapped to
// the component's bytes.
class EditorSearch::Document : public SearchDocument {
public:
    Document(EditorSearch& search, NotepadEditor& editor) : m_search(search), m_editor(editor) {}

    SearchText text(bool needsUtf16) const override {
        const QByteArrayView bytes = m_editor.bytes();
        m_cachedIndex = 0;
        m_cachedByte = 0;
        // Single-byte text (Latin-1, or UTF-8 that is all ASCII, as large
        // files mostly are) is searched where it lies.
        m_singleBytes =
            !needsUtf16 && (m_editor.encoding() == TextEncoding::Latin1 || isAscii(bytes));
        if (m_singleBytes) {
            m_text.clear();
            return SearchText(QLatin1StringView(bytes.data(), bytes.size()));
        }
        m_text = decodeText(bytes, m_editor.encoding());
        return SearchText(m_text);
    }
    qsizetype selectionStart() const override {
        return m_editor.textIndexOfByte(
            m_editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
    }
    qsizetype selectionEnd() const override {
        return m_editor.textIndexOfByte(
            m_editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
    }
    void select(qsizetype start, qsizetype end, bool caretAtStart) override {
        const qsizetype from = byteOf(start);
        const qsizetype to = byteOf(end);
        m_editor.SendScintilla(QsciScintillaBase::SCI_SETSEL, caretAtStart ? to : from,
                               long(caretAtStart ? from : to));
    }
    void replace(qsizetype start, qsizetype end, const QString& replacement) override {
        const qsizetype from = byteOf(start);
        const qsizetype to = byteOf(end);
        const QByteArray bytes = encodeText(replacement, m_editor.encoding());
        m_editor.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, from, long(to));
        m_editor.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, uintptr_t(bytes.size()),
                               bytes.constData());
        if (m_singleBytes) {
            if (bytes.size() == replacement.size()) {
                return;  // still a byte a character
            }
            m_singleBytes = false;
            m_text = decodeText(m_editor.bytes(), m_editor.encoding());
            m_cachedIndex = m_cachedByte = 0;
            return;
        }
        m_text.replace(start, end - start, replacement);
        m_cachedIndex = start + replacement.size();
        m_cachedByte = from + bytes.size();
    }
    void replaceAll(const QList<TextReplacement>& replacements, qsizetype caretAfter) override {
        if (replacements.isEmpty()) {
            return;
        }
        // Match by match, in place: the text between the matches stays
        // where it is, and the undo step holds only what changed. (Replacing
        // the whole span at once copies the document three times over and
        // makes the component index every line again.)
        const NotepadEditor::BulkChange bulk(m_editor);
        qsizetype shift = 0;  // bytes the replacements so far added
        qsizetype caret = -1;
        qsizetype end = 0;  // of the last replacement, in the changed text
        QString text;
        QByteArray bytes;
        for (qsizetype i = 0; i < replacements.size(); ++i) {
            const TextReplacement& replacement = replacements[i];
            const qsizetype from = byteOf(replacement.range.start) + shift;
            const qsizetype to = byteOf(replacement.range.end) + shift;
            if (i == 0 || replacement.text != text) {  // most often the same text
                text = replacement.text;
                bytes = encodeText(text, m_editor.encoding());
            }
            m_editor.SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, from, long(to));
            m_editor.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, uintptr_t(bytes.size()),
                                   bytes.constData());
            shift += bytes.size() - (to - from);
            end = from + bytes.size();
            if (i == caretAfter) {
                caret = end;
            }
        }
        m_editor.SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION,
                               static_cast<unsigned long>(caret < 0 ? end : caret));
        // The text held here is the one before: the run is over.
        m_text.clear();
        m_singleBytes = false;
        m_cachedIndex = m_cachedByte = 0;
    }
    ReplaceAction askReplace(const QString& searchText, const QString& replaceText,
                             const TextMatch& match) override {
        return m_search.replaceQuestion(searchText, replaceText, byteOf(match.start));
    }

private:
    // Walks from the last mapped position, as a run moves through the text.
    qsizetype byteOf(qsizetype index) const {
        if (m_singleBytes || m_editor.encoding() == TextEncoding::Latin1) {
            return index;
        }
        if (index < m_cachedIndex) {
            m_cachedIndex = 0;
            m_cachedByte = 0;
        }
        m_cachedByte += utf8Length(QStringView(m_text).mid(m_cachedIndex, index - m_cachedIndex));
        m_cachedIndex = index;
        return m_cachedByte;
    }

    EditorSearch& m_search;
    NotepadEditor& m_editor;
    mutable QString m_text;              // the text searched, when it is UTF-16
    mutable bool m_singleBytes = false;  // the text searched is the bytes
    mutable qsizetype m_cachedIndex = 0;
    mutable qsizetype m_cachedByte = 0;
};

EditorSearch::EditorSearch(QWidget& window, NotepadEditor& editor, const DialogRunner& runDialog,
                           Hooks hooks)
    : m_window(window), m_editor(editor), m_runDialog(runDialog), m_hooks(std::move(hooks)) {}

EditorSearch::~EditorSearch() = default;

void EditorSearch::find() {
    m_plainEngine = std::make_unique<PlainSearchEngine>();
    m_regexEngine = std::make_unique<RegexSearchEngine>();
    openDialog(false);
}

void EditorSearch::replace() {
    openDialog(true);
}

void EditorSearch::findNext() {
    run(false, false);
}

void EditorSearch::findPrev() {
    run(false, true);
}

void EditorSearch::openDialog(bool replace) {
    m_hooks.setStatus(EditorTexts::kSearchOpened);
    std::unique_ptr<TTextSearchDialog> dialog;
    TTextReplaceDialog* replaceDialog = nullptr;
    if (replace) {
        replaceDialog = new TTextReplaceDialog(&m_window);
        dialog.reset(replaceDialog);
    } else {
        dialog = std::make_unique<TTextSearchDialog>(&m_window);
    }
    dialog->setSearchBackwards(m_state.backwards);
    dialog->setSearchCaseSensitive(m_state.caseSensitive);
    dialog->setSearchFromCursor(m_state.fromCaret);
    dialog->setSearchInSelectionOnly(m_state.selectionOnly);
    dialog->setSearchWholeWords(m_state.wholeWords);
    dialog->setSearchTextHistory(m_state.searchHistory);
    dialog->setSearchText(m_state.searchText);
    if (replaceDialog) {
        replaceDialog->setReplaceTextHistory(m_state.replaceHistory);
        replaceDialog->setReplaceText(m_state.replaceText);
    }
    if (m_runDialog(*dialog) != QDialog::Accepted) {
        return;
    }
    m_state.backwards = dialog->searchBackwards();
    m_state.caseSensitive = dialog->searchCaseSensitive();
    m_state.fromCaret = dialog->searchFromCursor();
    m_state.selectionOnly = dialog->searchInSelectionOnly();
    m_state.wholeWords = dialog->searchWholeWords();
    m_state.regularExpression = dialog->searchRegularExpression();
    m_state.searchText = dialog->searchText();
    m_state.searchHistory = dialog->searchTextHistory().mid(0, 10);
    if (replaceDialog) {
        m_state.replaceText = replaceDialog->replaceText();
        m_state.replaceHistory = replaceDialog->replaceTextHistory().mid(0, 10);
    }
    m_state.startAtCaret = m_state.fromCaret;
    if (!m_state.searchText.isEmpty()) {
        run(replace, m_state.backwards);
        m_state.startAtCaret = true;
    }
}

void EditorSearch::run(bool replace, bool backwards) {
    m_hooks.setStatus(EditorTexts::kSearchRunning);
    if (!m_plainEngine) {
        m_plainEngine = std::make_unique<PlainSearchEngine>();
        m_regexEngine = std::make_unique<RegexSearchEngine>();
    }
    SearchOptions options;
    options.replace = options.replaceAll = options.prompt = replace;
    options.backwards = backwards;
    options.matchCase = m_state.caseSensitive;
    options.entireScope = !m_state.startAtCaret;
    options.selectedOnly = m_state.selectionOnly;
    options.wholeWord = m_state.wholeWords;
    TextSearchEngine& engine = m_state.regularExpression
                                   ? static_cast<TextSearchEngine&>(*m_regexEngine)
                                   : static_cast<TextSearchEngine&>(*m_plainEngine);
    Document document(*this, m_editor);
    // One undo step for the run, closed however the run ends.
    struct UndoGroup {
        NotepadEditor& editor;
        explicit UndoGroup(NotepadEditor& e) : editor(e) { editor.beginUndoAction(); }
        ~UndoGroup() { editor.endUndoAction(); }
    } group(m_editor);
    const int found =
        searchAndReplace(document, engine, m_state.searchText, m_state.replaceText, options);
    if (found > 0) {
        m_hooks.matchFound();
        m_hooks.setStatus(EditorTexts::kMatchFound);
        m_confirm.reset();
        return;
    }
    QApplication::beep();
    m_hooks.setStatus(EditorTexts::kNoMatch);
    const long start = m_editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const long end = m_editor.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    m_editor.SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, backwards ? start : end);
}

ReplaceAction EditorSearch::replaceQuestion(const QString& searchText, const QString& replaceText,
                                            qsizetype matchByte) {
    if (searchText == replaceText) {
        return ReplaceAction::Skip;
    }
    const int x = int(
        m_editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, long(matchByte)));
    const int y = int(
        m_editor.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, long(matchByte)));
    const long line = m_editor.SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION,
                                             static_cast<unsigned long>(matchByte));
    const int lineHeight = int(m_editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, line));
    const QPoint matchTopLeft = m_editor.viewport()->mapToGlobal(QPoint(x, y));
    const QRect client(m_window.mapToGlobal(QPoint(0, 0)), m_window.size());
    if (!m_confirm) {
        m_confirm = std::make_unique<TConfirmReplaceDialog>(&m_window);
    }
    m_confirm->prepareForSearchText(searchText);
    m_confirm->move(confirmDialogPosition(m_confirm->size(), client, matchTopLeft, lineHeight));
    return TConfirmReplaceDialog::actionFor(m_runDialog(*m_confirm));
}
