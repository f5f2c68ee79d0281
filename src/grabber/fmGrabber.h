#pragma once

#include "GrabberSettings.h"
#include "ImageStrip.h"
#include "SiteGrabber.h"
#include "ToolWindow.h"

class GrabberLog;
class IconStatusPanel;
class GrabberProgressList;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QSpinBox;
class TclTransferItem;

// The Web Site Grabber ("Grab A Web Site"): downloads a web site into a local
// folder to a chosen depth, with its options, log, progress list and the
// address history kept in the settings store.
class TGrabberFrm : public ToolWindow {
    Q_OBJECT
public:
    explicit TGrabberFrm(ToolHost& host, QWidget* parent = nullptr);
    ~TGrabberFrm() override;

    // Address hand-off: fills the root-address box and starts grabbing.
    void handOffAddress(const QString& address);

    // FormCloseQuery: refused while the downloader is busy.
    bool queryClose() override;

    // Handlers.
    void TBXGrabClick();
    void TBXStopClick();
    void TBXItem1Click();  // "Save the log as.."
    void TBXBrowseClick();
    void TBXExplorerClick();
    void TBXSELevelValueChange(int value);

    SiteGrabber& grabber() { return m_grabber; }
    QComboBox* rootUrlBox() const { return edtRootUrl; }
    QLineEdit* targetDirBox() const { return edtTargetDir; }
    QSpinBox* levelBox() const { return TBXSELevel; }
    GrabberLog* log() const { return MemLog; }
    GrabberProgressList* transferList() const { return LVTransfer; }
    QAction* option(const QString& caption) const;
    QString statusText(int panel) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct OptionItem {
        const char* caption;
        const char* name;
        GrabOption flag;      // 0: "Multipart Downloading", not a flag
        const char* logLine;  // null with the flag
        bool GrabberSettings::*stored;
    };
    static const OptionItem kOptions[];

    void buildToolBar();
    void buildStatusBar();
    void connectGrabber();
    void addPolitenessControls(QMenu* options);
    void updateState();
    void showProgress();
    void setStatus(const QString& text, int image);
    void multipartToggled(bool checked);
    void readSettings();
    void writeSettings() const;

    ImageList m_images{16};
    SiteGrabber m_grabber;
    QList<QAction*> m_optionItems;  // in the order of kOptions
    QAction* m_multipart = nullptr;
    QAction* m_ignoreRobots = nullptr;
    QSpinBox* m_connections = nullptr;
    QSpinBox* m_delay = nullptr;
    QTimer* m_progressTimer = nullptr;
    QAction* TBXGrab = nullptr;
    QAction* TBXStop = nullptr;
    QAction* TBXBrowse = nullptr;
    QAction* TBXExplorer = nullptr;
    QComboBox* edtRootUrl = nullptr;
    QLineEdit* edtTargetDir = nullptr;
    QSpinBox* TBXSELevel = nullptr;
    GrabberLog* MemLog = nullptr;
    GrabberProgressList* LVTransfer = nullptr;
    IconStatusPanel* m_status = nullptr;
    QLabel* m_depthPanel = nullptr;
    bool m_shown = false;
};
