#pragma once

#include <QDialog>
#include <optional>

#include "Prompts.h"

class QFileDialog;
class QLabel;
class QPushButton;

// The folder-browse dialog that QtPrompts shows: Qt's own file dialog (not the
// desktop's, so that the request's label, status line and own button can join
// it) listing folders, with the label and the status line above it and the
// own button at its lower left.
class FolderBrowseDialog : public QDialog, public FolderBrowser {
    Q_OBJECT
public:
    FolderBrowseDialog(const FolderBrowseRequest& request, QWidget* parent);

    // Shows the dialog modally, centred on the screen; the chosen folder or
    // nothing when cancelled.
    std::optional<QString> run();

    // FolderBrowser
    QWidget* window() override { return this; }
    void setSelection(const QString& path) override;
    void setStatusText(const QString& text) override;
    void setOkEnabled(bool enabled) override;
    void setNewFolderEnabled(bool enabled) override;
    void cancel() override;

    QFileDialog* files() const;
    QPushButton* newFolderButton() const { return m_newFolder; }
    QString currentPath() const { return m_current; }

private:
    class Files;
    void selectionMoved(const QString& path);
    void tryAccept();
    void applyOkEnabled();

    const FolderBrowseRequest& m_request;
    Files* m_files = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_newFolder = nullptr;
    QString m_current;
    QString m_chosen;
    bool m_okEnabled = true;
};
