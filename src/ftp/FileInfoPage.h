#pragma once

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class TclTransferItem;
class TransferQueue;

// The "File Info" page: the selected item's remote file, local folder and
// file name (editable while it does not run), what the server told about it
// ("Information") and its errors ("Error Retrieve Log").
class FileInfoPage : public QWidget {
    Q_OBJECT
public:
    explicit FileInfoPage(TransferQueue& queue, QWidget* parent = nullptr);

    // Empties the fields and both memos; no item is shown.
    void clear();
    // Fills the page from `item` (a download or an upload of the queue); the
    // fields then change that item, the one they show.
    void showItem(TclTransferItem* item);
    TclTransferItem* shownItem() const { return m_shown; }
    // The edit fields take changes only for an item that does not run; the
    // local folder only for a download.
    void enableFor(TclTransferItem* item);

private:
    TransferQueue& m_queue;
    TclTransferItem* m_shown = nullptr;
    bool m_filling = false;
    QLineEdit* edtURL = nullptr;
    QLineEdit* edtDirectory = nullptr;
    QLineEdit* edtFile = nullptr;
    QPlainTextEdit* memInfo = nullptr;
    QPlainTextEdit* memErrors = nullptr;
};
