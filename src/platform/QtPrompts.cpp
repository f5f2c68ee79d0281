#include "QtPrompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
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
    QMessageBox box(m_parent);
    box.setWindowTitle(captionOrTitle(caption));
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
    QMessageBox box(QMessageBox::Information, captionOrTitle(caption), text, QMessageBox::Ok,
                    m_parent);
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
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_parent, captionOrTitle(caption), prompt, echo, value, &ok);
    if (ok)
        value = answer;
    return ok;
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
