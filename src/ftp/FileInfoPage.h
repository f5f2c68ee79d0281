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

    // Empties the fields and both memos.
    void clear();
    // Fills the page from `item` (a download or an upload of the queue).
    void showItem(TclTransferItem* item);
    // The edit fields take changes only for an item that does not run; the
    // local folder only for a download.
    void enableFor(TclTransferItem* item);
    // Whose changes the fields take.
    void setSelectedItem(TclTransferItem* item) { m_selected = item; }

private:
    TransferQueue& m_queue;
    TclTransferItem* m_selected = nullptr;
    bool m_filling = false;
    QLineEdit* edtURL = nullptr;
    QLineEdit* edtDirectory = nullptr;
    QLineEdit* edtFile = nullptr;
    QPlainTextEdit* memInfo = nullptr;
    QPlainTextEdit* memErrors = nullptr;
};
