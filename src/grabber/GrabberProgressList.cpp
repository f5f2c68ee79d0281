#include "GrabberProgressList.h"

#include <QHeaderView>

#include "TclMultiTransfer.h"
#include "TransferDisplay.h"
#include "TransferProgressDelegate.h"

namespace {

constexpr int kItemRole = Qt::UserRole;

}  // namespace

GrabberProgressList::GrabberProgressList(const TclMultiTransfer& engine, QWidget* parent)
    : QTreeWidget(parent), m_engine(engine) {
    setObjectName("LVTransfer");
    setAccessibleName("Grab progress");
    setHeaderLabels(
        {"URL/File", "Proceed", "File Size", "Speed", "Elapsed", "Progress", "Remained", "Status"});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    QHeaderView* header = this->header();
    header->setSectionsClickable(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(UrlColumn, QHeaderView::Stretch);
    const int widths[] = {150, 75, 70, 75, 75, 90, 75, 75};
    for (int column = ProceedColumn; column <= StatusColumn; ++column) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, widths[column]);
    }
    setItemDelegateForColumn(
        ProgressColumn,
        new TransferProgressDelegate([this](const QModelIndex& index) { return itemAt(index); },
                                     TransferProgressDelegate::grabberPalette(), this));
}

const TclTransferItem* GrabberProgressList::itemAt(const QModelIndex& index) const {
    const auto* item = reinterpret_cast<const TclTransferItem*>(
        index.siblingAtColumn(UrlColumn).data(kItemRole).value<quintptr>());
    return item && m_engine.indexOf(item) >= 0 ? item : nullptr;
}

void GrabberProgressList::showProgress(const TclTransferItem* item) {
    QTreeWidgetItem* row = m_rows.value(item);
    if (!row) {
        row = new QTreeWidgetItem(this);
        row->setText(UrlColumn, transferCaption(item->url()));
        row->setData(UrlColumn, kItemRole, QVariant::fromValue(quintptr(item)));
        m_rows.insert(item, row);
    }
    row->setText(ProceedColumn, formatTransferSize(double(item->bytesDone())));
    row->setText(FileSizeColumn, formatTransferSize(double(item->resourceSize())));
    row->setText(SpeedColumn, formatTransferSize(item->speed()) + QStringLiteral("/s"));
    row->setText(ElapsedColumn, formatTransferTime(item->elapsed()));
    row->setText(RemainedColumn, formatTransferTime(item->remaining()));
    row->setText(StatusColumn, transferStatusText(item->status()));
}

void GrabberProgressList::showStatus(const TclTransferItem* item) {
    if (QTreeWidgetItem* row = m_rows.value(item))
        row->setText(StatusColumn, transferStatusText(item->status()));
}

void GrabberProgressList::clearRows() {
    m_rows.clear();
    clear();
}
