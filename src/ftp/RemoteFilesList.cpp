#include "RemoteFilesList.h"

#include <QDateTime>
#include <QHeaderView>
#include <QListView>
#include <QLocale>
#include <QStandardItemModel>
#include <QTreeView>
#include <QTreeWidgetItem>

#include "ListSortKey.h"
#include "RemoteTree.h"
#include "ServerText.h"

namespace {

// A row keeps the tree node it shows.
constexpr int kNodeRole = Qt::UserRole + 2;

}  // namespace

RemoteFilesList::RemoteFilesList(ListSortKey& sortKey, QWidget* parent)
    : QStackedWidget(parent), m_sortKey(sortKey) {
    m_model = new QStandardItemModel(0, 6, this);
    m_model->setHorizontalHeaderLabels(
        {"File Name", "Size (KB)", "Modied Date", "Folder", "File Attribute", "Parse"});
    LVFiles = new QTreeView;
    LVFiles->setObjectName("LVFiles");
    LVFiles->setAccessibleName("Remote Files");
    LVFiles->setModel(m_model);
    LVFiles->setRootIsDecorated(false);
    LVFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LVFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVFiles->header()->setSectionsClickable(true);
    LVFiles->header()->setSortIndicatorShown(false);
    connect(LVFiles->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_sortKey.click(column);
        sortRows();
    });
    LVFiles->setToolTip("Press On The Colums To Sort Data.");
    const int widths[] = {150, 75, 80, 60, 75, 70};
    for (int column = 0; column < 6; ++column) {
        LVFiles->setColumnWidth(column, widths[column]);
    }
    m_iconView = new QListView;
    m_iconView->setObjectName("LVFilesIcons");
    m_iconView->setAccessibleName("Remote Files");
    m_iconView->setModel(m_model);
    m_iconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_iconView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    addWidget(m_iconView);
    addWidget(LVFiles);
    setCurrentWidget(LVFiles);
    for (QAbstractItemView* view : views()) {
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
            if (QTreeWidgetItem* node = nodeAt(index.row())) {
                emit nodeClicked(node);
            }
        });
        connect(view, &QAbstractItemView::doubleClicked, this, &RemoteFilesList::doubleClicked);
        connect(
            view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& position) { emit contextMenuRequested(view, position); });
    }
}

QList<QAbstractItemView*> RemoteFilesList::views() const {
    return {LVFiles, m_iconView};
}

QTreeWidgetItem* RemoteFilesList::nodeAt(int row) const {
    return static_cast<QTreeWidgetItem*>(m_model->index(row, 0).data(kNodeRole).value<void*>());
}

void RemoteFilesList::clear() {
    m_model->removeRows(0, m_model->rowCount());
}

void RemoteFilesList::refill(QTreeWidgetItem* node, const QString& folderPath) {
    clear();
    if (!node) {
        return;
    }
    const QString folder = printableText(folderPath);
    const QLocale locale;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (isRemoteFolderText(child->text(0))) {
            continue;
        }
        QList<QStandardItem*> row;
        auto* name = new QStandardItem(child->icon(0), child->text(0));
        name->setData(QVariant::fromValue(static_cast<void*>(child)), kNodeRole);
        row.append(name);
        const QDateTime date = child->data(0, RemoteNodeRole::Date).toDateTime();
        for (const QString& text :
             {locale.toString(child->data(0, RemoteNodeRole::Size).toLongLong() / 1024.0, 'f', 2),
              date.isValid() ? date.toString("yyyy-MM-dd hh:mm") : QString(), folder,
              child->data(0, RemoteNodeRole::Attributes).toString(),
              child->data(0, RemoteNodeRole::Line).toString()}) {
            row.append(new QStandardItem(text));
        }
        m_model->appendRow(row);
    }
}

void RemoteFilesList::setViewMode(int mode) {
    if (mode == 2) {
        setCurrentWidget(LVFiles);
        return;
    }
    m_iconView->setViewMode(mode == 0 ? QListView::IconMode : QListView::ListMode);
    m_iconView->setIconSize(mode == 0 ? QSize(32, 32) : QSize(16, 16));
    setCurrentWidget(m_iconView);
}

void RemoteFilesList::sortRows() {
    QList<QStringList> texts;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_model->columnCount(); ++column) {
            cells << m_model->item(row, column)->text();
        }
        texts << cells;
    }
    const QList<int> order = m_sortKey.order(texts);
    QList<QList<QStandardItem*>> rows;
    while (m_model->rowCount() > 0) {
        rows << m_model->takeRow(0);
    }
    for (int row : order) {
        m_model->appendRow(rows[row]);
    }
}
