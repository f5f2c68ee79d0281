#pragma once

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "PageDownloads.h"

class BrowserHost;
class ImageList;
class Prompts;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineDownloadRequest;
class TclDownLoadItem;
class ToolHost;

// The downloads of one browser window, shown below its page from the first
// download on: each file a page offered, with its progress, size and state,
// saved in the user's download folder. What the transfer engine can fetch
// (http, https, ftp) goes through it; what only the page holds (a file the
// page made itself, a data address) is written by the browser engine into
// the same folder. Pages the user saves are the engine's too.
//
// UI thread only.
class DownloadsPanel : public QWidget {
    Q_OBJECT
public:
    // The height it takes below the page when it first shows.
    static constexpr int kHeight = 120;

    DownloadsPanel(BrowserHost& browser, ToolHost& host, const ImageList& images,
                   QWidget* parent = nullptr);

    // The page asked for a download: it is taken over, or refused while the
    // browser works offline.
    void take(QWebEngineDownloadRequest* request);

    PageDownloads& downloads() { return m_downloads; }
    QTreeWidget* list() const { return m_list; }
    // The row's local file, or empty while it is not known yet.
    QString localFile(int row) const;
    QString statusText(int row) const;

    void openFolder();
    void stopSelected();
    void clearFinished();

private:
    struct Row {
        const TclDownLoadItem* transfer = nullptr;    // the transfer engine's download
        QPointer<QWebEngineDownloadRequest> request;  // or the browser engine's
        QString localFile;
        QString failure;  // why it never started
        QTreeWidgetItem* item = nullptr;
    };
    void addRow(Row row, const QString& caption);
    void takeSavedPage(QWebEngineDownloadRequest* request);
    void updateRow(const Row& row);
    void updateRows();
    bool running(const Row& row) const;

    BrowserHost& m_browser;
    ToolHost& m_host;
    PageDownloads m_downloads;
    QTreeWidget* m_list = nullptr;
    QList<Row> m_rows;
    QTimer m_refresh;  // redraws the running rows ten times a second
};
