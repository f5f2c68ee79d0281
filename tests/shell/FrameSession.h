#pragma once

#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <functional>
#include <memory>

#include "RecordingShellLauncher.h"
#include "ScriptedPrompts.h"
#include "ToolWindow.h"
#include "ToolWindowFactory.h"
#include "fmMain.h"

// A tool window that only keeps the frame's contract; it can refuse to close
// the way the Network Tools do during a ping series.
class StandInWindow : public ToolWindow {
public:
    StandInWindow(ToolHost& host, ToolKind kind, bool refuse)
        : ToolWindow(host, kind), refuseClose(refuse) {}
    bool queryClose() override { return !refuseClose; }
    bool refuseClose;
};

class StandInTools : public ToolWindowFactory {
public:
    QList<ToolKind> created;
    QSet<ToolKind> refusing;
    QStringList navigated;
    ToolWindow* create(ToolKind kind, ToolHost& host) override {
        created.append(kind);
        return new StandInWindow(host, kind, refusing.contains(kind));
    }
    void navigate(ToolWindow*, const QString& address, bool noHistory) override {
        navigated.append((noHistory ? "skip:" : "record:") + address);
    }
    void showHtml(ToolWindow*, const QString& html, const QString& baseAddress) override {
        navigated.append("html:" + baseAddress + " " + html);
    }
    void showText(ToolWindow*, const QString&, bool) override {}
    void handOff(ToolWindow* window, const QString& text) override {
        handedOff.append({window->kind(), text});
    }
    void openFile(ToolWindow* window, const QString& path) override {
        handedOff.append({window->kind(), "file:" + path});
    }
    void openAddress(ToolWindow* window, const QString& address) override {
        handedOff.append({window->kind(), "address:" + address});
    }
    QList<QPair<ToolKind, QString>> handedOff;
};

struct Session {
    ScriptedPrompts prompts;
    StandInTools tools;
    RecordingShellLauncher shell;
    bool connected = true;
    QByteArray updateKey = UpdateSignature::projectKey();  // whom the update check trusts
    std::unique_ptr<TfrmMain> frame;
    std::function<void(TfrmMain&)> beforeShow;

    TfrmMain& start() {
        frame = std::make_unique<TfrmMain>(
            prompts, tools, shell, [this] { return connected; }, nullptr, updateKey);
        if (beforeShow)
            beforeShow(*frame);
        frame->show();
        (void)QTest::qWaitForWindowExposed(frame.get());
        (void)QTest::qWaitFor([this] { return frame->startedUp(); });
        return *frame;
    }
    // Closes the frame as "Exit" does; true when it closed.
    bool exit() {
        const bool closed = frame->close();
        if (closed)
            frame.reset();
        return closed;
    }
};
