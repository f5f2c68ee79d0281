#pragma once

#include <QDialog>

#include "TclWebUpdate.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Update Info": what the web update found, and the user's answer
// ("&Update Now" accepts, "Do &Not Update" rejects).
class TfrmUpdateInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUpdateInfo(const TclUpdateInfoText& text, QWidget* parent = nullptr);

    // Shows the dialog modally, centred on the screen; true for "&Update Now".
    static bool ask(const TclUpdateInfoText& text, QWidget* parent);

    QLabel* lblInfo = nullptr;
    QLineEdit* edtAuthor = nullptr;
    QLineEdit* edtProduct = nullptr;
    QPlainTextEdit* memUpdates = nullptr;
    QLineEdit* edtEmail = nullptr;
    QPushButton* btnUpdate = nullptr;
    QPushButton* btnCancel = nullptr;
};
