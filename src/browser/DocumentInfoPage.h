#pragma once

#include <QMap>
#include <QTimer>
#include <QWidget>

#include "DocumentInfo.h"

class BrowserHost;
class ImageList;
class Prompts;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;
class QTreeWidget;

// The "Document Info" page of a browser window (TabSheet7): eight inner pages
// that show what the loaded document is made of, each computed from the
// document when the user turns to it. Nothing is kept between refreshes.
//
// UI thread only. A refresh asks the page and fills its view when the answer
// comes; a newer refresh makes an older answer void.
class DocumentInfoPage : public QWidget {
    Q_OBJECT
public:
    enum Page { Source, PlainText, Links, Frames, Images, Fields, ObjectView, PageProperties };

    // How long a frame of another origin has to answer a walk before it is
    // left out, in milliseconds.
    static constexpr int kFrameAnswerTime = 3000;

    DocumentInfoPage(BrowserHost& browser, Prompts& prompts, const ImageList& images,
                     QWidget* parent = nullptr);

    QTabWidget* pages() const { return PageControlInfos; }
    // The Document Info rule's part: "Page Properties" in front, not refreshed.
    void showLastPage();
    // Recomputes the view of the page in front, when the browser has a document.
    void refresh();
    // DoFrames: the Frames view.
    void DoFrames();

    QPlainTextEdit* sourceEdit() const { return SourceEdit; }
    QPlainTextEdit* plainTextEdit() const { return PlainTextEdit; }
    QListWidget* list(Page page) const;
    QTreeWidget* objectTree() const { return TreeView1; }
    QLineEdit* field(const QString& name) const { return m_fields.value(name); }
    QLabel* errorLabel() const { return lblError; }

signals:
    // The view of `page` shows what the document answered.
    void refreshed(int page);

private:
    QWidget* buildPropertiesPanel();
    void refreshPage(int page);
    void showLines(Page page, const QStringList& lines);
    void showObjects(const QVariant& answer);
    void showProperties(QVariantMap answer);
    void walkAnswered(const QVariant& answer);
    void frameReported(const QVariantMap& report);
    void finishWalk();
    // Runs `function` of the document script for the refresh `request`; an
    // error reaches the application's error box.
    void ask(int request, const QString& function,
             const std::function<void(const QVariant&)>& show);

    BrowserHost& m_browser;
    Prompts& m_prompts;
    const ImageList& m_images;

    QTabWidget* PageControlInfos = nullptr;
    QPlainTextEdit* SourceEdit = nullptr;
    QPlainTextEdit* PlainTextEdit = nullptr;
    QListWidget* LbLinks = nullptr;
    QListWidget* LbFrames = nullptr;
    QListWidget* lbImages = nullptr;
    QListWidget* LbFields = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QMap<QString, QLineEdit*> m_fields;  // the page properties, by name
    QLabel* lblError = nullptr;

    bool m_quiet = false;  // a page change of the program's own: no refresh
    int m_request = 0;     // the refresh whose answer counts
    // The walk of the Links or Frames view waiting for frames to answer.
    DocumentInfo::FrameDocument m_walk;
    Page m_walkPage = Links;
    bool m_walking = false;
    QTimer m_walkTimer;
};
