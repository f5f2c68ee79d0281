#include "dlgImporter.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "AppError.h"
#include "BookmarkFile.h"
#include "FavoritesFolder.h"
#include "Prompts.h"
#include "ToolHost.h"

namespace {

// Bookmark files of tens of thousands of entries stay far below this.
constexpr qint64 kMaximumFileSize = 64 * 1024 * 1024;

}  // namespace

TImportFrm::TImportFrm(ToolHost& host, QWidget* parent) : BookmarkDialog(host, parent) {
    setObjectName(QStringLiteral("TImportFrm"));
    setWindowTitle(QStringLiteral("Importer"));
    Edit2 = addRow(QStringLiteral("File Name:"), "Edit2", BookmarkFile::defaultBookmarkFile(),
                   &btnBrowse);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    Edit1 = addRow(QStringLiteral("Create As A Subfolder Name:"), "Edit1",
                   QStringLiteral("Imported Bookmarks"));
    BtnImport = addButton("BtnImport", QStringLiteral("Import"));
    BtnClose = addButton("BtnClose", QStringLiteral("Close"));
    BtnImport->setDefault(true);
    connect(btnBrowse, &QPushButton::clicked, this, &TImportFrm::btnBrowseClick);
    connect(BtnImport, &QPushButton::clicked, this, &TImportFrm::BtnImportClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TImportFrm::btnBrowseClick() {
    browseInto(Edit2, QStringLiteral("Corvanta  Open..."));
}

void TImportFrm::BtnImportClick() {
    try {
        importBookmarks();
    } catch (const AppError& error) {
        prompts().errorBox(error.message());
    }
}

void TImportFrm::importBookmarks() {
    if (!QFileInfo(Edit2->text()).isFile()) {
        prompts().message(Prompts::Kind::Error, QString(),
                          QStringLiteral("The bookmark file you specified does not exist."));
        Edit2->setFocus();
        return;
    }
    QFile file(Edit2->text());
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("The bookmark file %1 cannot be read: %2")
                           .arg(Edit2->text(), file.errorString()));
    if (file.size() > kMaximumFileSize)
        throw AppError(
            QStringLiteral("The bookmark file %1 is too large to be one.").arg(Edit2->text()));
    const QByteArray content = file.readAll();
    const QString favorites = FavoritesFolder::path();
    if (favorites.isEmpty())
        return;
    const QString target = FavoritesFolder::prepareImportFolder(favorites, Edit1->text());
    if (target.isEmpty()) {
        prompts().message(Prompts::Kind::Error, QString(),
                          QStringLiteral("The subfolder name you specified is invalid."));
        Edit1->setFocus();
        return;
    }
    QList<TUrlRec> records = BookmarkFile::parseBookmarkFile(content);
    BookmarkFile::sortRecords(records);
    const QList<TUrlRec> failures = FavoritesFolder::importRecords(records, target);
    for (qsizetype i = 0; i < failures.size(); ++i) {
        prompts().message(Prompts::Kind::Error, QString(),
                          QStringLiteral("Failare in creating a URL"));
    }
    prompts().message(Prompts::Kind::Information, QString(),
                      QStringLiteral("The bookmarks have been copied to your favorites."));
    accept();
}
