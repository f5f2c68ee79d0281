#pragma once

#include <QHash>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

class TclMultiTransfer;
class TclTransferItem;

// The grabber's progress list (`LVTransfer`): one row per item that reported
// data, with its sizes, speed, times, status and the drawn "Progress" cell.
// Rows only refer to items; a row whose item is gone draws no bar.
//
// Reports are gathered and shown ten times a second (and at flush()): a grab
// reports thousands of items, and a tree view lays out all its rows again
// for every row added on its own.
//
// UI thread only.
class GrabberProgressList : public QTreeWidget {
    Q_OBJECT
public:
    enum Column {
        UrlColumn,
        ProceedColumn,
        FileSizeColumn,
        SpeedColumn,
        ElapsedColumn,
        ProgressColumn,
        RemainedColumn,
        StatusColumn,
    };

    GrabberProgressList(const TclMultiTransfer& engine, QWidget* parent = nullptr);

    // Data proceeded: the item's row (made when missing) shows its figures.
    void showProgress(const TclTransferItem* item);
    // The status of the item's row, when it has one.
    void showStatus(const TclTransferItem* item);
    // A change of any item: the "Progress" cells of all rows redraw.
    void noteChange();
    // Shows what was reported and not shown yet.
    void flush();
    void clearRows();

    QTreeWidgetItem* rowOf(const TclTransferItem* item) const { return m_rows.value(item); }

private:
    const TclTransferItem* itemAt(const QModelIndex& index) const;
    void note(const TclTransferItem* item, bool makeRow);
    void fill(QTreeWidgetItem* row, const TclTransferItem* item) const;

    const TclMultiTransfer& m_engine;
    QHash<const TclTransferItem*, QTreeWidgetItem*> m_rows;
    QList<const TclTransferItem*> m_pending;  // reported, in order, not shown yet
    QSet<const TclTransferItem*> m_pendingSet;
    QSet<const TclTransferItem*> m_wantRow;  // of m_pending: reported data
    bool m_redraw = false;
    QTimer m_flushTimer;
};
