#pragma once

#include <QScrollArea>

class Prompts;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class TclTransferItem;
class TransferQueue;
struct TransferSettings;

// The "Options" page: the settings of the queue's two engines ("Advanced
// Settings", "Proxy Settings" and passive mode, the downloader's copied to the
// uploader except the bypass list and the preview count) and four fields of
// the selected item. Nothing of it is stored: each window starts from the
// engines' defaults. It scrolls when the bottom pages are low.
class TransferOptionsPage : public QScrollArea {
    Q_OBJECT
public:
    TransferOptionsPage(TransferQueue& queue, Prompts& prompts, QWidget* parent = nullptr);

    // The page from the downloader's settings, then the uploader's copy.
    void fillFromEngines();
    // The per-item fields emptied (no priority, the fewest threads); they
    // show no item.
    void clearItemFields();
    // The per-item fields from `item`; they then change that item.
    void showItem(TclTransferItem* item);
    TclTransferItem* shownItem() const { return m_shown; }
    // Everything is enabled only while `item` is an item that does not run.
    void enableFor(const TclTransferItem* item);

private:
    // Sets a downloader setting, then copies the shared ones to the uploader.
    template <typename Change>
    void changeEngines(Change&& change);
    QLineEdit* text(const char* name);
    QSpinBox* number(const char* name, int minimum, int maximum);
    void portEdited(QLineEdit* field, int TransferSettings::*port);
    // "Higher" where the system refuses it (an ordinary user on Linux): the
    // item keeps "Normal", which the user is told once.
    void refuseHigherPriority();

    TransferQueue& m_queue;
    Prompts& m_prompts;
    TclTransferItem* m_shown = nullptr;
    bool m_filling = false;
    QList<QGroupBox*> m_groups;

    QLineEdit* edtMultiUser = nullptr;
    QLineEdit* edtMultiPassword = nullptr;
    QComboBox* cbPriority = nullptr;
    QSpinBox* edtThreadCount = nullptr;
    QCheckBox* chkPassiveFTPMode = nullptr;
    QSpinBox* edtTimeOut = nullptr;
    QSpinBox* edtReconnect = nullptr;
    QSpinBox* edtPreviewCount = nullptr;
    QSpinBox* edtTryCount = nullptr;
    QSpinBox* edtBufferSize = nullptr;
    QLineEdit* edtHttpProxy = nullptr;
    QLineEdit* edtFtpProxy = nullptr;
    QLineEdit* edtHttpPort = nullptr;
    QLineEdit* edtFtpPort = nullptr;
    QPlainTextEdit* memBypass = nullptr;
    QLineEdit* edtProxyUser = nullptr;
    QLineEdit* edtProxyPassword = nullptr;
};
