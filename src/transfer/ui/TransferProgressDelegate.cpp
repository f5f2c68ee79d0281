#include "TransferProgressDelegate.h"

#include <QPainter>

#include "TclTransferItem.h"
#include "TransferDisplay.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kLime(0, 255, 0);

QColor byStatus(const std::array<QColor, 6>& colours, TransferStatus status) {
    const int value = int(status);
    return value >= 0 && value < int(colours.size()) ? colours[size_t(value)] : colours[0];
}

}  // namespace

TransferProgressDelegate::Palette TransferProgressDelegate::queuePalette() {
    return {0.5,
            {kGreen, kGreen, kRed, kYellow, kGreen, kGreen},
            {kGreen, kBlue, kRed, kYellow, kLime, kRed}};
}

TransferProgressDelegate::Palette TransferProgressDelegate::grabberPalette() {
    return {0.25,
            {kGreen, kGreen, kRed, kYellow, kGreen, kGreen},
            {kBlue, kBlue, kRed, kYellow, kBlue, kBlue}};
}

TransferProgressDelegate::TransferProgressDelegate(ItemLookup lookup, const Palette& palette,
                                                   QObject* parent)
    : QStyledItemDelegate(parent), m_lookup(std::move(lookup)), m_palette(palette) {}

void TransferProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    const TclTransferItem* item = m_lookup ? m_lookup(index) : nullptr;
    if (!item) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QRect cell = option.rect;
    painter->save();
    painter->fillRect(cell, Qt::white);
    const ProgressBars bars =
        progressBars(cell.width(), item->resourceSize(), item->bytesDone(), item->parts());
    const int totalHeight = qMax(1, int(cell.height() * m_palette.totalShare));
    if (bars.totalWidth > 0)
        painter->fillRect(QRect(cell.left(), cell.top(), bars.totalWidth, totalHeight),
                          byStatus(m_palette.totalColours, item->status()));
    for (const ProgressSegment& segment : bars.parts) {
        if (segment.width > 0)
            painter->fillRect(QRect(cell.left() + segment.left, cell.top() + totalHeight,
                                    segment.width, cell.height() - totalHeight),
                              byStatus(m_palette.partColours, segment.status));
    }
    painter->restore();
}
