#pragma once

#include <QHash>
#include <QTreeWidget>

class TclMultiTransfer;
class TclTransferItem;

// The grabber's progress list (`LVTransfer`): one row per item that reported
// data, with its sizes, speed, times, status and the drawn "Progress" cell.
// Rows only refer to items; a row whose item is gone draws no bar.
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
    void clearRows();

    QTreeWidgetItem* rowOf(const TclTransferItem* item) const { return m_rows.value(item); }

private:
    const TclTransferItem* itemAt(const QModelIndex& index) const;

    const TclMultiTransfer& m_engine;
    QHash<const TclTransferItem*, QTreeWidgetItem*> m_rows;
};
