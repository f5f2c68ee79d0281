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
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(100);
    connect(&m_flushTimer, &QTimer::timeout, this, &GrabberProgressList::flush);
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
    note(item, true);
}

void GrabberProgressList::showStatus(const TclTransferItem* item) {
    note(item, false);
}

void GrabberProgressList::note(const TclTransferItem* item, bool makeRow) {
    if (makeRow)
        m_wantRow.insert(item);
    if (!m_pendingSet.contains(item)) {
        m_pendingSet.insert(item);
        m_pending.append(item);
    }
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void GrabberProgressList::noteChange() {
    m_redraw = true;
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void GrabberProgressList::flush() {
    m_flushTimer.stop();
    if (std::exchange(m_redraw, false))
        viewport()->update();
    const QList<const TclTransferItem*> pending = std::exchange(m_pending, {});
    const QSet<const TclTransferItem*> wantRow = std::exchange(m_wantRow, {});
    m_pendingSet.clear();
    QList<QTreeWidgetItem*> added;
    for (const TclTransferItem* item : pending) {
        if (m_engine.indexOf(item) < 0)
            continue;  // gone meanwhile
        QTreeWidgetItem* row = m_rows.value(item);
        if (!row) {
            if (!wantRow.contains(item))
                continue;
            row = new QTreeWidgetItem;
            row->setText(UrlColumn, transferCaption(item->url()));
            row->setData(UrlColumn, kItemRole, QVariant::fromValue(quintptr(item)));
            m_rows.insert(item, row);
            added.append(row);
        }
        fill(row, item);
    }
    addTopLevelItems(added);
}

void GrabberProgressList::fill(QTreeWidgetItem* row, const TclTransferItem* item) const {
    row->setText(ProceedColumn, formatTransferSize(double(item->bytesDone())));
    row->setText(FileSizeColumn, formatTransferSize(double(item->resourceSize())));
    row->setText(SpeedColumn, formatTransferSize(item->speed()) + QStringLiteral("/s"));
    row->setText(ElapsedColumn, formatTransferTime(item->elapsed()));
    row->setText(RemainedColumn, formatTransferTime(item->remaining()));
    row->setText(StatusColumn, transferStatusText(item->status()));
}

void GrabberProgressList::clearRows() {
    m_flushTimer.stop();
    m_pending.clear();
    m_pendingSet.clear();
    m_wantRow.clear();
    m_rows.clear();
    clear();
}
