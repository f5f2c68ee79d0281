#pragma once

#include <QWidget>

#include "ImageStrip.h"

class ListSortKey;
class QLabel;
class QProgressBar;
class QTreeView;
class TclTransferItem;
class TransferQueue;

// The "Transfers" page: the queue's list (`LVTransfer`) with its drawn
// "Progress" cells, sorting by column, the context menu of the queue's
// commands, and the progress bar of the single-file transfers above it.
class TransfersPage : public QWidget {
    Q_OBJECT
public:
    TransfersPage(TransferQueue& queue, ListSortKey& sortKey, const ImageList& images,
                  QWidget* parent = nullptr);

    QTreeView* list() const { return LVTransfer; }
    QProgressBar* progressBar() const { return m_progress; }
    // The item of the selected row, or none.
    TclTransferItem* selectedItem() const;
    // LVTransferColumnClick: sorts by `column` (the shared key's rule).
    void LVTransferColumnClick(int column);
    // Brings back, stopped, the transfers earlier FTP windows kept. The first
    // time ever that there are any, a notice above the list says so (they are
    // kept with their passwords) and offers to clear them.
    void restoreKeptTransfers();

signals:
    // The selected row changed.
    void selectionChanged();
    // A double click or "File Properties": the "File Info" page for the selected item.
    void detailsRequested();
    void startAllRequested();
    void stopAllRequested();
    void logOutRequested();

private:
    void contextMenu(const QPoint& position);
    QWidget* buildKeptNotice();

    TransferQueue& m_queue;
    ListSortKey& m_sortKey;
    QProgressBar* m_progress = nullptr;
    QWidget* m_keptNotice = nullptr;
    QLabel* m_keptText = nullptr;
    QTreeView* LVTransfer = nullptr;
};
