#include "dlgPreferences.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AppError.h"
#include "BrowserClearing.h"
#include "BrowserRules.h"
#include "BrowserSettings.h"
#include "Prompts.h"
#include "ToolHost.h"

namespace {

// The mail page's items and the selection each stands for.
const struct {
    const char* caption;
    const char* value;
} kMailItems[] = {
    {"Outlook Express", "OutlookExpress"},
    {"Outlook ", "Outlook"},
    {"Eudora", "Eudora"},
    {"Hotmail", "Hotmail"},
    {"Yahoo", "Yahoo"},
    {"Google", "Google"},
};

bool isMailClient(const QString& text) {
    for (const auto& item : kMailItems) {
        if (text == QLatin1String(item.value))
            return true;
    }
    return false;
}

}  // namespace

TPref::TPref(ToolHost& host, Window window, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_host(host), m_window(window) {
    setObjectName(QStringLiteral("TPref"));
    setWindowTitle(QStringLiteral("Corvanta - Browser Preferences"));
    setModal(true);
    setSizeGripEnabled(true);
    LoadImageStrip(m_images, QStringLiteral("Preferences.bmp"));

    TVPref = new QTreeWidget;
    TVPref->setObjectName(QStringLiteral("TVPref"));
    TVPref->setAccessibleName(QStringLiteral("Preferences"));
    TVPref->setHeaderHidden(true);
    TVPref->setRootIsDecorated(false);
    TVPref->setIconSize(QSize(32, 32));
    TVPref->setIndentation(35);
    TVPref->setFixedWidth(170);
    const struct {
        const char* caption;
        int image;
    } nodes[] = {{"Home Page", TabHome},
                 {"Mail", TabMail},
                 {"History", TabHistory},
                 {"Popup Blocker", TabBlocker}};
    for (const auto& node : nodes) {
        auto* item = new QTreeWidgetItem(TVPref, {QLatin1String(node.caption)});
        item->setIcon(0, m_images.icon(node.image));
        item->setData(0, Qt::UserRole, node.image);
    }
    // The "History" page opens first: its node is the current one, so that
    // the tree taking the keyboard chooses nothing by itself.
    TVPref->setCurrentItem(TVPref->topLevelItem(TabHistory));
    connect(TVPref, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && item->data(0, Qt::UserRole).isValid())
            chooseNode(item->data(0, Qt::UserRole).toInt());
    });

    // The pages by index; the tabs are not shown.
    m_pages = new QStackedWidget;
    m_pages->addWidget(buildHomePage());
    m_pages->addWidget(buildMailPage());
    m_pages->addWidget(buildHistoryPage());
    m_pages->addWidget(buildBlockerPage());
    m_pages->setCurrentIndex(TabHistory);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* body = new QHBoxLayout;
    body->addWidget(TVPref);
    body->addWidget(m_pages, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
    resize(560, 340);

    // Opening: the stored values; a known mail client is the frame's too.
    const BrowserPreferences stored = BrowserPreferences::read();
    ledtUrl->setText(stored.startPage);
    m_mailClient = stored.mailClient;
    if (isMailClient(m_mailClient))
        m_host.setMailClient(m_mailClient);
    for (QAbstractButton* button : m_mailGroup->buttons()) {
        if (button->property("mailClient").toString() == m_mailClient)
            button->setChecked(true);
    }
}

QWidget* TPref::buildHomePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabHome"));
    auto* group = new QGroupBox(QStringLiteral("Home Page SetUp"));
    group->setObjectName(QStringLiteral("RGHome"));
    auto* groupLayout = new QVBoxLayout(group);
    RGHome = new QButtonGroup(this);
    const char* const items[] = {"Use Blank", "Use IE Home Page", "Use Current"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QLatin1String(items[i]));
        RGHome->addButton(button, i);
        groupLayout->addWidget(button);
    }
    connect(RGHome, &QButtonGroup::idClicked, this, &TPref::RGHomeClick);

    auto* label = new QLabel(QStringLiteral("Current Home Page:"));
    ledtUrl = new QLineEdit;
    ledtUrl->setObjectName(QStringLiteral("ledtUrl"));
    label->setBuddy(ledtUrl);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addWidget(label);
    layout->addWidget(ledtUrl);
    layout->addStretch(1);
    return page;
}

QWidget* TPref::buildMailPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabMail"));
    auto* group = new QGroupBox(QStringLiteral("Mail SetUp"));
    group->setObjectName(QStringLiteral("RGMail"));
    auto* groupLayout = new QVBoxLayout(group);
    m_mailGroup = new QButtonGroup(this);
    for (const auto& item : kMailItems) {
        auto* button = new QRadioButton(QLatin1String(item.caption));
        button->setProperty("mailClient", QLatin1String(item.value));
        m_mailGroup->addButton(button);
        groupLayout->addWidget(button);
    }
    connect(m_mailGroup, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* button) {
        m_mailClient = button->property("mailClient").toString();
        m_host.setMailClient(m_mailClient);
    });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* TPref::buildHistoryPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabHistory"));
    auto* group = new QGroupBox(QStringLiteral("History Settings"));
    auto* groupLayout = new QVBoxLayout(group);
    const struct {
        const char* name;
        const char* caption;
        void (TPref::*handler)();
    } buttons[] = {
        {"btnMpHst", "Clear Corvanta History", &TPref::btnMpHstClick},
        {"btnMpSrch", "Clear Corvanta Search History", &TPref::btnMpSrchClick},
        {"btnClsIEHist", "Clear PC History", &TPref::btnClsIEHistClick},
        {"btnIECache", "Clear PC Cache", &TPref::btnIECacheClick},
    };
    for (const auto& item : buttons) {
        auto* button = new QPushButton(QLatin1String(item.caption));
        button->setObjectName(QLatin1String(item.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, item.handler);
        groupLayout->addWidget(button);
    }
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* TPref::buildBlockerPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabBlocker"));
    auto* layout = new QVBoxLayout(page);
    if (QAction* blocker = m_window.blocker) {
        auto* box = new QCheckBox(blocker->text());
        box->setObjectName(QStringLiteral("chkBlocker"));
        box->setChecked(blocker->isChecked());
        connect(box, &QCheckBox::clicked, blocker, [blocker, box](bool checked) {
            if (blocker->isChecked() != checked)
                blocker->trigger();
            box->setChecked(blocker->isChecked());
        });
        layout->addWidget(box);
    }
    layout->addStretch(1);
    return page;
}

void TPref::chooseNode(int image) {
    if (image < 0 || image >= m_pages->count())
        return;
    m_pages->setCurrentIndex(image);
    // The tree shows the node of the page, however it was chosen.
    for (int i = 0; i < TVPref->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = TVPref->topLevelItem(i);
        if (node->data(0, Qt::UserRole).toInt() == image && TVPref->currentItem() != node) {
            const QSignalBlocker quiet(TVPref);
            TVPref->setCurrentItem(node);
        }
    }
}

int TPref::currentPage() const {
    return m_pages->currentIndex();
}

void TPref::RGHomeClick(int item) {
    if (QAbstractButton* button = RGHome->button(item))
        button->setChecked(true);
    switch (item) {
        case 0:
            ledtUrl->setText(QLatin1String(BrowserRules::kBlankAddress));
            break;
        case 1:
            // This system's browser starts at the page its "Home" opens.
            ledtUrl->setText(BrowserRules::homeAddress());
            break;
        case 2:
            ledtUrl->setText(m_window.currentAddress);
            break;
        default:
            break;
    }
}

void TPref::guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const AppError& error) {
        m_host.prompts().errorBox(error.message());
    }
}

void TPref::btnMpHstClick() {
    // The stored lists; the open windows keep theirs, as the address list
    // does, and store them again when they close.
    guarded([] { BrowserClearing::ClearOwnHistory(); });
}

void TPref::btnMpSrchClick() {
    guarded([this] {
        BrowserSettings::clearSearchHistory();
        if (m_window.forgetSearches)
            m_window.forgetSearches();
    });
}

void TPref::btnClsIEHistClick() {
    guarded([this] { BrowserClearing::ClearSystemHistory(m_host.prompts()); });
}

void TPref::btnIECacheClick() {
    guarded([] { BrowserClearing::ClearSystemCache(); });
}

void TPref::done(int result) {
    guarded([this] { BrowserPreferences::write({ledtUrl->text(), m_mailClient}); });
    QDialog::done(result);
}
