#include "BookmarkDialog.h"

#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "Prompts.h"
#include "ToolHost.h"

BookmarkDialog::BookmarkDialog(ToolHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_host(host) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    layout->addLayout(m_grid);
    m_buttons = new QHBoxLayout;
    m_buttons->addStretch(1);
    layout->addLayout(m_buttons);
}

Prompts& BookmarkDialog::prompts() const {
    return m_host.prompts();
}

QLineEdit* BookmarkDialog::addRow(const QString& label, const char* editName, const QString& text,
                                  QPushButton** browse) {
    const int row = m_grid->rowCount();
    auto* caption = new QLabel(label);
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(editName));
    edit->setMinimumWidth(300);
    caption->setBuddy(edit);
    edit->setAccessibleName(QString(label).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    m_grid->addWidget(caption, row, 0, 1, 2);
    m_grid->addWidget(edit, row + 1, 0);
    if (browse) {
        *browse = new QPushButton(QStringLiteral("..."));
        (*browse)->setAccessibleName(QStringLiteral("Browse"));
        (*browse)->setToolTip(QStringLiteral("Browse"));
        (*browse)->setFixedWidth((*browse)->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                                 24);
        m_grid->addWidget(*browse, row + 1, 1);
    }
    return edit;
}

void BookmarkDialog::addRow(QWidget* widget) {
    m_grid->addWidget(widget, m_grid->rowCount(), 0, 1, 2);
}

QPushButton* BookmarkDialog::addButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    m_buttons->addWidget(button);
    return button;
}

void BookmarkDialog::browseInto(QLineEdit* edit, const QString& caption) {
    const QString chosen = prompts().openFileName(
        caption, QDir::homePath(), QStringLiteral("HTML- Files (*.htm *.html *.HTML *.HTM)"));
    if (!chosen.isEmpty())
        edit->setText(chosen);
}

void BookmarkDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
