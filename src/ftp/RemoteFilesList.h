#pragma once

#include <QStackedWidget>

class ListSortKey;
class QAbstractItemView;
class QListView;
class QStandardItemModel;
class QTreeView;
class QTreeWidgetItem;

// The remote files list (`LVFiles`): the files among the children of the
// selected remote tree node, as a report ("Details"), a list or large icons.
// Each row is bound to its tree node.
class RemoteFilesList : public QStackedWidget {
    Q_OBJECT
public:
    // A click on a column header sorts by the window's shared `sortKey`.
    explicit RemoteFilesList(ListSortKey& sortKey, QWidget* parent = nullptr);

    // Both views over the rows (the report and the icon/list view).
    QList<QAbstractItemView*> views() const;
    QStandardItemModel* model() const { return m_model; }
    QTreeWidgetItem* nodeAt(int row) const;

    // The file children of `node` (none: empty), whose folder is `folderPath`.
    void refill(QTreeWidgetItem* node, const QString& folderPath);
    void clear();
    // "View Files As ...": 0 "Icons", 1 "List", 2 "Details".
    void setViewMode(int mode);
    // Sorts the rows anew by the shared key.
    void sortRows();

signals:
    void nodeClicked(QTreeWidgetItem* node);
    void doubleClicked();
    void contextMenuRequested(QWidget* view, const QPoint& position);

private:
    ListSortKey& m_sortKey;
    QStandardItemModel* m_model = nullptr;
    QTreeView* LVFiles = nullptr;
    QListView* m_iconView = nullptr;
};
