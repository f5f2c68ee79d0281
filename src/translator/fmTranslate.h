#pragma once

#include <QUrl>
#include <memory>

#include "ImageStrip.h"
#include "ToolWindow.h"
#include "TranslationEngine.h"
#include "TranslatorReport.h"

class IconStatusPanel;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QToolBar;

// The Net Translator: text typed in "Text To Translate" goes to the engine the
// settings choose (offline by default) and the translation is shown in
// "Translated Text"; a page is translated by the same engine and shown in a new
// browser window, or, with the web translation service, handed to its page
// translation service there.
class TTransFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TTransFrm(ToolHost& host, QWidget* parent = nullptr);
    ~TTransFrm() override;

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

    // "Translate Text": ignored while a translation is on its way.
    void translateText();
    // "Translate A Web Page".
    void translateWebPage();
    void translatePageByService(const QString& typed);
    void useEngine(const EngineSettings& settings);
    void translationFinished(const TranslationOutcome& outcome);
    void saveReport(ReportKind kind);
    void moveToRetranslate();
    void closeTool();

    void setStatus(const QString& text, bool busy);
    // Text set by the program, not typed: the box counts as unedited.
    static void setBoxText(QPlainTextEdit* box, const QString& text);
    // A line added by the program: the box's edited state stays as it was.
    void appendSourceLine(const QString& line);
    QStringList addressHistory() const;
    void showAddressHistory(const QStringList& history);

    ImageList m_images{16};
    QComboBox* ComboBox1 = nullptr;
    QComboBox* Addrs = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    IconStatusPanel* m_status = nullptr;
    QLabel* m_received = nullptr;
    QLabel* m_engineText = nullptr;
    EngineSettings m_engineSettings;
    std::unique_ptr<TranslationEngine> m_engine;
    QUrl m_page;  // the page being translated; empty for the source text
    bool m_shown = false;
    bool m_translating = false;
};
