#include "TransfersPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include "FtpImages.h"
#include "ListSortKey.h"
#include "Registry.h"
#include "TransferProgressDelegate.h"
#include "TransferQueue.h"
#include "TransferQueueStore.h"

namespace {

// The "<->" cell: its text with the download or upload image.
class DirectionDelegate : public QStyledItemDelegate {
public:
    DirectionDelegate(const ImageList& images, QObject* parent)
        : QStyledItemDelegate(parent),
          m_download(ftpIcon(images, FtpImage::Download)),
          m_upload(ftpIcon(images, FtpImage::Upload)) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant upload = index.data(TransferQueueModel::UploadRole);
        if (upload.isValid()) {
            option->icon = upload.toBool() ? m_upload : m_download;
            option->features |= QStyleOptionViewItem::HasDecoration;
        }
    }

private:
    QIcon m_download;
    QIcon m_upload;
};

constexpr const char* kFtpKey = "\\Software\\Corvanta\\FtpClient";
constexpr const char* kKeptExplained = "KeptTransfersExplained";

// True the first time it is asked (per user), false from then on.
bool firstKeptTransfers() {
    bool first = true;
    ignoringStoreFailures([&] {
        Registry registry;
        if (registry.openKey(kFtpKey, true)) {
            first = !(registry.valueExists(kKeptExplained) && registry.readBool(kKeptExplained));
            registry.writeBool(kKeptExplained, true);
        }
    });
    return first;
}

}  // namespace

TransfersPage::TransfersPage(TransferQueue& queue, ListSortKey& sortKey, const ImageList& images,
                             QWidget* parent)
    : QWidget(parent), m_queue(queue), m_sortKey(sortKey) {
    setObjectName("tabTransfers");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_progress = new QProgressBar;
    m_progress->setObjectName("pbTransfer");
    m_progress->hide();
    layout->addWidget(m_progress);
    layout->addWidget(buildKeptNotice());

    LVTransfer = new QTreeView;
    LVTransfer->setObjectName("LVTransfer");
    LVTransfer->setAccessibleName("Transfers");
    LVTransfer->setModel(&queue.model());
    LVTransfer->setRootIsDecorated(false);
    LVTransfer->setUniformRowHeights(true);  // a thousand rows scroll without measuring each
    LVTransfer->setSelectionMode(QAbstractItemView::SingleSelection);
    LVTransfer->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVTransfer->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVTransfer->setToolTip("Press On The Colums To Sort Data.");
    LVTransfer->setContextMenuPolicy(Qt::CustomContextMenu);
    LVTransfer->setAcceptDrops(true);
    QHeaderView* header = LVTransfer->header();
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    const int widths[] = {150, 30, 75, 70, 75, 75, 90, 75, 75, 80, 80};
    for (int column = 0; column < TransferQueueModel::ColumnCount; ++column) {
        LVTransfer->setColumnWidth(column, widths[column]);
    }
    header->setSectionResizeMode(TransferQueueModel::Caption, QHeaderView::Stretch);
    connect(header, &QHeaderView::sectionClicked, this, &TransfersPage::LVTransferColumnClick);
    LVTransfer->setItemDelegateForColumn(TransferQueueModel::Direction,
                                         new DirectionDelegate(images, LVTransfer));
    TransferQueueModel* model = &queue.model();
    LVTransfer->setItemDelegateForColumn(
        TransferQueueModel::Progress,
        new TransferProgressDelegate(
            [model](const QModelIndex& index) -> const TclTransferItem* {
                return model->itemAt(index.row());
            },
            TransferProgressDelegate::queuePalette(), LVTransfer));
    // A mouse press makes the row current before it selects it: both tell.
    connect(LVTransfer->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TransfersPage::selectionChanged);
    connect(LVTransfer->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TransfersPage::selectionChanged);
    connect(LVTransfer, &QTreeView::doubleClicked, this, &TransfersPage::detailsRequested);
    connect(LVTransfer, &QWidget::customContextMenuRequested, this, &TransfersPage::contextMenu);
    layout->addWidget(LVTransfer);
}

QWidget* TransfersPage::buildKeptNotice() {
    auto* notice = new QFrame;
    notice->setObjectName("keptQueueNotice");
    notice->setFrameShape(QFrame::StyledPanel);
    m_keptNotice = notice;
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(6, 2, 2, 2);
    m_keptText = new QLabel;
    m_keptText->setTextFormat(Qt::PlainText);
    m_keptText->setWordWrap(true);
    layout->addWidget(m_keptText, 1);
    auto* clear = new QPushButton("Clear Them");
    auto* keep = new QPushButton("Keep Them");
    layout->addWidget(clear);
    layout->addWidget(keep);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_keptNotice->hide();
        m_queue.removeRestored();
    });
    connect(keep, &QPushButton::clicked, m_keptNotice, &QWidget::hide);
    m_keptNotice->hide();
    return m_keptNotice;
}

void TransfersPage::restoreKeptTransfers() {
    QList<SavedTransfer> kept;
    ignoringStoreFailures([&] { kept = TransferQueueStore().take(); });
    m_queue.restore(kept);
    if (kept.isEmpty() || !firstKeptTransfers()) {
        return;
    }
    const QString back =
        kept.size() == 1
            ? QString(
                  "1 transfer that had not finished when an FTP window closed is back, "
                  "stopped: \"Start All Transfers\" goes on with it.")
            : QString(
                  "%1 transfers that had not finished when an FTP window closed are back, "
                  "stopped: \"Start All Transfers\" goes on with them.")
                  .arg(kept.size());
    m_keptText->setText(back +
                        " Unfinished transfers are kept for the next FTP window with their "
                        "sites' user names and passwords, in " +
                        TransferQueueStore::defaultFile() + ".");
    m_keptNotice->show();
}

TclTransferItem* TransfersPage::selectedItem() const {
    const QModelIndex current = LVTransfer->currentIndex();
    if (!current.isValid() || !LVTransfer->selectionModel()->isRowSelected(current.row())) {
        return nullptr;
    }
    return m_queue.model().itemAt(current.row());
}

void TransfersPage::LVTransferColumnClick(int column) {
    m_sortKey.click(column);
    m_queue.model().sortRows();
}

void TransfersPage::contextMenu(const QPoint& position) {
    const QModelIndex under = LVTransfer->indexAt(position);
    if (!under.isValid() || under.siblingAtColumn(0).data().toString().isEmpty()) {
        return;
    }
    // The row under the mouse gets the focus.
    LVTransfer->setCurrentIndex(under);
    if (!selectedItem()) {
        return;
    }
    // The items are taken when chosen: the menu's wait lets the queue change.
    QMenu menu;
    menu.addAction("Stop Transferring The Selected File", this,
                   [this] { m_queue.stopItem(selectedItem()); });
    menu.addAction("Transfer The Selected File", this,
                   [this] { m_queue.startItem(selectedItem()); });
    menu.addAction("Stop All Transfers", this, &TransfersPage::stopAllRequested);
    menu.addAction("Start All Transfers", this, &TransfersPage::startAllRequested);
    menu.addSeparator();
    menu.addAction("Remove The Selected File From Queue", this,
                   [this] { m_queue.removeItem(selectedItem()); });
    menu.addAction("Remove All Finished Transfers", this, [this] { m_queue.removeFinished(); });
    menu.addAction("Remove All ", this, [this] { m_queue.clear(); });
    menu.addSeparator();
    menu.addAction("File Properties", this, &TransfersPage::detailsRequested);
    menu.addAction("Disconnect From The Remote Site", this, &TransfersPage::logOutRequested);
    menu.exec(LVTransfer->viewport()->mapToGlobal(position));
}
