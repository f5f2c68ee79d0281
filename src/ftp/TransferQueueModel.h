#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <vector>

#include "TransferTypes.h"

class ListSortKey;
class TclTransferItem;

// The rows of the FTP window's "Transfers" list, one per queued item and bound
// to it; a row never outlives its item (the queue removes both in one step).
// The texts are kept in the row: "Local File" and "Remote File" are those of
// the item when the row was made, and the figures change only when the queue
// shows new progress, so sorting never reads a running item.
//
// UI thread only; items are read through their own lock.
class TransferQueueModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Caption,
        Direction,
        Proceed,
        FileSize,
        Speed,
        Elapsed,
        Progress,
        Remained,
        Status,
        LocalFile,
        RemoteFile,
        ColumnCount
    };
    // The row's item (a TclTransferItem*, as void*) in every column.
    static constexpr int ItemRole = Qt::UserRole + 1;
    // True for an upload row once its direction is shown (its icon's choice).
    static constexpr int UploadRole = Qt::UserRole + 2;

    explicit TransferQueueModel(const ListSortKey& sortKey, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // A row for `item` at the end: its caption, "Ready", its local file and URL.
    void appendItem(TclTransferItem* item, bool upload);
    void removeItem(const TclTransferItem* item);
    void clear();
    int rowOf(const TclTransferItem* item) const;
    TclTransferItem* itemAt(int row) const;
    // The row's texts, column by column.
    QStringList texts(int row) const;

    // The direction and the figures ("Proceed" to "Remained") from the item's
    // progress; the row is redrawn only when one of them changed.
    void showProgress(const TclTransferItem* item);
    void showStatus(const TclTransferItem* item, TransferStatus status);
    // The caption for a new URL ("Undefined" when it names nothing).
    void showUrl(const TclTransferItem* item, const QString& url);

    // Sorts the rows anew by the key.
    void sortRows();

private:
    struct Row {
        TclTransferItem* item = nullptr;
        bool upload = false;
        qint64 bytesShown = -1;
        QStringList texts;
    };
    void reindex();
    void changed(int row, int first, int last);

    const ListSortKey& m_sortKey;
    std::vector<Row> m_rows;
    QHash<const TclTransferItem*, int> m_index;
};

// The caption of a queued item: the file name at the end of its URL, decoded
// and printable; "Undefined" when the URL ends without one.
QString queueCaption(const QString& url);

// The address of a queued item as a person reads and types it, and back. The
// engine's form, "ftp://host/%2F/pub/a%20b.txt", is shown as
// "ftp://host/pub/a b.txt"; a typed address is that form, its path taken
// literally (a "%" is a "%"), unless its path begins with "/%2F": then it is
// already the engine's form and is taken as it stands.
QString queueAddressText(const QString& url);
QString queueAddressFromText(const QString& text);
