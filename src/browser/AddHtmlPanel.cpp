#include "AddHtmlPanel.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "BrowserHost.h"
#include "ImageStrip.h"
#include "Prompts.h"

namespace {

const char* const kBlankAddress = "about:blank";

}  // namespace

AddHtmlPanel::AddHtmlPanel(BrowserHost& browser, Prompts& prompts, const ImageList& images,
                           QWidget* parent)
    : QWidget(parent), m_browser(browser), m_prompts(prompts) {
    setObjectName(QStringLiteral("PnlAdd"));
    auto* bar = new QToolBar(QStringLiteral("Add HTML"));
    bar->setObjectName(QStringLiteral("TBXAddTB"));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const struct {
        const char* name;
        const char* caption;
        int image;
        void (AddHtmlPanel::*handler)();
    } items[] = {
        {"TBXAdd", "Add To Current", 24, &AddHtmlPanel::TBXAddClick},
        {"TBXLoad", "Load Empty File", 11, &AddHtmlPanel::TBXLoadClick},
        {"TBXSave", "Save As..", 14, nullptr},
        {"TBXCancel", "Cancel", 4, nullptr},
    };
    for (const auto& item : items) {
        QAction* action = bar->addAction(images.icon(item.image), QLatin1String(item.caption));
        action->setObjectName(QLatin1String(item.name));
        if (item.handler)
            connect(action, &QAction::triggered, this, item.handler);
    }
    connect(bar->findChild<QAction*>(QStringLiteral("TBXSave")), &QAction::triggered, this,
            &AddHtmlPanel::saveRequested);
    connect(bar->findChild<QAction*>(QStringLiteral("TBXCancel")), &QAction::triggered, this,
            &QWidget::hide);

    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("HTML to add"));
    Memo1->setPlainText(QStringLiteral("<html><h1>Hello World!</h1></html>\n"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(Memo1);
    setMinimumHeight(kHeight);
}

void AddHtmlPanel::TBXAddClick() {
    m_browser.runDocumentScript(QStringLiteral("addHtml"), {Memo1->toPlainText()}, this,
                                [this](const QVariant&, const QString& error) {
                                    if (!error.isEmpty()) {
                                        m_prompts.errorBox(error);
                                        return;
                                    }
                                    emit documentChanged();
                                });
}

void AddHtmlPanel::TBXLoadClick() {
    // Not a wait on the spot: the emptying follows the blank page's load, and
    // a window closed or sent elsewhere meanwhile simply drops it.
    disconnect(m_waitForBlank);
    m_waitForBlank = connect(m_browser.page(), &QWebEnginePage::loadFinished, this, [this] {
        disconnect(m_waitForBlank);
        if (m_browser.url() != QUrl(QLatin1String(kBlankAddress)))
            return;
        m_browser.runDocumentScript(QStringLiteral("clear"), {}, this,
                                    [this](const QVariant&, const QString& error) {
                                        if (error.isEmpty())
                                            emit documentChanged();
                                    });
    });
    emit navigateRequested(QLatin1String(kBlankAddress));
}
