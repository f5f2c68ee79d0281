#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "FolderBrowseDialog.h"
#include "LanguageId.h"
#include "QtPrompts.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"
#include "fmUtils.h"

namespace {

QString systemCaption(const QStringList& lines) {
    return captionForLanguage(lines, systemLanguageIdentifier());
}

}  // namespace

class FolderPickerTests : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_work.isValid()); }

    void captionsByLanguage_data();
    void captionsByLanguage();
    void captionListRules();
    void languageIdentifiers_data();
    void languageIdentifiers();
    void shortening_data();
    void shortening();

    void choosingAFolder();
    void cancelling();
    void specialFolders();
    void newFolderReopensOnIt();
    void newFolderThatCannotBeMade();
    void selectionOnlyWhileOpen();
    void dialogStyles();
    void realDialog();

private:
    QString folder(const QString& name) {
        const QString path = m_work.path() + "/" + name;
        QDir().mkpath(path);
        return path;
    }
    QTemporaryDir m_work;
};

void FolderPickerTests::captionsByLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("newFolder");
    QTest::addColumn<QString>("label");
    QTest::newRow("English, United States") << "0409"
                                            << "New folder"
                                            << "Current folder:";
    QTest::newRow("English, South Africa") << "1C09"
                                           << "New folder"
                                           << "Current folder:";
    QTest::newRow("Danish") << "0406"
                            << "Ny mappe"
                            << "Valgt mappe:";
    QTest::newRow("German, Austria") << "0C07"
                                     << "Neuer Ordner" << QString::fromUtf8("Ausgewählter Ordner:");
    QTest::newRow("French, Canada") << "0C0C"
                                    << "Nouveau Dossier"
                                    << "Dossier Courant:";
    QTest::newRow("Italian, Switzerland") << "0810"
                                          << "Nuova Cartella"
                                          << "Cartella selezionata:";
    QTest::newRow("Dutch") << "0413"
                           << "Nieuwe map"
                           << "Huidige map:";
    // The label's bytes in ISO 8859-2, without a colon.
    QTest::newRow("Polish")
        << "0415"
        << "Nowy folder"
        << QString::fromLatin1("Bie") +
               QStringDecoder("ISO-8859-2").decode(QByteArray("\xBF\xB1")).operator QString() +
               "cy folder";
    QTest::newRow("Portuguese, Brazil") << "0416"
                                        << "Nova Pasta"
                                        << "Pasta Atual:";
    QTest::newRow("lower-case identifier") << "0c0c"
                                           << "Nouveau Dossier"
                                           << "Dossier Courant:";
    QTest::newRow("Japanese: no line, the default") << "0411"
                                                    << "New folder"
                                                    << "Current folder:";
}

void FolderPickerTests::captionsByLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, newFolder);
    QFETCH(QString, label);
    QCOMPARE(captionForLanguage(defaultNewFolderCaptions(), language), newFolder);
    QCOMPARE(captionForLanguage(defaultLabelCaptions(), language), label);
    QCOMPARE(defaultLabelCaptions().size(), 29);
}

void FolderPickerTests::captionListRules() {
    QCOMPARE(captionForLanguage({}, "0409"), QString());
    // Neither the language nor "Default": the first line.
    QCOMPARE(captionForLanguage({"0407=Ordner", "040C=Dossier"}, "0409"), QString("Ordner"));
    QCOMPARE(captionForLanguage({"0407=Ordner", "Default=Folder"}, "0409"), QString("Folder"));
    QCOMPARE(captionForLanguage({"0407=Ordner", "0409=Folder = here"}, "0409"),
             QString("Folder = here"));

    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    QCOMPARE(picker.labelCaption(), systemCaption(defaultLabelCaptions()));
    picker.setLabelCaptions({"Default=Pick one:"});
    QCOMPARE(picker.labelCaption(), QString("Pick one:"));
    picker.setNewFolderCaptions({"Default=Make"});
    QCOMPARE(picker.newFolderCaption(), QString("Make"));
    QCOMPARE(picker.Version(), QString("8.00.00.00"));
}

void FolderPickerTests::languageIdentifiers_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("identifier");
    QTest::newRow("en_US") << "en_US"
                           << "0409";
    QTest::newRow("en_GB") << "en_GB"
                           << "0809";
    QTest::newRow("en_TT") << "en_TT"
                           << "2C09";
    QTest::newRow("de_DE") << "de_DE"
                           << "0407";
    QTest::newRow("de_LI") << "de_LI"
                           << "1407";
    QTest::newRow("fr_MC") << "fr_MC"
                           << "180C";
    QTest::newRow("pt_BR") << "pt_BR"
                           << "0416";
    QTest::newRow("pt_PT") << "pt_PT"
                           << "0816";
    QTest::newRow("pl_PL") << "pl_PL"
                           << "0415";
    QTest::newRow("ja_JP") << "ja_JP"
                           << "0411";
    QTest::newRow("C") << "C"
                       << "0409";
}

void FolderPickerTests::languageIdentifiers() {
    QFETCH(QString, locale);
    QFETCH(QString, identifier);
    QCOMPARE(languageIdentifier(QLocale(locale)), identifier);
}

void FolderPickerTests::shortening_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("shown");
    const QChar back('\\');
    const QChar slash('/');
    // 68 characters: the drive and seven folders, the last six taking 43.
    QTest::newRow("drive path")
        << "C:\\Program Files Extended\\Windows\\System32\\drivers\\etc\\abcdef\\ghijkl" << back
        << "C:\\...\\Windows\\System32\\drivers\\etc\\abcdef\\ghijkl";
    QTest::newRow("network path")
        << "\\\\server\\share\\very long folder name number one\\another folder\\last.txt" << back
        << "\\\\server\\...\\another folder\\last.txt";
    QTest::newRow("root-relative path")
        << "\\aaaaaaaaaa\\bbbbbbbbbb\\cccccccccc\\dddddddddd\\eeeeeeeeee" << back
        << "\\...\\bbbbbbbbbb\\cccccccccc\\dddddddddd\\eeeeeeeeee";
    QTest::newRow("short path") << "C:\\Documents\\Web Sites\\Mine.x" << back
                                << "C:\\Documents\\Web Sites\\Mine.x";
    QTest::newRow("no separators") << QString(60, 'n') << back << QString(50, 'n');
    QTest::newRow("one separator after the drive")
        << "C:\\" + QString(70, 'x') << back << "C:\\" + QString(47, 'x');
    QTest::newRow("last name too long")
        << "C:\\a\\b\\" + QString(60, 'x') << back << "C:\\...\\" + QString(40, 'x') + "...";
    QTest::newRow("linux path")
        << "/home/someone/Documents/projects/corvanta/site/copies/www.example.com" << slash
        << "/.../projects/corvanta/site/copies/www.example.com";
    QTest::newRow("linux network path") << "//server/share/more/" + QString(30, 'd') + "/file"
                                        << slash << "//server/.../" + QString(30, 'd') + "/file";
}

void FolderPickerTests::shortening() {
    QFETCH(QString, path);
    QFETCH(QChar, separator);
    QFETCH(QString, shown);
    QCOMPARE(shortenPath(path, 50, separator), shown);
    QVERIFY(shown.size() <= 50);
}

void FolderPickerTests::choosingAFolder() {
    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    const QString start = folder("start");
    const QString chosen = folder("a folder with a rather long name/and below it one more");
    picker.setFolder(start);
    picker.setTitles({"Default=Pick a target"});
    QString reported;
    picker.OnSelectionChanged = [&](TBrowse4Folder&, QWidget*, const QString& path) {
        reported = path;
    };
    prompts.answer(chosen);
    QVERIFY(picker.Execute());
    QCOMPARE(picker.Folder(), chosen);
    QCOMPARE(picker.displayName(), QString("and below it one more"));
    QCOMPARE(reported, chosen);
    const ScriptedPrompts::Call& call = prompts.last();
    QCOMPARE(call.kind, Prompts::Kind::Folder);
    QCOMPARE(call.caption, QString("Pick a target"));
    QCOMPARE(call.text, start);  // opened on the preselected folder
    QCOMPARE(call.extra, systemCaption(defaultLabelCaptions()));
    QCOMPARE(prompts.browsers.last().status, shortenPath(chosen, 50));
}

void FolderPickerTests::cancelling() {
    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    picker.setFolder("/somewhere");
    picker.setReturnSpecialFolder(true);
    picker.setSpecialFolder(-1);
    QVERIFY(!picker.Execute());
    QCOMPARE(picker.Folder(), QString("/somewhere"));
    QCOMPARE(picker.SpecialFolder(), -1);
}

void FolderPickerTests::specialFolders() {
    // The desktop's user folders as the desktop names them.
    const QString documents = folder("My Documents");
    QFile dirs(TestEnvironment::configHome() + "/user-dirs.dirs");
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + documents.toUtf8() + "\"\n");
    dirs.close();

    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    picker.setReturnSpecialFolder(true);
    picker.setSpecialFolder(5);  // preselects the documents
    picker.setFolder(folder("elsewhere"));
    prompts.answer(documents);
    QVERIFY(picker.Execute());
    QCOMPARE(prompts.last().text, documents);
    QCOMPARE(picker.SpecialFolder(), 5);

    prompts.answer(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    QVERIFY(picker.Execute());
    QCOMPARE(picker.SpecialFolder(), 0);  // the desktop, before its folder's 16

    picker.setSpecialFolder(-1);
    prompts.answer(folder("plain"));
    QVERIFY(picker.Execute());
    QCOMPARE(picker.SpecialFolder(), -1);
    QFile::remove(dirs.fileName());
}

void FolderPickerTests::newFolderReopensOnIt() {
    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    picker.setFlags(TBrowseInfoFlag::ShowPath | TBrowseInfoFlag::EditBox);  // the old style
    const QString base = folder("parent");
    picker.setFolder(base);
    int opened = 0;
    prompts.folderScript = [&](const FolderBrowseRequest& request, ScriptedPrompts::Browser& dialog,
                               const QVariant&) -> std::optional<QString> {
        ++opened;
        if (opened == 1) {
            [&] {
                QCOMPARE(request.newFolderCaption, systemCaption(defaultNewFolderCaptions()));
            }();
            request.newFolderClicked(dialog);  // an empty answer: nothing happens
            request.newFolderClicked(dialog);
            return std::nullopt;
        }
        return dialog.selections.value(0);
    };
    prompts.answer(QVariant());  // the first dialog
    prompts.answer(QString());   // the first "New folder" name: none
    prompts.answer("made/deeper");
    prompts.answer(QVariant());  // the reopened dialog
    QVERIFY(picker.Execute());
    QCOMPARE(opened, 2);
    QVERIFY(prompts.browsers[0].cancelled);
    QVERIFY(QFileInfo(base + "/made/deeper").isDir());
    QCOMPARE(picker.Folder(), base + "/made/deeper");
    QCOMPARE(prompts.countOf(Prompts::Kind::InputBox), 2);
    QCOMPARE(prompts.calls()[1].caption, systemCaption(defaultNewFolderCaptions()));
}

void FolderPickerTests::newFolderThatCannotBeMade() {
    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    picker.setFlags(TBrowseInfoFlag::ShowPath);
    const QString base = folder("blocked");
    QFile file(base + "/file.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    picker.setFolder(base);
    int opened = 0;
    prompts.folderScript = [&](const FolderBrowseRequest& request, ScriptedPrompts::Browser& dialog,
                               const QVariant&) -> std::optional<QString> {
        ++opened;
        request.newFolderClicked(dialog);
        return std::nullopt;
    };
    prompts.answer(QVariant());
    prompts.answer("file.txt/sub");
    QVERIFY(!picker.Execute());
    QCOMPARE(opened, 1);
    QCOMPARE(prompts.countOf(Prompts::Kind::Error), 1);
    QVERIFY(prompts.last().text.startsWith("The directory or file cannot be created."));
}

void FolderPickerTests::selectionOnlyWhileOpen() {
    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    const QString other = folder("other");
    picker.SetSelection(other);  // no dialog: nothing
    picker.OnInitialized = [&](TBrowse4Folder& sender, QWidget*) { sender.SetSelection(other); };
    bool validateFailed = false;
    picker.OnValidateFailed = [&](TBrowse4Folder&, QWidget*) { validateFailed = true; };
    prompts.folderScript = [](const FolderBrowseRequest& request, ScriptedPrompts::Browser& dialog,
                              const QVariant&) -> std::optional<QString> {
        request.validateFailed(dialog);
        return dialog.selections.last();
    };
    prompts.answer(QVariant());
    QVERIFY(picker.Execute());
    QCOMPARE(prompts.browsers.last().selections, QStringList{other});
    QCOMPARE(picker.Folder(), other);
    QVERIFY(validateFailed);
}

void FolderPickerTests::dialogStyles() {
    ScriptedPrompts prompts;
    TBrowse4Folder picker(prompts);
    FolderBrowseRequest seen;
    prompts.folderScript = [&](const FolderBrowseRequest& request, ScriptedPrompts::Browser&,
                               const QVariant&) -> std::optional<QString> {
        seen = request;
        return std::nullopt;
    };
    // The default flags: the new style, its own new-folder command, a status line.
    picker.Execute();
    QVERIFY(seen.newFolderCaption.isEmpty() && seen.systemNewFolder && seen.showStatus);
    QVERIFY(!seen.editBox && !seen.validate);
    picker.setFlags(TBrowseInfoFlag::NewDialogStyle | TBrowseInfoFlag::HideNewFolderButton);
    picker.Execute();
    QVERIFY(seen.newFolderCaption.isEmpty() && !seen.systemNewFolder && !seen.showStatus);
    picker.setFlags(TBrowseInfoFlag::EditBox | TBrowseInfoFlag::Validate);
    picker.Execute();
    QVERIFY(!seen.newFolderCaption.isEmpty() && !seen.systemNewFolder);
    QVERIFY(seen.editBox && seen.validate);

    // Only folders may be chosen with OnlyAncestors.
    const QString base = folder("ancestors");
    QFile file(base + "/plain.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    picker.setFlags(TBrowseInfoFlag::OnlyAncestors | TBrowseInfoFlag::Includefiles);
    prompts.folderScript = nullptr;
    prompts.answer(file.fileName());
    QVERIFY(!picker.Execute());
    QVERIFY(!prompts.browsers.last().okEnabled);
}

void FolderPickerTests::realDialog() {
    // Qt's dialog as QtPrompts shows it: label, status line, own button at the
    // lower left; OK returns the highlighted folder.
    QtPrompts prompts;
    TBrowse4Folder picker(prompts);
    picker.setFlags(TBrowseInfoFlag::ShowPath | TBrowseInfoFlag::EditBox);
    const QString start = folder("real/start");
    picker.setFolder(start);
    QString label, status, button;
    bool buttonEnabled = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FolderBrowseDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        label = dialog->findChild<QLabel*>("FolderLabel")->text();
        status = dialog->findChild<QLabel*>("FolderStatus")->text();
        button = dialog->newFolderButton()->text();
        buttonEnabled = dialog->newFolderButton()->isEnabled();
        dialog->files()
            ->findChild<QDialogButtonBox*>("buttonBox")
            ->button(QDialogButtonBox::Open)
            ->click();
    });
    QVERIFY(picker.Execute());
    QCOMPARE(picker.Folder(), start);
    QCOMPARE(label, systemCaption(defaultLabelCaptions()));
    QCOMPARE(status, shortenPath(start, 50));
    QCOMPARE(button, systemCaption(defaultNewFolderCaptions()));
    QVERIFY(buttonEnabled);
}

CORVANTA_TEST_MAIN(FolderPickerTests)
#include "tst_folder_picker.moc"
