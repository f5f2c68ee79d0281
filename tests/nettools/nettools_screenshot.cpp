// Shows the Network Tools window with some content and saves one picture per
// page (for looking at the window as a user would):
//   nettools_screenshot OUTPUT-FOLDER
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "AddressDetails.h"
#include "LineServer.h"
#include "LoopbackHttpServer.h"
#include "RecordingToolHost.h"
#include "ServiceAddress.h"
#include "TestEnvironment.h"
#include "fmNetTools.h"

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : QDir::currentPath();
    LoopbackHttpServer http;
    http.start(LoopbackHttpServer::serveMap({{"/myip.php", "198.51.100.4"}}, "text/plain"));
    ServiceAddress::set(kExternalAddressService, http.url("/myip.php"));
    LineServer whois;
    whois.start(
        {"Domain Name: EXAMPLE.COM\r\nRegistry Domain ID: 2336799_DOMAIN_COM-VRSN\r\n"
         "Registrar WHOIS Server: whois.example.net\r\nUpdated Date: 2024-08-14T07:01:34Z\r\n",
         500, 0, false});

    RecordingToolHost host;
    TNetToosFrm window(host);
    window.setWhoisPort(whois.port());
    window.resize(1000, 560);
    window.show();
    QTest::qWait(2500);  // two ticks: the table and the adapter tabs fill
    window.findChild<QLineEdit*>("edtPng")->setText("127.0.0.1");
    window.findChild<QLineEdit*>("edtHost")->setText("127.0.0.1");
    window.findChild<QComboBox*>("ComboBox1")->setEditText("127.0.0.1");
    window.findChild<QLineEdit*>("EdtWhoIs")->setText("example.com");
    for (const char* action : {"btnPing", "TBXTrc", "TBXWGo"}) {
        window.findChild<QAction*>(action)->trigger();
    }
    auto* pages = window.findChild<QTabWidget*>("PageControl");
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QTest::qWait(200);
        window.grab().save(QStringLiteral("%1/nettools-page%2.png").arg(folder).arg(page));
    }
    return 0;
}
