#pragma once

#include <QLineEdit>

#include "Prompts.h"

// Prompts shown with Qt's own dialogs, parented to `parent` (the frame).
class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Button message(Kind kind, const QString& caption, const QString& text,
                   Buttons buttons) override;
    Button richTextMessage(Kind kind, const QString& caption, const QString& html,
                           Buttons buttons) override;
    void timedMessage(const QString& caption, const QString& text, int milliseconds) override;
    bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool passwordQuery(const QString& caption, const QString& prompt, QString& value) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& defaultValue) override;
    QString openFileName(const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QStringList openFileNames(const QString& caption, const QString& startPath,
                              const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& startPath,
                         const QString& filter) override;
    QString saveFileNameOwnOverwriteQuestion(const QString& caption, const QString& startPath,
                                             const QString& filter) override;
    QString saveFileNameOfType(const QString& caption, const QString& startPath,
                               const QString& filter, QString& selectedFilter) override;
    QString folder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> browseForFolder(const FolderBrowseRequest& request) override;
    std::optional<QFont> font(const QFont& initial) override;
    std::optional<QColor> colour(const QColor& initial) override;
    bool print(QPrinter& printer) override;
    bool printerSetup(QPrinter& printer) override;
    bool printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;

private:
    Button showMessage(Kind kind, const QString& caption, const QString& text, Buttons buttons,
                       Qt::TextFormat format);
    bool query(const QString& caption, const QString& prompt, QString& value,
               QLineEdit::EchoMode echo);
    QWidget* m_parent;
};
