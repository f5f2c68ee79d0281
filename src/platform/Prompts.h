#pragma once

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The application title: the caption of message boxes without a caption of
// their own, and the first line of the active-window hint.
inline constexpr const char* kApplicationTitle = "Corvanta - Web Application";

class QPrinter;
class QWidget;

// The folder-browse dialog while it is open, as its owner's callbacks steer it.
class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    virtual QWidget* window() = 0;  // the dialog; null where no real one is shown
    // Highlights `path` (an existing folder).
    virtual void setSelection(const QString& path) = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setOkEnabled(bool enabled) = 0;
    virtual void setNewFolderEnabled(bool enabled) = 0;  // the request's own button
    // Closes the dialog as Escape does.
    virtual void cancel() = 0;
};

// What a folder-browse dialog shows and whom it tells. The callbacks run on
// the UI thread while the dialog is open; `initialized` makes the first
// selection.
struct FolderBrowseRequest {
    QString title;                // window caption; empty: the application title
    QString label;                // text above the folders
    QString rootFolder;           // the dialog stays at or below it; empty: the whole system
    QString newFolderCaption;     // not empty: an own push button at the lower left
    bool systemNewFolder = true;  // the dialog's own new-folder command
    bool showStatus = false;      // a status line under the label
    bool editBox = false;         // a field to type a folder's name into
    bool includeFiles = false;    // files are listed beside the folders
    bool validate = false;        // a typed name that is no folder is refused
    std::function<void(FolderBrowser&)> initialized;
    std::function<void(FolderBrowser&, const QString& path)> selectionChanged;
    std::function<void(FolderBrowser&)> validateFailed;
    std::function<void(FolderBrowser&)> newFolderClicked;
};

// The one seam through which every message box, input query, file, folder,
// font, colour and print dialog is shown. The default implementation
// (QtPrompts) uses Qt dialogs; tests install a scripted one that records every
// call and answers from a queue.
//
// All calls are made on the UI thread and block until answered.
class Prompts {
public:
    enum class Kind {
        Information,
        Warning,
        Error,
        Question,
        Plain,         // no icon; caption is the application title
        TimedMessage,  // self-closing information box
        InputQuery,
        InputBox,
        OpenFile,
        OpenFiles,
        SaveFile,
        Folder,
        Font,
        Colour,
        Print,
        PrinterSetup,
        PrintPreview,
    };

    enum Button {
        NoButton = 0,
        Ok = 0x1,
        Cancel = 0x2,
        Yes = 0x4,
        No = 0x8,
        YesToAll = 0x10,
        NoToAll = 0x20,
        Abort = 0x40,
        Retry = 0x80,
        Ignore = 0x100,
    };
    Q_DECLARE_FLAGS(Buttons, Button)

    virtual ~Prompts() = default;

    // A message box; returns the button pressed (Cancel, No or the only button
    // when the box is dismissed). An empty caption means the application title.
    // Every text of every prompt is shown as plain text: most quote a page, a
    // server or a file, whose markup must not become links or pictures.
    virtual Button message(Kind kind, const QString& caption, const QString& text,
                           Buttons buttons = Ok) = 0;
    // A message box whose text is rich text that the caller composed itself,
    // every quoted outside text escaped. This default shows it as plain text.
    virtual Button richTextMessage(Kind kind, const QString& caption, const QString& html,
                                   Buttons buttons = Ok) {
        return message(kind, caption, html, buttons);
    }

    // The self-closing information box: shown in front and closed by itself
    // after `milliseconds`.
    virtual void timedMessage(const QString& caption, const QString& text, int milliseconds) = 0;

    // Query with OK/Cancel; `value` holds the default on entry and the answer on
    // OK. Returns false on Cancel (then `value` is unchanged).
    virtual bool inputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    // A query whose answer is not shown as it is typed (a password); as
    // inputQuery otherwise.
    virtual bool passwordQuery(const QString& caption, const QString& prompt, QString& value) {
        return inputQuery(caption, prompt, value);
    }
    // Input box: the answer, or `defaultValue` on Cancel.
    virtual QString inputBox(const QString& caption, const QString& prompt,
                             const QString& defaultValue) = 0;

    // File dialogs return an empty text (or list) when cancelled. `filter` uses
    // Qt's form ("Text files (*.txt);;All files (*)").
    virtual QString openFileName(const QString& caption, const QString& startPath,
                                 const QString& filter) = 0;
    virtual QStringList openFileNames(const QString& caption, const QString& startPath,
                                      const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& startPath,
                                 const QString& filter) = 0;
    // The save dialog for a caller that asks its own question about an existing
    // file, so the dialog asks none. This default is the plain save dialog.
    virtual QString saveFileNameOwnOverwriteQuestion(const QString& caption,
                                                     const QString& startPath,
                                                     const QString& filter) {
        return saveFileName(caption, startPath, filter);
    }
    // The save dialog with a choice of file types (`filter` lists several):
    // `selectedFilter` holds the type offered first on entry and the chosen
    // one when a file was chosen.
    virtual QString saveFileNameOfType(const QString& caption, const QString& startPath,
                                       const QString& filter, QString& selectedFilter) = 0;
    virtual QString folder(const QString& caption, const QString& startFolder) = 0;
    // The folder-browse dialog with its label, status line and own buttons;
    // the chosen folder, or nothing when cancelled. This default shows the
    // plain folder dialog on the folder that `initialized` selects.
    virtual std::optional<QString> browseForFolder(const FolderBrowseRequest& request);

    virtual std::optional<QFont> font(const QFont& initial) = 0;
    virtual std::optional<QColor> colour(const QColor& initial) = 0;

    // The print dialog for `printer`; true when the user chose to print.
    virtual bool print(QPrinter& printer) = 0;
    virtual bool printerSetup(QPrinter& printer) = 0;
    // The print preview of what `paint` draws on a printer (it is called for
    // every redraw and, when the user prints from the preview, for `printer`).
    // True when the user printed.
    virtual bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;

    // Convenience: the application's default error box (caption = application
    // title, error icon, OK).
    void errorBox(const QString& text) { message(Kind::Error, QString(), text, Ok); }
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Prompts::Buttons)

inline std::optional<QString> Prompts::browseForFolder(const FolderBrowseRequest& request) {
    struct StartOnly : FolderBrowser {
        QString start;
        QWidget* window() override { return nullptr; }
        void setSelection(const QString& path) override { start = path; }
        void setStatusText(const QString&) override {}
        void setOkEnabled(bool) override {}
        void setNewFolderEnabled(bool) override {}
        void cancel() override {}
    } browser;
    if (request.initialized)
        request.initialized(browser);
    const QString chosen = folder(request.title, browser.start);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}
