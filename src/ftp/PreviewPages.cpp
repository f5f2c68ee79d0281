#include "PreviewPages.h"

#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "ConnectionLogPanel.h"
#include "TextColouring.h"

namespace {

// A downloaded file is shown as what it is, never as a page that does
// something: its links and resources may reach other local files, but nothing
// on the network (a beacon would tell the server the file was opened).
class LocalOnly : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QString scheme = info.requestUrl().scheme();
        if (scheme != QLatin1String("file") && scheme != QLatin1String("data"))
            info.block(true);
    }
};

}  // namespace

PreviewPages::PreviewPages(ConnectionLogPanel& log, QObject* parent) : QObject(parent) {
    TabEditor = new QWidget;
    TabEditor->setObjectName("TabEditor");
    auto* editorLayout = new QVBoxLayout(TabEditor);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    RichEditor = new QTextEdit;
    RichEditor->setObjectName("RichEditor");
    RichEditor->setAccessibleName("Editor");
    RichEditor->setAcceptRichText(false);
    editorLayout->addWidget(RichEditor);
    log.attach(RichEditor);

    TabBrowser = new QWidget;
    TabBrowser->setObjectName("TabBrowser");
    auto* browserLayout = new QVBoxLayout(TabBrowser);
    browserLayout->setContentsMargins(0, 0, 0, 0);
}

PreviewPages::~PreviewPages() {
    delete WB;  // its page before the profile the page uses
}

void PreviewPages::showPreview(const QStringList& lines) {
    RichEditor->setUpdatesEnabled(false);
    RichEditor->setPlainText(lines.join(QLatin1Char('\n')));
    const QString text = RichEditor->toPlainText();
    QTextCursor cursor(RichEditor->document());
    cursor.beginEditBlock();
    for (const ColouredRun& run : colourPreviewText(text)) {
        cursor.setPosition(int(run.start));
        cursor.setPosition(int(run.start + run.length), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(run.colour == TextColour::Green ? QColor(0, 128, 0)
                             : run.colour == TextColour::Red ? QColor(255, 0, 0)
                                                             : QColor(0, 0, 255));
        cursor.setCharFormat(format);
    }
    cursor.endEditBlock();
    RichEditor->setUpdatesEnabled(true);
    RichEditor->setFocus();
    QTextCursor caret = RichEditor->textCursor();
    caret.clearSelection();
    RichEditor->setTextCursor(caret);
}

void PreviewPages::showFile(const QString& localFile) {
    if (!WB) {
        // Its own profile in memory: a downloaded file leaves no trace in the
        // browser's history or cache.
        m_profile = std::make_unique<QWebEngineProfile>();
        // The file came from a server: no scripts, no reading other local
        // files, no requests to the network.
        QWebEngineSettings* settings = m_profile->settings();
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        m_profile->setUrlRequestInterceptor(new LocalOnly(m_profile.get()));
        WB = new QWebEngineView;
        WB->setObjectName("WB");
        WB->setPage(new QWebEnginePage(m_profile.get(), WB));
        TabBrowser->layout()->addWidget(WB);
    }
    WB->load(QUrl::fromLocalFile(localFile));
}
