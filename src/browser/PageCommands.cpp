#include "PageCommands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFrame>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineDownloadRequest>

#include "BrowserHost.h"
#include "DocumentInfo.h"
#include "FindBar.h"
#include "ImageStrip.h"
#include "InternetOptionsDialog.h"
#include "LocalFileName.h"
#include "PageCommandRules.h"
#include "PageDownloads.h"
#include "PagePropertiesDialog.h"
#include "Prompts.h"
#include "ToolHost.h"

namespace {

// The engine's save formats, as the save dialog offers them.
const struct {
    const char* filter;
    QWebEngineDownloadRequest::SavePageFormat format;
} kSaveFormats[] = {
    {"Web Page, complete (*.htm *.html)", QWebEngineDownloadRequest::CompleteHtmlSaveFormat},
    {"Web Archive, single file (*.mht *.mhtml)", QWebEngineDownloadRequest::MimeHtmlSaveFormat},
    {"Web Page, HTML only (*.html *.htm)", QWebEngineDownloadRequest::SingleHtmlSaveFormat},
};

const struct {
    const char* name;
    const char* caption;
    int size;
} kTextSizes[] = {
    {"Largest", "Largest", 4}, {"Large", "Large", 3},       {"Medum", "Medum", 2},
    {"Small", "Small", 1},     {"Smallest", "Smallest", 0},
};

}  // namespace

PageCommands::PageCommands(const Window& window, QObject* parent)
    : QObject(parent),
      m_browser(window.browser),
      m_host(window.host),
      m_images(window.images),
      m_window(window.window),
      m_viewFrame(window.viewFrame),
      m_findBar(window.findBar) {
    buildItems();
    connect(&m_browser, &QWebEngineView::printFinished, this, [this](bool success) {
        if (!m_printer)
            return;  // a preview's page, waited for there
        m_printer.reset();
        if (!success)
            m_host.prompts().errorBox(QStringLiteral("The page could not be printed."));
    });
}

PageCommands::~PageCommands() {
    // Never free a printer the engine may still paint into: a page gone
    // before its print ended leaves no word of that end.
    if (m_printer)
        (void)m_printer.release();
}

void PageCommands::finishPrinting() {
    // A stuck engine must not hold the window for ever; the printer is then
    // left to it rather than freed under it.
    constexpr int kLongestPrintMs = 5 * 60 * 1000;
    const QDeadlineTimer deadline(kLongestPrintMs);
    QTimer tick;  // wakes the wait to look at the clock
    tick.start(100);
    while (m_printer && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QAction* PageCommands::makeItem(const char* name, const QString& caption, int image) {
    auto* action = new QAction(m_images.icon(image), caption, this);
    action->setObjectName(QLatin1String(name));
    m_items.append(action);
    return action;
}

QAction* PageCommands::item(const char* name) const {
    for (QAction* action : m_items) {
        if (action->objectName() == QLatin1String(name))
            return action;
    }
    return nullptr;
}

void PageCommands::buildItems() {
    const struct {
        const char* name;
        const char* caption;
        int image;
        void (PageCommands::*handler)();
    } items[] = {
        {"TBXBOpen", "Open Page", 11, &PageCommands::TBXBOpenClick},
        {"TBXBOpenPage", "Open Local Page", 11, &PageCommands::TBXBOpenClick},
        {"TBXFBFind", "Find", 12, &PageCommands::TBXFBFindClick},
        {"TBXFind", "Find In The Page", 12, &PageCommands::TBXFBFindClick},
        {"TBXBSave", "Save", 14, &PageCommands::TBXBSaveClick},
        {"TBXSaveP", "Save Page as..", 14, &PageCommands::TBXSavePClick},
        {"TBXUrlMail", "Send The URL In Mail", 19, &PageCommands::TBXUrlMailClick},
        {"TBXBSelectAll", "Select All", 21, &PageCommands::TBXBSelectAllClick},
        {"TBXBCopy", "Copy", 20, &PageCommands::TBXBCopyClick},
        {"TBXBPrintPre", "Print Preview", 54, &PageCommands::TBXBPrintPreClick},
        {"TBXBPrint", "Print", 13, &PageCommands::TBXBPrintClick},
        {"TBXPrint", "Print The Page", 13, &PageCommands::TBXBPrintClick},
        {"TBXBFullScrn", "View Maximize", 16, &PageCommands::TBXBFullScrnClick},
        {"TBXBPagePro", "Page Properties", 22, &PageCommands::TBXBPagePropClick},
        {"TBXBNetMeet", "Net Meeting ", 48, &PageCommands::TBXBNetMeetClick},
        {"TBXBAddressb", "Address Book", 34, &PageCommands::TBXBAddressbClick},
        {"TBXInteOpt", "Internet Options", 27, &PageCommands::TBXInteOptClick},
    };
    for (const auto& entry : items) {
        connect(makeItem(entry.name, QLatin1String(entry.caption), entry.image),
                &QAction::triggered, this, entry.handler);
    }
    item("TBXFBFind")->setShortcut(QKeySequence::Find);
    item("TBXFBFind")->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    const struct {
        const char* name;
        const char* caption;
        bool html;
    } sources[] = {{"TBXBViewHtml", "View Page Source (Html)", true},
                   {"TBXBViewPageText", "View Page Source (Text only)", false},
                   {"TBXViewS", "View Page Source", true}};
    for (const auto& entry : sources) {
        connect(makeItem(entry.name, QLatin1String(entry.caption), 52), &QAction::triggered, this,
                [this, html = entry.html] { viewPageSource(html); });
    }

    QAction* offline = makeItem("TBXOffline", QStringLiteral("Work Offline"), 49);
    offline->setCheckable(true);
    connect(offline, &QAction::triggered, this, &PageCommands::TBXOfflineClick);
    QAction* borders = makeItem("TBXBorders", QStringLiteral("Hide 3D Borders"), -1);
    borders->setCheckable(true);
    connect(borders, &QAction::triggered, this, &PageCommands::TBXBordersClick);

    Zoom1 = new QMenu(QStringLiteral("Text Size"));
    Zoom1->setObjectName(QStringLiteral("Zoom1"));
    Zoom1->setIcon(m_images.icon(42));
    connect(Zoom1, &QMenu::aboutToShow, this, &PageCommands::Zoom1Popup);
    for (const auto& entry : kTextSizes) {
        QAction* size = makeItem(entry.name, QLatin1String(entry.caption), -1);
        size->setCheckable(true);
        connect(size, &QAction::triggered, this,
                [this, number = entry.size] { textSizeClick(number); });
        Zoom1->addAction(size);
        m_sizeItems.append(size);
    }
}

void PageCommands::fillMenus(QMenu* file, QMenu* view, QMenu* options, const WindowItems& items) {
    file->addActions({items.newBrowser, item("TBXBOpen"), item("TBXFBFind"), item("TBXBSave"),
                      item("TBXUrlMail")});
    file->addSeparator();
    file->addActions({item("TBXBSelectAll"), item("TBXBCopy")});
    file->addSeparator();
    file->addActions({item("TBXBPrintPre"), item("TBXBPrint")});
    file->addSeparator();
    file->addAction(item("TBXOffline"));
    file->addSeparator();
    file->addAction(items.close);

    view->addActions(
        {item("TBXBViewHtml"), item("TBXBViewPageText"), items.viewCookie, item("TBXBFullScrn")});
    view->addMenu(Zoom1);
    view->addActions({item("TBXBPagePro"), item("TBXBNetMeet"), item("TBXBAddressb")});
    view->addSeparator();
    view->addActions(items.viewToggles);

    options->addActions(
        {items.block, items.preferences, item("TBXInteOpt"), item("TBXBorders"), items.addHtml});
    // Shortcuts of menu items work only from items the window holds.
    m_window->addAction(item("TBXFBFind"));
}

void PageCommands::fillAccessories(QToolBar* bar, const WindowItems& items) {
    bar->addActions({items.newBrowser, item("TBXBOpenPage"), item("TBXFind"), items.blocker});
    bar->addActions(items.sidePanelViews);
    bar->addActions({item("TBXViewS"), item("TBXPrint"), item("TBXSaveP")});
}

// Commands ---------------------------------------------------------------------

void PageCommands::TBXBOpenClick() {
    const QString file =
        m_host.prompts().openFileName(QStringLiteral("Corvanta  Open..."), QDir::rootPath(),
                                      QStringLiteral("html- Files (*.htm *.html *.HTML *.HTM)"));
    if (!file.isEmpty())
        emit navigateRequested(QDir(file).absolutePath());
}

void PageCommands::TBXFBFindClick() {
    if (m_browser.hasDocument())
        m_findBar->open();
}

void PageCommands::TBXBSaveClick() {
    if (!m_browser.hasDocument())
        return;
    QString name = safeFileName(m_browser.locationName());
    if (name.isEmpty())
        name = QStringLiteral("page");
    const QString folder = PageDownloads::downloadFolder();
    QStringList filters;
    for (const auto& format : kSaveFormats)
        filters.append(QLatin1String(format.filter));
    QString chosen = filters.first();
    const QString file =
        m_host.prompts().saveFileNameOfType(QStringLiteral("Save Web Page"),
                                            (folder.isEmpty() ? QDir::homePath() : folder) +
                                                QLatin1Char('/') + name + QStringLiteral(".htm"),
                                            filters.join(QStringLiteral(";;")), chosen);
    if (file.isEmpty())
        return;
    const int index = qMax(0, int(filters.indexOf(chosen)));
    m_browser.page()->save(file, kSaveFormats[index].format);
}

void PageCommands::TBXSavePClick() {
    if (!m_browser.busy())
        TBXBSaveClick();
}

void PageCommands::TBXUrlMailClick() {
    m_host.openOnDesktop(PageCommandRules::mailAddressForPage(m_browser.locationName(),
                                                              m_browser.locationAddress()));
}

void PageCommands::TBXBSelectAllClick() {
    if (m_browser.hasDocument())
        m_browser.triggerPageAction(QWebEnginePage::SelectAll);
}

void PageCommands::TBXBCopyClick() {
    if (m_browser.hasDocument())
        m_browser.triggerPageAction(QWebEnginePage::Copy);
}

void PageCommands::printInto(QPrinter& printer) {
    // The preview draws when this returns: wait for the engine's pages.
    QEventLoop wait;
    connect(&m_browser, &QWebEngineView::printFinished, &wait, &QEventLoop::quit);
    m_browser.print(&printer);
    wait.exec();
}

void PageCommands::TBXBPrintPreClick() {
    if (!m_browser.hasDocument() || m_printer)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_browser.locationName());
    m_host.prompts().printPreview(printer, [this](QPrinter& target) { printInto(target); });
}

void PageCommands::TBXBPrintClick() {
    if (m_browser.busy() || m_printer)
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(m_browser.locationName());
    if (!m_host.prompts().print(*printer))
        return;
    m_printer = std::move(printer);
    m_browser.print(m_printer.get());
}

void PageCommands::TBXOfflineClick(bool checked) {
    m_browser.setOffline(checked);
}

void PageCommands::TBXBFullScrnClick() {
    // The tool window inside the frame, not the frame.
    QWidget* frame = qobject_cast<QMdiSubWindow*>(m_window->parentWidget());
    if (!frame)
        frame = m_window;
    QAction* maximize = item("TBXBFullScrn");
    if (frame->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
        frame->showNormal();
        maximize->setText(PageCommandRules::maximizeCaption(false));
    } else {
        maximize->setText(PageCommandRules::maximizeCaption(true));
        frame->showMaximized();
    }
}

void PageCommands::Zoom1Popup() {
    if (!m_browser.isHtmlDocument())
        return;
    // While a page loads the engine answers the smallest size.
    const int size = m_browser.busy() ? PageCommandRules::kSmallestTextSize
                                      : PageCommandRules::textSizeForZoom(m_browser.zoomFactor());
    for (int i = 0; i < m_sizeItems.size(); ++i) {
        if (kTextSizes[i].size == size)
            m_sizeItems[i]->setChecked(true);
    }
}

void PageCommands::textSizeClick(int size) {
    if (m_browser.busy()) {
        // Nothing changes, the item's tick included.
        for (int i = 0; i < m_sizeItems.size(); ++i) {
            if (kTextSizes[i].size == size)
                m_sizeItems[i]->setChecked(!m_sizeItems[i]->isChecked());
        }
        return;
    }
    if (m_browser.isHtmlDocument())
        m_browser.setZoomFactor(PageCommandRules::zoomForTextSize(size));
    for (int i = 0; i < m_sizeItems.size(); ++i)
        m_sizeItems[i]->setChecked(kTextSizes[i].size == size);
}

void PageCommands::TBXBPagePropClick() {
    if (!m_browser.hasDocument())
        return;
    // A document command: what the engine cannot tell is not reported.
    m_browser.runDocumentScript(
        QStringLiteral("properties"), {}, this, [this](const QVariant& value, const QString&) {
            QVariantMap answer = value.toMap();
            if (m_browser.url().isLocalFile())
                DocumentInfo::addLocalFileFacts(answer, m_browser.url().toLocalFile());
            PagePropertiesDialog dialog(DocumentInfo::propertiesSummary(answer), m_window);
            dialog.exec();
        });
}

void PageCommands::TBXBNetMeetClick() {
    m_host.startDesktopProgram(ToolHost::DesktopProgram::InternetCall);
}

void PageCommands::TBXBAddressbClick() {
    m_host.startDesktopProgram(ToolHost::DesktopProgram::AddressBook);
}

void PageCommands::TBXInteOptClick() {
    if (!m_browser.hasDocument())
        return;
    InternetOptionsDialog dialog(m_browser, m_window);
    dialog.exec();
}

void PageCommands::TBXBordersClick(bool checked) {
    const PageCommandRules::HostFlags flags = PageCommandRules::bordersHostFlags(checked);
    m_browser.setHostFlags(flags);
    switch (PageCommandRules::viewBorder(flags)) {
        case PageCommandRules::ViewBorder::Sunken:
            m_viewFrame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            break;
        case PageCommandRules::ViewBorder::Flat:
            m_viewFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
            break;
        case PageCommandRules::ViewBorder::None:
            m_viewFrame->setFrameStyle(QFrame::NoFrame);
            break;
    }
}

void PageCommands::noPageYet() {
    m_host.prompts().timedMessage(QStringLiteral("Corvanta Help Message"),
                                  QStringLiteral("No page available yet.\n\rWait until the page "
                                                 "will be fully downlowded!"),
                                  2000);
}

void PageCommands::viewPageSource(bool html) {
    if (m_browser.busy() || !m_browser.hasDocument()) {
        noPageYet();
        return;
    }
    m_browser.runDocumentScript(html ? QStringLiteral("source") : QStringLiteral("text"), {}, this,
                                [this](const QVariant& value, const QString& error) {
                                    if (!error.isEmpty()) {
                                        m_host.prompts().errorBox(error);
                                        return;
                                    }
                                    const QString text = value.toString();
                                    if (text.isEmpty() || m_browser.busy()) {
                                        noPageYet();
                                        return;
                                    }
                                    m_host.openInEditor(text, true);
                                });
}
