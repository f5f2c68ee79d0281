#include "FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <QWebEngineFindTextResult>

#include "BrowserHost.h"
#include "ImageStrip.h"

FindBar::FindBar(BrowserHost& browser, const ImageList& images, QWidget* parent)
    : QWidget(parent), m_browser(browser) {
    setObjectName(QStringLiteral("FindBar"));
    auto* label = new QLabel(QStringLiteral("Find:"));
    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("edtFind"));
    m_field->setMinimumWidth(200);
    label->setBuddy(m_field);
    m_field->installEventFilter(this);
    auto makeButton = [&images](const char* name, const QString& caption, int image) {
        auto* button = new QToolButton;
        button->setObjectName(QLatin1String(name));
        button->setText(caption);
        button->setIcon(images.icon(image));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        return button;
    };
    QToolButton* next = makeButton("btnFindNext", QStringLiteral("Next"), 63);
    QToolButton* previous = makeButton("btnFindPrevious", QStringLiteral("Previous"), 39);
    QToolButton* closeButton = makeButton("btnFindClose", QStringLiteral("Close"), 4);
    m_matchCase = new QCheckBox(QStringLiteral("Match Case"));
    m_matchCase->setObjectName(QStringLiteral("chkMatchCase"));
    m_result = new QLabel;
    m_result->setObjectName(QStringLiteral("lblFindResult"));
    m_result->setTextFormat(Qt::PlainText);
    m_result->setMinimumWidth(90);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    connect(m_matchCase, &QCheckBox::toggled, this, &FindBar::findNext);
    // Typing searches as it goes, from where the page's selection is.
    connect(m_field, &QLineEdit::textEdited, this, &FindBar::findNext);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(label);
    layout->addWidget(m_field);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_result, 1);
    layout->addWidget(closeButton);
}

void FindBar::open() {
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::close() {
    hide();
    m_result->clear();
    // An empty search ends the highlighting.
    m_browser.findText(QString());
    m_browser.setFocus();
}

void FindBar::findNext() {
    find(false);
}

void FindBar::findPrevious() {
    find(true);
}

QString FindBar::resultText() const {
    return m_result->text();
}

void FindBar::find(bool backward) {
    const QString text = m_field->text();
    if (text.isEmpty()) {
        m_result->clear();
        m_browser.findText(QString());
        return;
    }
    QWebEnginePage::FindFlags flags;
    if (backward)
        flags |= QWebEnginePage::FindBackward;
    if (m_matchCase->isChecked())
        flags |= QWebEnginePage::FindCaseSensitively;
    QPointer<FindBar> self(this);
    m_browser.findText(text, flags, [self](const QWebEngineFindTextResult& result) {
        if (!self)
            return;
        const int matches = result.numberOfMatches();
        self->m_result->setText(
            matches == 0 ? QStringLiteral("Not found")
                         : QStringLiteral("%1 of %2").arg(result.activeMatch()).arg(matches));
        emit self->found(result.activeMatch(), matches);
    });
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            find(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
