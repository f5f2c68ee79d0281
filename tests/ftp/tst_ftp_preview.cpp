#include <QtTest>

#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "ConnectionLogPanel.h"
#include "LoopbackHttpServer.h"
#include "PreviewPages.h"
#include "TestEnvironment.h"

// The "File Browser" page shows a downloaded file as it is: a hostile page
// runs no script there and reaches nothing on the network.
class FtpPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void downloadedPageIsShownInert() {
        LoopbackHttpServer server;
        QVERIFY(server.start(LoopbackHttpServer::serveMap({{"/beacon.png", "x"}})));
        QTemporaryDir dir;
        QFile page(dir.filePath("page.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(
            "<html><head><title>static</title></head><body>"
            "<img src='" +
            server.url("/beacon.png").toUtf8() +
            "'>"
            "<link rel='stylesheet' href='" +
            server.url("/style.css").toUtf8() +
            "'>"
            "<script>document.title = 'script ran';</script></body></html>");
        page.close();

        // As in the window: the pages go before the widgets that hold them.
        QWidget window;
        ConnectionLogPanel log;
        PreviewPages pages(log);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(pages.browserPage());
        window.show();
        pages.showFile(page.fileName());
        QSignalSpy loaded(pages.browser()->page(), &QWebEnginePage::loadFinished);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(pages.browser()->page()->title(), "static");
        QCOMPARE(server.requests().size(), 0);
    }
};

CORVANTA_TEST_MAIN(FtpPreviewTest)
#include "tst_ftp_preview.moc"
