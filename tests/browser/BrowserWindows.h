#pragma once

#include <QList>
#include <QPointer>
#include <QTest>

#include "BrowserHost.h"
#include "RecordingToolHost.h"
#include "fmBrowser.h"

// How long a browser test waits for a page.
inline constexpr int kTimeout = 60000;

// A small page titled `title` that shows its title and `body`.
inline QByteArray page(const QByteArray& title, const QByteArray& body = QByteArray()) {
    return "<!DOCTYPE html><html><head><title>" + title + "</title></head><body><h1>" + title +
           "</h1>" + body + "</body></html>";
}

// The browser windows of one test function over a recording host: those the
// test opens and those its pages open as popups, all gone at its end.
class BrowserWindows {
protected:
    RecordingToolHost* m_host = nullptr;

    // A fresh host, at a test function's start.
    void beginWindows() {
        m_host = new RecordingToolHost;
        m_host->factory = [this](ToolKind kind) -> ToolWindow* {
            return kind == ToolKind::WebBrowser ? openWindow() : nullptr;
        };
    }
    // The windows and the host go, at its end.
    void endWindows() {
        for (const QPointer<TbrowserFrm>& window : m_windows)
            delete window.data();
        m_windows.clear();
        delete m_host;
        m_host = nullptr;
    }

    TbrowserFrm* openWindow() {
        auto* window = new TbrowserFrm(*m_host);
        m_windows.append(window);
        window->resize(1000, 700);
        window->show();
        return window;
    }

    // Waits until the window shows `url` and has finished loading it.
    static bool loaded(TbrowserFrm* window, const QString& url) {
        return QTest::qWaitFor(
            [&] {
                return window->browser()->url().toString() == url && !window->browser()->busy();
            },
            kTimeout);
    }

private:
    QList<QPointer<TbrowserFrm>> m_windows;
};
