#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class ConnectionLogPanel;
class QTextEdit;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

// The two optional pages of the bottom page control: "Editor", the preview
// text of a downloaded file coloured as tags and quoted values, and "File
// Browser", the downloaded file in a browser control (made when first shown).
class PreviewPages : public QObject {
    Q_OBJECT
public:
    // The pages go into the window's page control; the browser control and
    // its profile go with this object, which the window destroys before its
    // widgets.
    explicit PreviewPages(ConnectionLogPanel& log, QObject* parent = nullptr);
    ~PreviewPages() override;

    QWidget* editorPage() const { return TabEditor; }
    QWidget* browserPage() const { return TabBrowser; }
    QTextEdit* editor() const { return RichEditor; }
    // The browser control, once the page has shown a file.
    QWebEngineView* browser() const { return WB; }

    // The Editor's text becomes `lines`, coloured while it is not redrawn.
    void showPreview(const QStringList& lines);
    // The browser control shows `localFile`.
    void showFile(const QString& localFile);

private:
    QWidget* TabEditor = nullptr;
    QTextEdit* RichEditor = nullptr;
    QWidget* TabBrowser = nullptr;
    QWebEngineView* WB = nullptr;
    std::unique_ptr<QWebEngineProfile> m_profile;
};
