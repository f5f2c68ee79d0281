#pragma once

#include <QList>
#include <QQueue>
#include <QVariant>
#include <functional>

#include "Prompts.h"

// Prompts for tests: records every call and answers from a queue.
//
// Each answer is a QVariant: a Prompts::Button for message boxes, a QString
// (or a null QVariant for Cancel) for input and file dialogs, a QStringList
// for openFileNames, a QFont or QColor (null for Cancel), a bool for print.
// saveFileNameOfType takes a QStringList of the file and the chosen type (or
// a QString, keeping the type offered). print and printPreview take a bool,
// or a QString: the path of a PDF file the printer then writes (the preview
// is painted once into it, as printing from the preview does).
// When the queue is empty a call gets the "dismissed" answer (Cancel/No/empty)
// and is still recorded, so a test can assert that no prompt was expected.
//
// The folder-browse dialog runs the request's callbacks on a scripted
// browser: `initialized`, then, for a QString answer, a selection of it and OK
// (when OK is enabled); a null answer cancels. A test that needs
// more (pressing the own "New folder" button) sets `folderScript`.
class ScriptedPrompts : public Prompts {
public:
    // The scripted dialog's state, kept after it closes.
    // Like the real dialog, a selection made reports itself as a change.
    struct Browser : FolderBrowser {
        const FolderBrowseRequest* request = nullptr;  // while it is open
        QStringList selections;                        // every setSelection, in order
        QString status;
        bool okEnabled = true;
        bool newFolderEnabled = true;
        bool cancelled = false;
        QWidget* window() override { return nullptr; }
        void setSelection(const QString& path) override {
            selections.append(path);
            if (request && request->selectionChanged)
                request->selectionChanged(*this, path);
        }
        void setStatusText(const QString& text) override { status = text; }
        void setOkEnabled(bool enabled) override { okEnabled = enabled; }
        void setNewFolderEnabled(bool enabled) override { newFolderEnabled = enabled; }
        void cancel() override { cancelled = true; }
    };
    using FolderScript = std::function<std::optional<QString>(const FolderBrowseRequest&, Browser&,
                                                              const QVariant& answer)>;
    FolderScript folderScript;
    QList<Browser> browsers;  // one per folder-browse dialog shown

    struct Call {
        Kind kind;
        QString caption;
        QString text;  // message text, prompt, or start path of a file dialog
        Buttons buttons;
        QString extra;  // the filter of a file dialog, the default of an input
    };

    void answer(const QVariant& value) { m_answers.enqueue(value); }
    void answerButton(Button button) { m_answers.enqueue(QVariant::fromValue(int(button))); }

    const QList<Call>& calls() const { return m_calls; }
    const Call& last() const { return m_calls.last(); }
    int count() const { return m_calls.size(); }
    int countOf(Kind kind) const;
    bool hasText(const QString& text) const;  // any call whose text equals `text`
    int pendingAnswers() const { return m_answers.size(); }
    void clear() {
        m_calls.clear();
        m_answers.clear();
    }

    Button message(Kind kind, const QString& caption, const QString& text,
                   Buttons buttons) override;
    void timedMessage(const QString& caption, const QString& text, int milliseconds) override;
    bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultValue) override;
    QString openFileName(const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QStringList openFileNames(const QString& caption, const QString& startPath,
                              const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QString saveFileNameOfType(const QString& caption, const QString& startPath,
                               const QString& filter, QString& selectedFilter) override;
    QString folder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> browseForFolder(const FolderBrowseRequest& request) override;
    std::optional<QFont> font(const QFont& initial) override;
    std::optional<QColor> colour(const QColor& initial) override;
    bool print(QPrinter& printer) override;
    bool printerSetup(QPrinter& printer) override;
    bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;

private:
    QVariant next();
    QList<Call> m_calls;
    QQueue<QVariant> m_answers;
};
