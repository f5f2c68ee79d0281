#include "FavoritesTreeWidget.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>

#include "FavoritesFolder.h"
#include "InternetShortcut.h"

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;
// Deeper trees are not favorites any more (and may loop through links).
constexpr int kMaximumDepth = 32;

}  // namespace

FavoritesTreeWidget::FavoritesTreeWidget(Content content, const QIcon& shortcutIcon,
                                         QWidget* parent)
    : QTreeWidget(parent), m_content(content), m_shortcutIcon(shortcutIcon) {
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FavoritesTreeWidget::load(const QString& root, const QString& select) {
    m_root = root;
    clear();
    auto* top = new QTreeWidgetItem(this);
    top->setText(0, QFileInfo(root).fileName());
    top->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Folder));
    top->setData(0, kPathRole, root);
    top->setData(0, kFolderRole, true);
    addChildren(top, root, 0);
    expandItem(top);
    setCurrentItem(top);
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if (!select.isEmpty() && (*it)->data(0, kPathRole).toString() == select) {
            setCurrentItem(*it);
            scrollToItem(*it);
            break;
        }
    }
}

void FavoritesTreeWidget::addChildren(QTreeWidgetItem* parent, const QString& folder, int depth) {
    if (depth >= kMaximumDepth)
        return;
    const QFileIconProvider icons;
    const QDir::Filters filter =
        m_content == Content::Folders ? QDir::Dirs : QDir::Dirs | QDir::Files;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(filter | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        if (!entry.isDir() && !InternetShortcut::isShortcutName(entry.fileName()))
            continue;
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, FavoritesFolder::displayName(entry.filePath()));
        item->setIcon(
            0, entry.isDir() || m_shortcutIcon.isNull() ? icons.icon(entry) : m_shortcutIcon);
        item->setData(0, kPathRole, entry.filePath());
        item->setData(0, kFolderRole, entry.isDir());
        if (entry.isDir())
            addChildren(item, entry.filePath(), depth + 1);
    }
}

QString FavoritesTreeWidget::selectedPath() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, kPathRole).toString() : QString();
}

bool FavoritesTreeWidget::selectedIsFolder() const {
    const QTreeWidgetItem* item = currentItem();
    return item && item->data(0, kFolderRole).toBool();
}

QString FavoritesTreeWidget::selectedFolder() const {
    const QString path = selectedPath();
    if (path.isEmpty())
        return m_root;
    return selectedIsFolder() ? path : QFileInfo(path).absolutePath();
}
