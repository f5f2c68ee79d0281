#include "QtPrompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include "FolderBrowseDialog.h"

namespace {

QString captionOrTitle(const QString& caption) {
    return caption.isEmpty() ? QString::fromLatin1(kApplicationTitle) : caption;
}

struct ButtonMap {
    Prompts::Button ours;
    QMessageBox::StandardButton qt;
};

constexpr ButtonMap kButtons[] = {
    {Prompts::Ok, QMessageBox::Ok},
    {Prompts::Cancel, QMessageBox::Cancel},
    {Prompts::Yes, QMessageBox::Yes},
    {Prompts::No, QMessageBox::No},
    {Prompts::YesToAll, QMessageBox::YesToAll},
    {Prompts::NoToAll, QMessageBox::NoToAll},
    {Prompts::Abort, QMessageBox::Abort},
    {Prompts::Retry, QMessageBox::Retry},
    {Prompts::Ignore, QMessageBox::Ignore},
};

}  // namespace

Prompts::Button QtPrompts::message(Kind kind, const QString& caption, const QString& text,
                                   Buttons buttons) {
    return showMessage(kind, caption, text, buttons, Qt::PlainText);
}

Prompts::Button QtPrompts::richTextMessage(Kind kind, const QString& caption, const QString& html,
                                           Buttons buttons) {
    return showMessage(kind, caption, html, buttons, Qt::RichText);
}

Prompts::Button QtPrompts::showMessage(Kind kind, const QString& caption, const QString& text,
                                       Buttons buttons, Qt::TextFormat format) {
    QMessageBox box(m_parent);
    box.setWindowTitle(captionOrTitle(caption));
    box.setTextFormat(format);
    box.setText(text);
    switch (kind) {
        case Kind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Kind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Kind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case Kind::Question:
            box.setIcon(QMessageBox::Question);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    QMessageBox::StandardButtons qtButtons;
    for (const ButtonMap& map : kButtons) {
        if (buttons & map.ours)
            qtButtons |= map.qt;
    }
    if (!qtButtons)
        qtButtons = QMessageBox::Ok;
    box.setStandardButtons(qtButtons);
    const int result = box.exec();
    for (const ButtonMap& map : kButtons) {
        if (result == map.qt)
            return map.ours;
    }
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    return Ok;
}

void QtPrompts::timedMessage(const QString& caption, const QString& text, int milliseconds) {
    QMessageBox box(QMessageBox::Information, captionOrTitle(caption), QString(), QMessageBox::Ok,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QTimer::singleShot(milliseconds, &box, &QMessageBox::accept);
    box.exec();
}

bool QtPrompts::inputQuery(const QString& caption, const QString& prompt, QString& value) {
    return query(caption, prompt, value, QLineEdit::Normal);
}

bool QtPrompts::passwordQuery(const QString& caption, const QString& prompt, QString& value) {
    return query(caption, prompt, value, QLineEdit::Password);
}

bool QtPrompts::query(const QString& caption, const QString& prompt, QString& value,
                      QLineEdit::EchoMode echo) {
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(captionOrTitle(caption));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(echo);
    dialog.setTextValue(value);
    dialog.setLabelText(prompt);
    // The prompt may be a page's (a script's prompt()).
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

QString QtPrompts::inputBox(const QString& caption, const QString& prompt,
                            const QString& defaultValue) {
    QString value = defaultValue;
    return inputQuery(caption, prompt, value) ? value : defaultValue;
}

QString QtPrompts::openFileName(const QString& caption, const QString& startPath,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(m_parent, captionOrTitle(caption), startPath, filter);
}

QStringList QtPrompts::openFileNames(const QString& caption, const QString& startPath,
                                     const QString& filter) {
    return QFileDialog::getOpenFileNames(m_parent, captionOrTitle(caption), startPath, filter);
}

QString QtPrompts::saveFileName(const QString& caption, const QString& startPath,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(m_parent, captionOrTitle(caption), startPath, filter);
}

QString QtPrompts::saveFileNameOwnOverwriteQuestion(const QString& caption,
                                                    const QString& startPath,
                                                    const QString& filter) {
    return QFileDialog::getSaveFileName(m_parent, captionOrTitle(caption), startPath, filter,
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

QString QtPrompts::saveFileNameOfType(const QString& caption, const QString& startPath,
                                      const QString& filter, QString& selectedFilter) {
    QString chosen = selectedFilter;
    const QString file =
        QFileDialog::getSaveFileName(m_parent, captionOrTitle(caption), startPath, filter, &chosen);
    if (!file.isEmpty())
        selectedFilter = chosen;
    return file;
}

QString QtPrompts::folder(const QString& caption, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(m_parent, captionOrTitle(caption), startFolder);
}

std::optional<QString> QtPrompts::browseForFolder(const FolderBrowseRequest& request) {
    FolderBrowseDialog dialog(request, m_parent);
    return dialog.run();
}

std::optional<QFont> QtPrompts::font(const QFont& initial) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, m_parent);
    if (!ok)
        return std::nullopt;
    return chosen;
}

std::optional<QColor> QtPrompts::colour(const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

bool QtPrompts::print(QPrinter& printer) {
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::printerSetup(QPrinter& printer) {
    QPageSetupDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::printPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
    QPrintPreviewDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    dialog.resize(900, 700);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&paint](QPrinter* target) { paint(*target); });
    return dialog.exec() == QDialog::Accepted;
}
