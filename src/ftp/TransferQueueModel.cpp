#include "TransferQueueModel.h"

#include "ListSortKey.h"
#include "ServerText.h"
#include "TclTransferItem.h"
#include "TransferDisplay.h"
#include "TransferUrl.h"

QString queueCaption(const QString& url) {
    const QString caption = transferCaption(url);
    const QString decoded =
        printableText(QString::fromUtf8(QByteArray::fromPercentEncoding(caption.toUtf8())));
    return decoded.trimmed().isEmpty() ? QStringLiteral("Undefined") : decoded;
}

namespace {

// Where the path of an address starts (its size when it has none), or -1 when
// the text is not "scheme://...".
qsizetype pathStart(const QString& address) {
    const qsizetype scheme = address.indexOf(QLatin1String("://"));
    if (scheme < 0) {
        return -1;
    }
    const qsizetype slash = address.indexOf(QLatin1Char('/'), scheme + 3);
    return slash < 0 ? address.size() : slash;
}

bool startsAtServerRoot(const QString& path) {
    return path.startsWith(QLatin1String("/%2F"), Qt::CaseInsensitive);
}

}  // namespace

QString queueAddressText(const QString& url) {
    const qsizetype start = pathStart(url);
    if (start < 0) {
        return printableText(url);
    }
    QString path = url.mid(start);
    if (startsAtServerRoot(path)) {
        path = path.mid(4);
        if (!path.startsWith(QLatin1Char('/'))) {
            path.prepend(QLatin1Char('/'));
        }
    }
    return printableText(url.left(start) +
                         textFromServerBytes(QByteArray::fromPercentEncoding(path.toUtf8())));
}

QString queueAddressFromText(const QString& text) {
    const QString address = text.trimmed();
    const qsizetype start = pathStart(address);
    if (start < 0 || start == address.size() || startsAtServerRoot(address.mid(start))) {
        return address;
    }
    return urlWithPath(address.left(start), address.mid(start));
}

TransferQueueModel::TransferQueueModel(const ListSortKey& sortKey, QObject* parent)
    : QAbstractTableModel(parent), m_sortKey(sortKey) {}

int TransferQueueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TransferQueueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TransferQueueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size())) {
        return {};
    }
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return row.texts.value(index.column());
        case ItemRole:
            return QVariant::fromValue(static_cast<void*>(row.item));
        case UploadRole:
            return row.texts.value(Direction).isEmpty() ? QVariant() : QVariant(row.upload);
        default:
            return {};
    }
}

QVariant TransferQueueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList captions{"URL/File", "<->",        "Proceed",    "File Size",
                                      "Speed",    "Elapsed",    "Progress",   "Remained",
                                      "Status",   "Local File", "Remote File"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return captions.value(section);
}

void TransferQueueModel::appendItem(TclTransferItem* item, bool upload) {
    Row row;
    row.item = item;
    row.upload = upload;
    const QString url = item->url();
    row.texts = QStringList(ColumnCount);
    row.texts[Caption] = queueCaption(url);
    row.texts[Status] = transferStatusText(TransferStatus::Ready);
    row.texts[LocalFile] = item->localFile();
    row.texts[RemoteFile] = queueAddressText(url);
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    m_index.insert(item, at);
    endInsertRows();
}

void TransferQueueModel::removeItem(const TclTransferItem* item) {
    const int row = rowOf(item);
    if (row < 0) {
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    reindex();
    endRemoveRows();
}

void TransferQueueModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_index.clear();
    endResetModel();
}

int TransferQueueModel::rowOf(const TclTransferItem* item) const {
    return m_index.value(item, -1);
}

TclTransferItem* TransferQueueModel::itemAt(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].item : nullptr;
}

QStringList TransferQueueModel::texts(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].texts : QStringList();
}

void TransferQueueModel::reindex() {
    m_index.clear();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        m_index.insert(m_rows[i].item, int(i));
    }
}

void TransferQueueModel::changed(int row, int first, int last) {
    emit dataChanged(index(row, first), index(row, last));
}

void TransferQueueModel::showProgress(const TclTransferItem* item) {
    const int at = rowOf(item);
    if (at < 0) {
        return;
    }
    Row& row = m_rows[size_t(at)];
    const qint64 done = item->bytesDone();
    QStringList figures(ColumnCount);
    figures[Direction] = row.upload ? "   Uploading" : "   Downloading";
    figures[Proceed] = formatTransferSize(double(done));
    figures[FileSize] = formatTransferSize(double(item->resourceSize()));
    figures[Speed] = formatTransferSize(item->speed()) + "/s";
    figures[Elapsed] = formatTransferTime(item->elapsed());
    figures[Remained] = formatTransferTime(item->remaining());
    bool textChanged = false;
    for (int column = Direction; column <= Remained; ++column) {
        if (column != Progress && row.texts[column] != figures[column]) {
            row.texts[column] = figures[column];
            textChanged = true;
        }
    }
    // The bar is drawn from the item: it needs a redraw when bytes moved.
    if (textChanged || done != row.bytesShown) {
        row.bytesShown = done;
        changed(at, Direction, Remained);
    }
}

void TransferQueueModel::showStatus(const TclTransferItem* item, TransferStatus status) {
    const int at = rowOf(item);
    if (at < 0) {
        return;
    }
    Row& row = m_rows[size_t(at)];
    const QString text = transferStatusText(status);
    if (row.texts[Status] != text) {
        row.texts[Status] = text;
        changed(at, Status, Status);
    }
}

void TransferQueueModel::showUrl(const TclTransferItem* item, const QString& url) {
    const int at = rowOf(item);
    if (at < 0) {
        return;
    }
    m_rows[size_t(at)].texts[Caption] = queueCaption(url.trimmed());
    changed(at, Caption, Caption);
}

void TransferQueueModel::sortRows() {
    if (m_sortKey.value() == 0 || m_rows.size() < 2) {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<TclTransferItem*> items;
    for (const QModelIndex& index : before) {
        items.append(itemAt(index.row()));
    }
    QList<QStringList> texts;
    for (const Row& row : m_rows) {
        texts.append(row.texts);
    }
    const QList<int> order = m_sortKey.order(texts);
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (int i : order) {
        sorted.push_back(std::move(m_rows[size_t(i)]));
    }
    m_rows = std::move(sorted);
    reindex();
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i) {
        after.append(index(rowOf(items[i]), before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
