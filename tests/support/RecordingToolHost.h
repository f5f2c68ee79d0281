#pragma once

#include <QList>
#include <functional>

#include "ScriptedPrompts.h"
#include "ToolHost.h"

// A ToolHost for testing one tool window without the frame: it records what the
// window asks of the frame. openTool() builds a window only when the test gives
// a factory.
class RecordingToolHost : public ToolHost {
public:
    struct Browse {
        QString address;
        History history;
        QString caption;
        int image;
    };
    struct Page {
        QString html;
        QString baseAddress;
        QString caption;
        int image;
    };
    struct Task {
        ToolWindow* window;
        QString caption;
        int image;
    };

    ScriptedPrompts scripted;
    std::function<ToolWindow*(ToolKind)> factory;

    QList<ToolKind> opened;
    QList<Task> tasks;  // tasks currently registered
    QList<ToolWindow*> removed;
    QStringList frameCaptions;
    QList<Browse> browsed;
    QList<Page> pages;
    QList<QPair<QString, bool>> editorTexts;
    QStringList mailClients;
    QList<DesktopProgram> desktopPrograms;
    QStringList desktopAddresses;
    QStringList explored;
    QString favoritesFileToOpen;
    QStringList navigatedToFavorites;  // FavoritesFileToOpen at each DoNavToFav

    Prompts& prompts() override { return scripted; }
    ToolWindow* openTool(ToolKind kind) override;
    void addTask(ToolWindow* window, const QString& caption, int image) override;
    void removeTask(ToolWindow* window) override;
    void setFrameCaption(const QString& caption) override { frameCaptions.append(caption); }
    ToolWindow* browseUrl(const QString& address, History history, const QString& caption,
                          int image) override;
    ToolWindow* browseHtml(const QString& html, const QString& baseAddress, const QString& caption,
                           int image) override;
    ToolWindow* openInEditor(const QString& text, bool html) override;
    void setMailClient(const QString& selection) override { mailClients.append(selection); }
    void startDesktopProgram(DesktopProgram program) override { desktopPrograms.append(program); }
    void openOnDesktop(const QString& address) override { desktopAddresses.append(address); }
    bool exploreFolder(const QString& folder) override {
        explored.append(folder);
        return true;
    }
    void setFavoritesFileToOpen(const QString& file) override { favoritesFileToOpen = file; }
    void DoNavToFav() override { navigatedToFavorites.append(favoritesFileToOpen); }
};
