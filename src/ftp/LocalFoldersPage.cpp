#include "LocalFoldersPage.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

LocalFoldersPage::LocalFoldersPage(QWidget* parent) : QWidget(parent) {
    setObjectName("LocalFolders");
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QToolBar;
    m_folderCombo = new QComboBox;
    m_folderCombo->setObjectName("ShellCombo");
    m_folderCombo->addItem(QDir::homePath(), QDir::homePath());
    m_folderCombo->addItem("/", "/");
    bar->addAction("One Level Up", this, [this] {
        const QModelIndex parent = ShellTree->currentIndex().parent();
        if (parent.isValid()) {
            ShellTree->setCurrentIndex(parent);
        }
    });
    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    m_model->setRootPath(QDir::rootPath());
    ShellTree = new QTreeView;
    ShellTree->setObjectName("ShellTree");
    ShellTree->setAccessibleName("Local Folders");
    ShellTree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column) {
        ShellTree->hideColumn(column);
    }
    ShellTree->setHeaderHidden(true);
    ShellTree->setRootIndex(m_model->index(QDir::homePath()));
    ShellTree->setDragEnabled(true);
    ShellTree->setAcceptDrops(true);
    connect(m_folderCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        ShellTree->setRootIndex(m_model->index(m_folderCombo->itemData(index).toString()));
    });
    connect(ShellTree, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { emit nodeClicked(m_model->filePath(index)); });
    layout->addWidget(m_folderCombo);
    layout->addWidget(ShellTree);
    layout->addWidget(bar);
}

QString LocalFoldersPage::selectedPath() const {
    const QModelIndex index = ShellTree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void LocalFoldersPage::selectPath(const QString& path) {
    ShellTree->setCurrentIndex(m_model->index(path));
}

void LocalFoldersPage::expandSelected() {
    ShellTree->expand(ShellTree->currentIndex());
}
