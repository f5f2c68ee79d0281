#pragma once

#include <QList>
#include <QStringList>

// The one sort key of the FTP window's lists (the remote files list and the
// transfers list share it). 0 leaves rows unsorted; +(c + 1) sorts by column c
// ascending, -(c + 1) descending. Every column sorts as text, compared with
// the default locale's case-sensitive collation.
class ListSortKey {
public:
    int value() const { return m_value; }
    // A click on column `column` (0-based): the same column again reverses
    // the direction, another one sorts by it ascending.
    void click(int column);

    // The indexes of `rows` (each the texts of one row, column 0 the caption)
    // in sorted order; rows that compare equal keep their order.
    QList<int> order(const QList<QStringList>& rows) const;

private:
    int m_value = 0;
};
