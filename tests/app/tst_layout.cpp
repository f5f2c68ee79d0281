#include <QtTest>

#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <memory>
#include <optional>

#include "BrowserHost.h"
#include "BrowserRules.h"
#include "DocumentInfoPage.h"
#include "LoopbackHttpServer.h"
#include "Paths.h"
#include "RecordingShellLauncher.h"
#include "Registry.h"
#include "ScriptedPrompts.h"
#include "ServiceAddress.h"
#include "SuiteToolWindows.h"
#include "SuiteViews.h"
#include "TestEnvironment.h"
#include "Themes.h"
#include "ToolKind.h"
#include "ToolWindow.h"
#include "WhoisClient.h"
#include "fmBrowser.h"
#include "fmMain.h"

Q_DECLARE_METATYPE(ToolKind)

// Every page of every tool, in the frame at its first-run size, and every main
// dialog, in each theme: no visible text wider than its control, and no
// maximized tool window larger than the frame's client area.
class LayoutTests : public QObject {
    Q_OBJECT
    LoopbackHttpServer m_pages;
    ScriptedPrompts m_prompts;
    SuiteToolWindows m_tools;
    RecordingShellLauncher m_shell;
    std::unique_ptr<TfrmMain> m_frame;

    static constexpr int kDocumentInfoTab = 1;  // of a browser window's pages

    static void settle() {
        QCoreApplication::processEvents();
        QTest::qWait(50);
    }

private slots:
    void initTestCase() {
        TestEnvironment::wipeUserFiles();
        // The WhoIs server box as in a person's first run (nothing is queried here).
        const QStringList registries = WhoisClient::defaultServers();
        for (int i = 0; i < registries.size(); ++i)
            ServiceAddress::set(QStringLiteral("WhoisServer%1").arg(i), registries[i]);
        // The shipped start page, at an address that is the same wherever the
        // checkout lives (its own is a file below the build folder).
        QFile blank(Paths::dataFolder() + "/blank.htm");
        QVERIFY(blank.open(QIODevice::ReadOnly));
        QVERIFY(m_pages.start(LoopbackHttpServer::serveMap({{"/blank.htm", blank.readAll()}})));
        {
            Registry registry;
            registry.openKey(BrowserRules::kSettingsKey, true);
            registry.writeString("StartPage", m_pages.url("/blank.htm"));
        }
        m_frame = std::make_unique<TfrmMain>(m_prompts, m_tools, m_shell, [] { return true; });
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QVERIFY(QTest::qWaitFor([this] { return m_frame->startedUp(); }));
        QCOMPARE(m_frame->size(), QSize(824, 543));
    }

    void cleanupTestCase() {
        Themes::apply(QStringLiteral("Default"));
        m_frame.reset();
    }

    void everyPageFitsTheFirstRunFrame_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<ToolKind>("kind");
        for (const QString& theme : Themes::names()) {
            for (const ToolKindInfo& kind : kToolKinds) {
                QTest::addRow("%s %s", qPrintable(theme), kind.caption) << theme << kind.kind;
            }
        }
    }

    void everyPageFitsTheFirstRunFrame() {
        QFETCH(QString, theme);
        QFETCH(ToolKind, kind);
        QVERIFY(Themes::apply(theme));
        ToolWindow* window = m_frame->OpenToolWindow(kind);
        QVERIFY(window);
        const auto close = qScopeGuard([window] { window->parentWidget()->close(); });
        QVERIFY(window->parentWidget()->isMaximized());
        // A browser's Document Info pages show what its page answered, and
        // only once the page is loaded: the check waits for the start page and
        // for each page's answer, so that it sees them filled whatever the load.
        auto* browser = qobject_cast<TbrowserFrm*>(window);
        if (browser) {
            QVERIFY(QTest::qWaitFor(
                [&] {
                    return browser->browser()->url() == QUrl(m_pages.url("/blank.htm")) &&
                           !browser->browser()->busy();
                },
                60000));
        }
        QStringList narrow;
        QString overflow;
        for (const SuiteViews::View& view : SuiteViews::viewsOf(window)) {
            std::optional<QSignalSpy> refreshed;
            if (browser)
                refreshed.emplace(browser->documentInfo(), &DocumentInfoPage::refreshed);
            view.show();
            if (browser && browser->pageControl()->currentIndex() == kDocumentInfoTab) {
                const int page = browser->documentInfo()->pages()->currentIndex();
                QVERIFY2(QTest::qWaitFor(
                             [&] {
                                 return std::any_of(refreshed->cbegin(), refreshed->cend(),
                                                    [page](const QList<QVariant>& signal) {
                                                        return signal.value(0).toInt() == page;
                                                    });
                             },
                             60000),
                         qPrintable(view.name));
            }
            settle();
            for (const QString& control : SuiteViews::narrowControls(m_frame.get()))
                narrow.append(view.name + ": " + control);
            if (overflow.isEmpty()) {
                overflow = SuiteViews::overflow(*m_frame, window);
                if (!overflow.isEmpty())
                    overflow.prepend(view.name + ": ");
            }
        }
        narrow.removeDuplicates();
        QVERIFY2(narrow.isEmpty(), qPrintable(narrow.join('\n')));
        QVERIFY2(overflow.isEmpty(), qPrintable(overflow));
    }

    void everyDialogFitsItsTexts_data() {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<int>("dialog");
        const auto dialogs = SuiteViews::dialogs(m_prompts, *m_frame, favoritesFolder());
        for (const QString& theme : Themes::names()) {
            for (int i = 0; i < dialogs.size(); ++i)
                QTest::addRow("%s %s", qPrintable(theme), qPrintable(dialogs[i].name))
                    << theme << i;
        }
    }

    void everyDialogFitsItsTexts() {
        QFETCH(QString, theme);
        QFETCH(int, dialog);
        QVERIFY(Themes::apply(theme));
        const auto dialogs = SuiteViews::dialogs(m_prompts, *m_frame, favoritesFolder());
        std::unique_ptr<QDialog> shown(dialogs[dialog].make(m_frame.get()));
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QStringList narrow;
        for (const SuiteViews::View& view : SuiteViews::tabsOf(shown.get())) {
            view.show();
            settle();
            for (const QString& control : SuiteViews::narrowControls(shown.get()))
                narrow.append(view.name + ": " + control);
        }
        narrow.removeDuplicates();
        QVERIFY2(narrow.isEmpty(), qPrintable(narrow.join('\n')));
    }

    // The check itself: a label squeezed below its text is found, one given
    // room is not.
    void aSqueezedLabelIsFound() {
        QWidget window;
        auto* label = new QLabel(QStringLiteral("Transfers / sec."), &window);
        label->setObjectName(QStringLiteral("squeezed"));
        label->setGeometry(0, 0, label->fontMetrics().horizontalAdvance(label->text()) - 6, 20);
        window.resize(300, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList narrow = SuiteViews::narrowControls(&window);
        QCOMPARE(narrow.size(), 1);
        QVERIFY(narrow.first().contains("squeezed"));
        label->resize(label->sizeHint());
        QVERIFY(SuiteViews::narrowControls(&window).isEmpty());
    }

private:
    static QString favoritesFolder() {
        const QString folder = TestEnvironment::dataHome() + "/Favorites";
        QDir().mkpath(folder + "/Links");
        return folder;
    }
};

CORVANTA_TEST_MAIN(LayoutTests)
#include "tst_layout.moc"
