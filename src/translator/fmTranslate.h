#pragma once

#include "ImageStrip.h"
#include "ToolWindow.h"
#include "TranslatorReport.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QToolBar;

// The Net Translator: text typed in "Text To Translate" is sent to the web
// translation service and the translation shown in "Translated Text"; a page
// address is handed to the page translation service in a new browser window.
class TTransFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TTransFrm(ToolHost& host, QWidget* parent = nullptr);

    // Text hand-off: the source box is cleared and the text is its only line.
    void handOffText(const QString& text);

    // FormCloseQuery: writes the settings and always agrees.
    bool queryClose() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildMainToolBar();
    void buildBoxes();
    void buildStatusBar();
    QToolBar* boxToolBar();

    // "Translate Text": ignored while a request is on its way.
    void translateText();
    // "Translate A Web Page".
    void translateWebPage();
    void saveReport(ReportKind kind);
    void moveToRetranslate();
    void closeTool();

    void setStatus(const QString& text, bool busy);
    // Text set by the program, not typed: the box counts as unedited.
    static void setBoxText(QPlainTextEdit* box, const QString& text);
    QStringList addressHistory() const;
    void showAddressHistory(const QStringList& history);

    ImageList m_images{16};
    QComboBox* ComboBox1 = nullptr;
    QComboBox* Addrs = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_received = nullptr;
    bool m_shown = false;
    bool m_translating = false;
};
