#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

#include "AddFavoriteDialog.h"
#include "BrowserRules.h"
#include "BrowserWindows.h"
#include "EngineCookies.h"
#include "FavoritesFolder.h"
#include "FavoritesTreeWidget.h"
#include "HistoryStore.h"
#include "InternetShortcut.h"
#include "LoopbackHttpServer.h"
#include "OrganizeFavoritesDialog.h"
#include "Registry.h"
#include "ShellFolders.h"
#include "SidePanel.h"
#include "StatusPanel.h"
#include "TestEnvironment.h"
#include "dlgExporter.h"
#include "dlgImporter.h"
#include "dlgPreferences.h"

namespace {

LoopbackHttpServer::Response pageFor(const LoopbackHttpServer::Request& request) {
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/html"}};
    if (request.target == "/cookie.html")
        headers.emplaceBack("Set-Cookie", "flavour=oat; Path=/; Max-Age=3600");
    if (request.target.startsWith("/cached.html?")) {
        headers.emplaceBack("Cache-Control", "max-age=3600");
    } else {
        headers.emplaceBack("Cache-Control", "no-store");
    }
    const QByteArray title = request.target == "/a.html"        ? "Page A"
                             : request.target == "/cookie.html" ? "Cookie Page"
                                                                : "Plain Page";
    return {200, "OK", headers, page(title), 0};
}

void shortcut(const QString& path, const QString& url) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    InternetShortcut::write(path, url);
}

// Runs `act` on the modal dialog of type T once it is shown (within `act`'s
// caller's exec()). A failed check in `act` returns from it early, the dialog
// still open: it is closed then, so that the caller's exec() returns and the
// test fails instead of waiting for ctest's time-out.
template <typename T>
void whenModal(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QPointer<T> dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
            if (dialog && dialog->isVisible()) {
                dialog->reject();
                if (!QTest::currentTestFailed())
                    QFAIL("the dialog was left open");
            }
        }
    });
    timer->start();
}

QStandardItem* child(QStandardItem* parent, const QString& text) {
    for (int row = 0; parent && row < parent->rowCount(); ++row) {
        if (parent->child(row)->text() == text)
            return parent->child(row);
    }
    return nullptr;
}

}  // namespace

class SidePanelTest : public QObject, private BrowserWindows {
    Q_OBJECT
private:
    LoopbackHttpServer m_server;
    QTemporaryDir m_home;
    QString m_favorites;
    std::unique_ptr<QTemporaryDir> m_favoritesDir;

    QString url(const char* path) const { return m_server.url(QLatin1String(path)); }

    static QAction* item(TbrowserFrm* window, const char* name) {
        return window->findChild<QAction*>(QLatin1String(name));
    }

    static void select(SidePanel* panel, QStandardItem* node) {
        QVERIFY(node);
        panel->tree()->setCurrentIndex(node->index());
    }

    static QStandardItem* top(SidePanel* panel) { return panel->model()->item(0); }

    // Expands `node` in the tree (which reads its children) and answers it.
    static QStandardItem* expand(SidePanel* panel, QStandardItem* node) {
        if (node)
            panel->tree()->expand(node->index());
        return node;
    }

    int requestsFor(const QByteArray& target) const {
        int count = 0;
        for (const auto& request : m_server.requests())
            count += request.target == target ? 1 : 0;
        return count;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_server.start(&pageFor));
        // The bookmark file's default place is the home folder.
        qputenv("HOME", m_home.path().toUtf8());
    }

    void init() {
        Registry registry;
        for (const char* key :
             {BrowserRules::kSettingsKey, BrowserRules::kSearchKey, BrowserRules::kHistoryKey}) {
            registry.deleteKey(QLatin1String(key));
        }
        m_favoritesDir = std::make_unique<QTemporaryDir>();
        m_favorites = m_favoritesDir->filePath("Favorites");
        QDir().mkpath(m_favorites);
        registry.openKey(ShellFolders::kKey, true);
        registry.writeString("Favorites", m_favorites);
        registry.closeKey();
        HistoryStore(HistoryStore::folder()).clear();
        QFile::remove(m_home.filePath("newbook.htm"));
        beginWindows();
    }

    void cleanup() { endWindows(); }

    void viewsTakeTurnsOnThePanel() {
        TbrowserFrm* window = openWindow();
        SidePanel* panel = window->sidePanel();
        QVERIFY(!panel->isVisible());

        item(window, "TBXFavorites")->trigger();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->view(), SidePanel::View::Favorites);
        QVERIFY(panel->favoritesToolbar()->isVisible());
        QVERIFY(!panel->cookiesToolbar()->isVisible());
        QVERIFY(!panel->tree()->rootIsDecorated());
        QCOMPARE(panel->root(), m_favorites);
        QCOMPARE(top(panel)->text(), "Favorites");
        QVERIFY(item(window, "TBXFavoritesTB")->isChecked());

        item(window, "TBXHist")->trigger();
        QCOMPARE(panel->view(), SidePanel::View::History);
        QVERIFY(!item(window, "TBXFavorites")->isChecked());
        QVERIFY(!panel->favoritesToolbar()->isVisible());
        QVERIFY(panel->cookiesToolbar()->isVisible());
        QVERIFY(item(window, "TBXHAddToFav")->isVisible());
        QVERIFY(!item(window, "TBXDelCookie")->isVisible());
        QVERIFY(item(window, "TBXHistoryTB")->isChecked());
        QVERIFY(!item(window, "TBXFavoritesTB")->isChecked());

        item(window, "TBXCookies")->trigger();
        QCOMPARE(panel->view(), SidePanel::View::Cookies);
        QVERIFY(!item(window, "TBXHAddToFav")->isVisible());
        QVERIFY(item(window, "TBXDelCookie")->isVisible());
        QCOMPARE(top(panel)->text(), "Cookies");
        QCOMPARE(panel->root(), BrowserHost::profile()->persistentStoragePath());

        // Unchecking a view hides the panel and leaves its linked item set.
        item(window, "TBXCookies")->trigger();
        QVERIFY(!panel->isVisible());
        QVERIFY(item(window, "TBXCookiesTB")->isChecked());
        QVERIFY(panel->favoritesToolbar()->isVisibleTo(panel));

        // The linked item runs its view.
        item(window, "TBXHistoryTB")->trigger();
        QCOMPARE(panel->view(), SidePanel::View::History);
        QVERIFY(panel->isVisible());
    }

    void closeButtonsAndStoredStates() {
        TbrowserFrm* window = openWindow();
        SidePanel* panel = window->sidePanel();
        item(window, "TBXHist")->trigger();
        // Closing the history-and-cookies toolbar in the history view turns to cookies.
        panel->findChild<QToolButton*>("TBXTBCookiesClose")->click();
        QCOMPARE(panel->view(), SidePanel::View::Cookies);
        QVERIFY(panel->cookiesToolbar()->isVisible());
        QVERIFY(item(window, "TBXCookiesTB")->isChecked());
        QVERIFY(!item(window, "TBXHistoryTB")->isChecked());

        delete window;
        {
            Registry registry;
            QVERIFY(registry.openKey(BrowserRules::kSettingsKey, false));
            QVERIFY(!registry.readBool("TBXFavoritesTB"));
            QVERIFY(!registry.readBool("TBXHistoryTB"));
            QVERIFY(registry.readBool("TBXCookiesTB"));
        }
        // The next window starts on the stored view.
        window = openWindow();
        panel = window->sidePanel();
        QTRY_VERIFY(panel->isVisible());
        QCOMPARE(panel->view(), SidePanel::View::Cookies);

        item(window, "TBXFavorites")->trigger();
        // Closing the favorites toolbar unchecks its linked item and hides the panel.
        panel->findChild<QToolButton*>("TBXFavTBClose")->click();
        QVERIFY(!panel->isVisible());
        QVERIFY(!item(window, "TBXFavoritesTB")->isChecked());
        QCOMPARE(panel->view(), SidePanel::View::None);
    }

    void favoritesOpenAndCommands() {
        shortcut(m_favorites + "/Site.url", url("/a.html"));
        shortcut(m_favorites + "/Work/Small.url", url("/b.html"));
        QFile notes(m_favorites + "/notes.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();
        QFile broken(m_favorites + "/Broken.url");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.close();
        QVERIFY(QFile::rename(m_favorites + "/Work/Small.url", m_favorites + "/Work/Small.URL"));

        TbrowserFrm* window = openWindow();
        SidePanel* panel = window->sidePanel();
        item(window, "TBXFavorites")->trigger();
        QStandardItem* root = top(panel);
        QCOMPARE(root->rowCount(), 4);  // Work, Broken, notes.txt, Site
        QStandardItem* work = expand(panel, child(root, "Work"));
        panel->ShellTVFDblClick(child(work, "Small")->index());
        panel->ShellTVFDblClick(child(root, "notes.txt")->index());
        panel->ShellTVFDblClick(work->index());
        panel->ShellTVFDblClick(child(root, "Site")->index());
        QCOMPARE(m_host->browsed.size(), 2);
        QCOMPARE(m_host->browsed[0].address, url("/b.html"));
        QCOMPARE(m_host->browsed[1].address, url("/a.html"));
        QCOMPARE(m_host->browsed[1].history, ToolHost::History::Record);

        // "Add To Favorites" works on the selected shortcut.
        select(panel, child(root, "Broken"));
        item(window, "TBXAddToFav")->trigger();
        QCOMPARE(m_host->scripted.last().text, "No URL was selected.");
        select(panel, work);
        const int prompts = m_host->scripted.count();
        item(window, "TBXAddToFav")->trigger();
        QCOMPARE(m_host->scripted.count(), prompts);
        select(panel, child(root, "Site"));
        whenModal<AddFavoriteDialog>([this](AddFavoriteDialog* dialog) {
            QCOMPARE(dialog->nameEdit()->text(), "Site");
            dialog->nameEdit()->setText("Site: copy");
            dialog->folders()->load(m_favorites, m_favorites + "/Work");
            dialog->accept();
        });
        item(window, "TBXAddToFav")->trigger();
        QCOMPARE(InternetShortcut::readUrl(m_favorites + "/Work/Site- copy.url"), url("/a.html"));
        // Our own dialog's change shows at once.
        QVERIFY(child(expand(panel, child(top(panel), "Work")), "Site- copy"));

        item(window, "TBXBHelpF")->trigger();
        QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::TimedMessage);
        QCOMPARE(m_host->scripted.last().caption, "Corvanta Help Message");
        QCOMPARE(m_host->scripted.last().text,
                 "Double click on the item to open and surf to the address.\n\rRight Click Menu "
                 "Is Avaliable!");
        QCOMPARE(m_host->scripted.last().extra, "2000");

        item(window, "TBXMozilla")->trigger();
        QCOMPARE(m_host->scripted.last().text,
                 "We can not locate the file, sorry.\n\rPlease use \"Open URL\" in the toolbar to "
                 "locate the file");
        shortcut(m_home.filePath("newbook.htm"), "x");
        item(window, "TBXMozilla")->trigger();
        QCOMPARE(m_host->browsed.last().address, m_home.filePath("newbook.htm"));
    }

    void organizeDialog() {
        shortcut(m_favorites + "/Site.url", url("/a.html"));
        OrganizeFavoritesDialog dialog(m_host->scripted, m_favorites);
        FavoritesTreeWidget* tree = dialog.tree();
        m_host->scripted.answer("Work");
        dialog.createFolderClick();
        QVERIFY(QFileInfo(m_favorites + "/Work").isDir());
        tree->load(m_favorites, m_favorites + "/Site.url");
        m_host->scripted.answer(m_favorites + "/Work");
        dialog.moveClick();
        QVERIFY(QFileInfo::exists(m_favorites + "/Work/Site.url"));
        QCOMPARE(tree->selectedPath(), m_favorites + "/Work/Site.url");
        m_host->scripted.answer("Home Page");
        dialog.renameClick();
        QCOMPARE(tree->selectedPath(), m_favorites + "/Work/Home Page.url");
        // A move out of the Favorites folder is refused with the reason.
        m_host->scripted.answer(m_home.path());
        dialog.moveClick();
        QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Error);
        QVERIFY(QFileInfo::exists(m_favorites + "/Work/Home Page.url"));
        tree->load(m_favorites, m_favorites + "/Work");
        m_host->scripted.answerButton(Prompts::Yes);
        dialog.deleteClick();
        QVERIFY(!QFileInfo::exists(m_favorites + "/Work"));
    }

    void exportDialog() {
        shortcut(m_favorites + "/Site.url", url("/a.html"));
        TExportFrm dialog(*m_host);
        QCOMPARE(dialog.Edit1->text(), m_home.filePath("newbook.htm"));
        QVERIFY(dialog.CBOpenAfter->isChecked());
        m_host->scripted.answer(m_home.filePath("chosen.html"));
        QTest::mouseClick(dialog.BtnBrowse, Qt::LeftButton);
        QCOMPARE(m_host->scripted.last().caption, "Corvanta Open...");
        QCOMPARE(m_host->scripted.last().text, m_home.path());
        QCOMPARE(dialog.Edit1->text(), m_home.filePath("chosen.html"));

        // A target that cannot be created: the message, the focus, no file opened.
        dialog.show();
        dialog.Edit1->setText(m_home.path());
        QTest::mouseClick(dialog.BtnExport, Qt::LeftButton);
        QCOMPARE(m_host->scripted.last().text, "The target file name you specified is invalid.");
        QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Error);
        QTRY_VERIFY(dialog.Edit1->hasFocus());
        QVERIFY(m_host->navigatedToFavorites.isEmpty());

        // Without "open after" the dialog stays.
        dialog.CBOpenAfter->setChecked(false);
        dialog.Edit1->setText(m_home.filePath("out.htm"));
        QTest::mouseClick(dialog.BtnExport, Qt::LeftButton);
        QCOMPARE(m_host->scripted.last().text,
                 "Your favorites have been copied to the bookmark file you specified.");
        QVERIFY(dialog.isVisible());
        QFile written(m_home.filePath("out.htm"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), FavoritesFolder::exportBookmarks(m_favorites));

        dialog.CBOpenAfter->setChecked(true);
        QTest::mouseClick(dialog.BtnExport, Qt::LeftButton);
        QCOMPARE(m_host->navigatedToFavorites, QStringList{m_home.filePath("out.htm")});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void importDialog() {
        TImportFrm dialog(*m_host);
        dialog.show();
        QCOMPARE(dialog.Edit2->text(), m_home.filePath("newbook.htm"));
        QCOMPARE(dialog.Edit1->text(), "Imported Bookmarks");
        QTest::mouseClick(dialog.BtnImport, Qt::LeftButton);
        QCOMPARE(m_host->scripted.last().text, "The bookmark file you specified does not exist.");
        QTRY_VERIFY(dialog.Edit2->hasFocus());

        QFile file(m_home.filePath("newbook.htm"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "<DL><P>\n<DT><A HREF=\"http://a.example/\">A</A>\n<DT><H3>F</H3>\n<DL><P>\n"
            "<DT><A HREF=\"http://b.example/\">B</A>\n</DL><P>\n</DL><P>\n");
        file.close();
        dialog.Edit1->setText("");
        QTest::mouseClick(dialog.BtnImport, Qt::LeftButton);
        QCOMPARE(m_host->scripted.last().text, "The subfolder name you specified is invalid.");
        QTRY_VERIFY(dialog.Edit1->hasFocus());

        // A file where the folder should go: its bookmark fails, the rest is written.
        dialog.Edit1->setText("In");
        QDir().mkpath(m_favorites + "/In");
        QFile blocker(m_favorites + "/In/F");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_host->scripted.clear();
        QTest::mouseClick(dialog.BtnImport, Qt::LeftButton);
        QCOMPARE(m_host->scripted.count(), 2);
        QCOMPARE(m_host->scripted.calls()[0].text, "Failare in creating a URL");
        QCOMPARE(m_host->scripted.calls()[1].text,
                 "The bookmarks have been copied to your favorites.");
        QCOMPARE(InternetShortcut::readUrl(m_favorites + "/In/A.url"), "http://a.example/");
        QVERIFY(!dialog.isVisible());
    }

    void dialogsOpenFromThePanel() {
        TbrowserFrm* window = openWindow();
        window->sidePanel()->TBXFavoritesClick(true);
        for (const char* name : {"TBXFavImp", "TBXExportFav", "TBXEditFav"}) {
            QString caption;
            whenModal<QDialog>([&caption](QDialog* dialog) {
                caption = dialog->windowTitle();
                dialog->reject();
            });
            item(window, name)->trigger();
            QVERIFY(!caption.isEmpty());
            QCOMPARE(caption, QString(name) == "TBXFavImp"      ? "Import Favorites"
                              : QString(name) == "TBXExportFav" ? "Export Favorites"
                                                                : "Organize Favorites");
        }
    }

    void historyRecordedAndOpened() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/a.html"));
        QVERIFY(loaded(window, url("/a.html")));
        HistoryStore store(HistoryStore::folder());
        // The start page, opened without history, is not a visit.
        QTRY_COMPARE(store.visitCount(), 1);
        QCOMPARE(store.pages(QDate::currentDate(), "127.0.0.1").value(0).title, "Page A");

        SidePanel* panel = window->sidePanel();
        item(window, "TBXHist")->trigger();
        QCOMPARE(top(panel)->text(), "History");
        QStandardItem* today = expand(panel, child(top(panel), "Today"));
        QStandardItem* site = expand(panel, child(today, "127.0.0.1"));
        QStandardItem* entry = child(site, "Page A");
        QVERIFY(entry);
        QCOMPARE(entry->toolTip(), "Page A\n" + url("/a.html"));

        // A day's folder only opens and closes.
        panel->ShellTVFDblClick(today->index());
        QVERIFY(m_host->browsed.isEmpty());
        panel->ShellTVFDblClick(entry->index());
        QCOMPARE(m_host->browsed.size(), 1);
        QCOMPARE(m_host->browsed[0].address, url("/a.html"));
        QCOMPARE(window->statusPanel(0)->caption(), url("/a.html"));
        QCOMPARE(window->statusPanel(0)->captionColour(), QColor(Qt::blue));

        select(panel, site);
        item(window, "TBXHAddToFav")->trigger();
        QCOMPARE(m_host->scripted.last().text, "No URL was selected.");
        select(panel, entry);
        whenModal<AddFavoriteDialog>([](AddFavoriteDialog* dialog) {
            // The entry is handed over without a title.
            QCOMPARE(dialog->nameEdit()->text(), "127.0.0.1");
            dialog->accept();
        });
        item(window, "TBXHAddToFav")->trigger();
        QCOMPARE(InternetShortcut::readUrl(m_favorites + "/127.0.0.1.url"), url("/a.html"));
    }

    void cookiesListedDeletedAndViewed() {
        TbrowserFrm* window = openWindow();
        window->Navigate(url("/cookie.html"));
        QVERIFY(loaded(window, url("/cookie.html")));
        SidePanel* panel = window->sidePanel();

        m_host->scripted.clear();
        window->findChild<QAction*>("TBXCookie")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_host->scripted.count(), 1, kTimeout);
        QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::Plain);
        QCOMPARE(m_host->scripted.last().text, "flavour=oat");

        item(window, "TBXCookies")->trigger();
        const QString name = "flavour@127.0.0.1/";
        QTRY_VERIFY_WITH_TIMEOUT(child(top(panel), name), kTimeout);

        select(panel, top(panel));
        item(window, "TBXDelCookie")->trigger();
        QCOMPARE(m_host->scripted.last().text, "Please select a file before pressing delete ;)");

        select(panel, child(top(panel), name));
        item(window, "TBXDelCookie")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_host->scripted.last().text, "The cookie was deleted.",
                                  kTimeout);
        // The node stays until the view is switched on again.
        QVERIFY(child(top(panel), name));

        window->Navigate(url("/plain.html"));
        QVERIFY(loaded(window, url("/plain.html")));
        m_host->scripted.clear();
        window->findChild<QAction*>("TBXCookie")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(m_host->scripted.count(), 1, kTimeout);
        QCOMPARE(m_host->scripted.last().text, "There are no cookies in this webpage.");

        // Switched off and on, the view is rebuilt at once from the cookies the
        // engine has announced; the page's own view above proved the engine
        // holds the cookie no more, so there is nothing to wait for.
        item(window, "TBXCookies")->trigger();
        item(window, "TBXCookies")->trigger();
        QVERIFY(top(panel));
        QVERIFY(!child(top(panel), name));
    }

    // Clicks `button` of the preferences dialog, opened as the menu opens it,
    // and closes the dialog.
    static void clickInPreferences(TbrowserFrm* window, const char* button) {
        whenModal<TPref>([button](TPref* dialog) {
            dialog->findChild<QPushButton*>(QLatin1String(button))->click();
            dialog->reject();
        });
        item(window, "TBXPref")->trigger();
    }

    void clearOperations() {
        {
            Registry registry;
            for (const char* key : {BrowserRules::kHistoryKey, BrowserRules::kSearchKey}) {
                registry.openKey(QLatin1String(key), true);
                registry.writeString("0", "kept?");
            }
        }
        const EngineCookies& cookies = EngineCookies::of(BrowserHost::profile());
        TbrowserFrm* window = openWindow();
        QVERIFY(window->searchBox()->findText("kept?") >= 0);

        // "Clear Corvanta History": the stored lists go; the window keeps its
        // own, searches included, to store them again when it closes.
        clickInPreferences(window, "btnMpHst");
        {
            Registry registry;
            QVERIFY(!registry.keyExists(BrowserRules::kHistoryKey));
            QVERIFY(!registry.keyExists(BrowserRules::kSearchKey));
        }
        QVERIFY(window->searchBox()->findText("kept?") >= 0);
        // "Clear Corvanta Search History": the window's searches too.
        clickInPreferences(window, "btnMpSrch");
        QCOMPARE(window->searchBox()->findText("kept?"), -1);

        // An address of this run alone: the engine's disk cache outlives a run
        // of the test in the same process.
        static int runs = 0;
        const QByteArray cached = "/cached.html?run=" + QByteArray::number(++runs);
        const QString cachedUrl = m_server.url(QString::fromLatin1(cached));
        window->Navigate(url("/cookie.html"));
        QVERIFY(loaded(window, url("/cookie.html")));
        window->Navigate(cachedUrl);
        QVERIFY(loaded(window, cachedUrl));
        window->Navigate(url("/a.html"));
        QVERIFY(loaded(window, url("/a.html")));
        window->Navigate(cachedUrl);
        QVERIFY(loaded(window, cachedUrl));
        QCOMPARE(requestsFor(cached), 1);
        HistoryStore store(HistoryStore::folder());
        QTRY_VERIFY(store.visitCount() > 0);
        QTRY_VERIFY(!cookies.cookies().isEmpty());

        // "Clear PC Cache": the cache, the cookies and the visits, without a
        // word. The engine empties its cache in the background: ask again
        // until the page comes from the server.
        m_host->scripted.clear();
        clickInPreferences(window, "btnIECache");
        QCOMPARE(m_host->scripted.count(), 0);
        QCOMPARE(store.visitCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(cookies.cookies().isEmpty(), kTimeout);
        for (int round = 0; round < 20 && requestsFor(cached) < 2; ++round) {
            window->Navigate(url("/a.html"));
            QVERIFY(loaded(window, url("/a.html")));
            window->Navigate(cachedUrl);
            QVERIFY(loaded(window, cachedUrl));
        }
        QCOMPARE(requestsFor(cached), 2);

        // "Clear PC History": the visits, after its notice.
        QTRY_VERIFY(store.visitCount() > 0);
        clickInPreferences(window, "btnClsIEHist");
        QCOMPARE(store.visitCount(), 0);
        QCOMPARE(m_host->scripted.last().kind, Prompts::Kind::TimedMessage);
        QCOMPARE(m_host->scripted.last().text,
                 "This procedure clean out your pc internet cache and it takes time.\n\rPlease "
                 "wait untill Corvanta Browser will finish!");
    }
};

CORVANTA_TEST_MAIN(SidePanelTest)
#include "tst_side_panel.moc"
