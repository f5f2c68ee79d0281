#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "LineServer.h"
#include "NotepadEditor.h"
#include "RecordingToolHost.h"
#include "ServiceAddress.h"
#include "SuiteToolWindows.h"
#include "TestEnvironment.h"
#include "ToolWindow.h"

// The tray's hand-off reaching the suite's real tool windows: which control
// each fills and which command it runs. (A browser window, which needs the
// browser engine and a display, is covered by its own tests' Navigate.)
class SuiteHandOffTests : public QObject {
    Q_OBJECT
    RecordingToolHost m_host;
    SuiteToolWindows m_tools;

    template <typename T>
    static QString textOf(ToolWindow* window, const char* name) {
        T* control = window->findChild<T*>(QLatin1String(name));
        if (!control)
            return "<no " + QString(name) + ">";
        if constexpr (std::is_same_v<T, QLineEdit>)
            return control->text();
        else if constexpr (std::is_same_v<T, QPlainTextEdit>)
            return control->toPlainText();
        else
            return control->text();
    }

private slots:
    void init() { TestEnvironment::wipeUserFiles(); }

    void theEditorTakesTheTextAsItsOnlyLine() {
        std::unique_ptr<ToolWindow> editor(m_tools.create(ToolKind::Editor, m_host));
        m_tools.handOff(editor.get(), "handed text");
        QCOMPARE(textOf<NotepadEditor>(editor.get(), "synEdMemo"), QString("handed text"));
    }

    void theFtpClientShowsQuickConnectWithTheServer() {
        std::unique_ptr<ToolWindow> ftp(m_tools.create(ToolKind::FtpClient, m_host));
        m_tools.handOff(ftp.get(), "127.0.0.1");
        QCOMPARE(textOf<QLineEdit>(ftp.get(), "TBXedtServer"), QString("127.0.0.1"));
    }

    void theNetworkToolsFillThreeBoxesAndRunWhois() {
        // The first server of the box answers on loopback.
        LineServer whois;
        QVERIFY(whois.start({QByteArray("record for 127.0.0.1\r\n"), 100, 0, false}));
        ServiceAddress::set("WhoisServer0", QString("127.0.0.1:%1").arg(whois.port()));
        std::unique_ptr<ToolWindow> tools(m_tools.create(ToolKind::NetworkTools, m_host));
        m_tools.handOff(tools.get(), "127.0.0.1");
        for (const char* box : {"edtHost", "edtPng", "EdtWhoIs"})
            QCOMPARE(textOf<QLineEdit>(tools.get(), box), QString("127.0.0.1"));
        QCOMPARE(tools->findChild<QTabWidget*>("PageControl")->currentIndex(), 2);
        QCOMPARE(textOf<QPlainTextEdit>(tools.get(), "MemWhois"),
                 QString("record for 127.0.0.1\n"));
        whois.stop();
        QCOMPARE(whois.requests(), QList<QByteArray>{"127.0.0.1\n"});
    }

    void theGrabberTakesTheRootAddressAndGrabs() {
        std::unique_ptr<ToolWindow> grabber(m_tools.create(ToolKind::WebSiteGrabber, m_host));
        const QString closed = QString("http://127.0.0.1:%1/").arg(TestEnvironment::closedPort());
        m_tools.handOff(grabber.get(), closed);
        auto* root = grabber->findChild<QComboBox*>("edtRootUrl");
        QCOMPARE(root->currentText(), closed);
        QCOMPARE(root->count(), 1);  // "Grab" keeps each address it starts on
    }

    void theTranslatorReceivesTheTextOnly() {
        std::unique_ptr<ToolWindow> translator(m_tools.create(ToolKind::NetTranslator, m_host));
        m_tools.handOff(translator.get(), "hola");
        QCOMPARE(textOf<QPlainTextEdit>(translator.get(), "Memo1"), QString("hola"));
        QCOMPARE(m_host.scripted.count(), 0);
    }
};

CORVANTA_TEST_MAIN(SuiteHandOffTests)
#include "tst_suite_handoff.moc"
