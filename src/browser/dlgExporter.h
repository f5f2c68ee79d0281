#pragma once

#include "BookmarkDialog.h"

class QCheckBox;

// The export dialog: writes the whole Favorites folder into one bookmark
// file and, when asked, opens it in a new browser window through the frame
// (FavoritesFileToOpen, DoNavToFav).
class TExportFrm : public BookmarkDialog {
    Q_OBJECT
public:
    explicit TExportFrm(ToolHost& host, QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton* BtnBrowse;
    QCheckBox* CBOpenAfter;
    QPushButton* BtnExport;
    QPushButton* BtnClose;

    void BtnBrowseClick();
    void BtnExportClick();

private:
    // False when the bookmark file could not be created.
    bool exportFavorites();
};
