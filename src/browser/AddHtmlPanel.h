#pragma once

#include <QWidget>

class BrowserHost;
class ImageList;
class Prompts;
class QPlainTextEdit;
class QToolBar;

// The "Add HTML" panel (PnlAdd) below the page: markup the user types and
// appends to the loaded document, a command that empties the page, and the
// page's "Save As..". Hidden until "Add HTML to the current page" shows it.
//
// UI thread only.
class AddHtmlPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 88;

    AddHtmlPanel(BrowserHost& browser, Prompts& prompts, const ImageList& images,
                 QWidget* parent = nullptr);

    QPlainTextEdit* memo() const { return Memo1; }

    // "Add To Current": the memo's markup goes in at the end of the body; the
    // page is not reloaded. A document without a body gets an error box.
    void TBXAddClick();
    // "Load Empty File": the blank page, whose document is then emptied.
    void TBXLoadClick();

signals:
    // "Load Empty File" navigates through the window.
    void navigateRequested(const QString& address);
    // "Save As..": the window's "Save Page as..".
    void saveRequested();
    // A markup insertion or the emptying is done.
    void documentChanged();

private:
    BrowserHost& m_browser;
    Prompts& m_prompts;
    QPlainTextEdit* Memo1 = nullptr;
    QMetaObject::Connection m_waitForBlank;
};
