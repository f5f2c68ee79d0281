#pragma once

#include <QList>
#include <QObject>
#include <memory>

class AddHtmlPanel;
class BrowserHost;
class FindBar;
class ImageList;
class QAction;
class QFrame;
class QMenu;
class QPrinter;
class QToolBar;
class ToolHost;

// The commands of the browser window's "File", "View" and "Options" menus and
// of its accessories toolbar that act on the loaded page or on the window:
// open, find, save, mail, select, copy, print and preview, offline, window
// size, text size, page source and properties, the address book and internet
// call programs, internet options and borders. Each is mapped onto the
// engine here; the window places the items.
//
// UI thread only.
class PageCommands : public QObject {
    Q_OBJECT
public:
    struct Window {
        BrowserHost& browser;
        ToolHost& host;
        const ImageList& images;
        QWidget* window;    // the browser window ("View Maximize", dialogs)
        QFrame* viewFrame;  // drawn around the page as the borders say
        FindBar* findBar;
    };
    // The window's own items, placed among the commands.
    struct WindowItems {
        QAction* newBrowser;
        QAction* close;
        QAction* viewCookie;
        QList<QAction*> viewToggles;  // the toolbar and side panel items of "View"
        QAction* block;               // "Block PopUp "
        QAction* preferences;
        QAction* addHtml;
        QAction* blocker;  // "Popup Blocker"
        QList<QAction*> sidePanelViews;
    };

    PageCommands(const Window& window, QObject* parent = nullptr);
    ~PageCommands() override;

    void fillMenus(QMenu* file, QMenu* view, QMenu* options, const WindowItems& items);
    void fillAccessories(QToolBar* bar, const WindowItems& items);
    QAction* item(const char* name) const;
    // True from "Print" until the engine has finished with the printer.
    bool isPrinting() const { return bool(m_printer); }
    // Waits until the engine has finished with the printer. The window calls
    // this before its page goes: the engine paints into the printer on a
    // thread of its own and reports the end only to a living page.
    void finishPrinting();

    // Handlers, named after their items.
    void TBXBOpenClick();
    void TBXFBFindClick();
    void TBXBSaveClick();
    void TBXSavePClick();
    void TBXUrlMailClick();
    void TBXBSelectAllClick();
    void TBXBCopyClick();
    void TBXBPrintPreClick();
    void TBXBPrintClick();
    void TBXOfflineClick(bool checked);
    void TBXBFullScrnClick();
    void Zoom1Popup();
    void textSizeClick(int size);
    void TBXBPagePropClick();
    void TBXBNetMeetClick();
    void TBXBAddressbClick();
    void TBXInteOptClick();
    void TBXBordersClick(bool checked);
    // "View Page Source (Html)" and "View Page Source" with the source, "View
    // Page Source (Text only)" with the text: an Editor in Html mode.
    void viewPageSource(bool html);

signals:
    // "Open Page" chose a file: the window navigates to it.
    void navigateRequested(const QString& address);

private:
    QAction* makeItem(const char* name, const QString& caption, int image);
    void buildItems();
    void printInto(QPrinter& printer);
    void noPageYet();

    BrowserHost& m_browser;
    ToolHost& m_host;
    const ImageList& m_images;
    QWidget* m_window;
    QFrame* m_viewFrame;
    FindBar* m_findBar;
    QList<QAction*> m_items;
    QList<QAction*> m_sizeItems;  // "Largest" to "Smallest": sizes 4 to 0
    QMenu* Zoom1 = nullptr;
    std::unique_ptr<QPrinter> m_printer;  // held while the engine prints
};
