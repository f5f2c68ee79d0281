#pragma once

#include "BookmarkDialog.h"

// The import dialog: reads a bookmark file and recreates its folders and
// bookmarks as Internet Shortcuts in a new subfolder of the Favorites folder.
class TImportFrm : public BookmarkDialog {
    Q_OBJECT
public:
    explicit TImportFrm(ToolHost& host, QWidget* parent = nullptr);

    QLineEdit* Edit2;  // the bookmark file
    QPushButton* btnBrowse;
    QLineEdit* Edit1;  // the subfolder
    QPushButton* BtnImport;
    QPushButton* BtnClose;

    void btnBrowseClick();
    void BtnImportClick();

private:
    void importBookmarks();
};
