#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <array>
#include <functional>

class TclTransferItem;

// Draws the "Progress" cell of a transfer list: a white cell with the item's
// total bar along the top and one segment per part below it, each coloured by
// its status. The list tells which item a row shows; rows without an item are
// drawn as ordinary cells.
//
// UI thread only; the item's progress is read through its own lock.
class TransferProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    struct Palette {
        double totalShare = 0.5;             // height of the total bar, as a share of the cell
        std::array<QColor, 6> totalColours;  // by status value 0 to 5
        std::array<QColor, 6> partColours;
    };
    // The FTP queue's cell: total bar in the upper half.
    static Palette queuePalette();
    // The Web Site Grabber's cell: total bar in the top quarter.
    static Palette grabberPalette();

    using ItemLookup = std::function<const TclTransferItem*(const QModelIndex&)>;

    TransferProgressDelegate(ItemLookup lookup, const Palette& palette, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    ItemLookup m_lookup;
    Palette m_palette;
};
