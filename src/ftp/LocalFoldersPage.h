#pragma once

#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QModelIndex;
class QTreeView;

// The "Local Folders" page: the local file system as a tree under a folder
// box, with "One Level Up". Its nodes are where downloads go and what uploads
// send.
class LocalFoldersPage : public QWidget {
    Q_OBJECT
public:
    explicit LocalFoldersPage(QWidget* parent = nullptr);

    QTreeView* tree() const { return ShellTree; }
    // The path of the selected node; empty when none is selected.
    QString selectedPath() const;
    void selectPath(const QString& path);
    void expandSelected();

signals:
    // A node was clicked.
    void nodeClicked(const QString& path);

private:
    QComboBox* m_folderCombo = nullptr;
    QFileSystemModel* m_model = nullptr;
    QTreeView* ShellTree = nullptr;
};
