#include "dlgExporter.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

#include "AppError.h"
#include "BookmarkFile.h"
#include "FavoritesFolder.h"
#include "Prompts.h"
#include "ToolHost.h"

TExportFrm::TExportFrm(ToolHost& host, QWidget* parent) : BookmarkDialog(host, parent) {
    setObjectName(QStringLiteral("TExportFrm"));
    setWindowTitle(QStringLiteral("Exporter"));
    Edit1 = addRow(QStringLiteral("New file Name And Path:"), "Edit1",
                   BookmarkFile::defaultBookmarkFile(), &BtnBrowse);
    BtnBrowse->setObjectName(QStringLiteral("BtnBrowse"));
    CBOpenAfter = new QCheckBox(QStringLiteral("&Open the file after the export?"));
    CBOpenAfter->setObjectName(QStringLiteral("CBOpenAfter"));
    CBOpenAfter->setChecked(true);
    addRow(CBOpenAfter);
    BtnExport = addButton("BtnExport", QStringLiteral("Export"));
    BtnClose = addButton("BtnClose", QStringLiteral("Close"));
    BtnExport->setDefault(true);
    connect(BtnBrowse, &QPushButton::clicked, this, &TExportFrm::BtnBrowseClick);
    connect(BtnExport, &QPushButton::clicked, this, &TExportFrm::BtnExportClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TExportFrm::BtnBrowseClick() {
    browseInto(Edit1, QStringLiteral("Corvanta Open..."));
}

void TExportFrm::BtnExportClick() {
    try {
        if (!exportFavorites())
            return;
    } catch (const AppError& error) {
        prompts().errorBox(error.message());
        return;
    }
    if (!CBOpenAfter->isChecked())
        return;
    // An absolute path: a bare name would be taken for a web address.
    host().setFavoritesFileToOpen(QFileInfo(Edit1->text()).absoluteFilePath());
    host().DoNavToFav();
    accept();
}

bool TExportFrm::exportFavorites() {
    const QString root = FavoritesFolder::path();
    if (root.isEmpty())
        return true;
    const QByteArray content = FavoritesFolder::exportBookmarks(root);
    QSaveFile file(Edit1->text());
    if (Edit1->text().isEmpty() || !file.open(QIODevice::WriteOnly)) {
        prompts().message(Prompts::Kind::Error, QString(),
                          QStringLiteral("The target file name you specified is invalid."));
        Edit1->setFocus();
        return false;
    }
    file.write(content);
    if (!file.commit()) {
        throw AppError(QStringLiteral("The bookmark file %1 could not be written: %2")
                           .arg(Edit1->text(), file.errorString()));
    }
    prompts().message(Prompts::Kind::Information, QString(),
                      QStringLiteral("Your favorites have been copied to the bookmark file you "
                                     "specified."));
    return true;
}
