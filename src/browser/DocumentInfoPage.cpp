#include "DocumentInfoPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineProfile>

#include "BrowserHost.h"
#include "EngineCacheIndex.h"
#include "ImageStrip.h"
#include "Prompts.h"

namespace {

QFont courier(int points = -1) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    if (points > 0)
        font.setPointSize(points);
    return font;
}

QListWidget* makeList(const char* name) {
    auto* list = new QListWidget;
    list->setObjectName(QLatin1String(name));
    list->setFont(courier());
    return list;
}

void addTreeNodes(QTreeWidgetItem* parent, QTreeWidget* tree,
                  const QList<DocumentInfo::TreeNode>& nodes, const ImageList& images) {
    for (const DocumentInfo::TreeNode& node : nodes) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, node.text);
        if (node.image >= 0)
            item->setIcon(0, images.icon(node.image));
        addTreeNodes(item, tree, node.children, images);
    }
}

}  // namespace

DocumentInfoPage::DocumentInfoPage(BrowserHost& browser, Prompts& prompts, const ImageList& images,
                                   QWidget* parent)
    : QWidget(parent), m_browser(browser), m_prompts(prompts), m_images(images) {
    PageControlInfos = new QTabWidget;
    PageControlInfos->setObjectName(QStringLiteral("PageControlInfos"));
    PageControlInfos->setTabPosition(QTabWidget::South);

    SourceEdit = new QPlainTextEdit;
    SourceEdit->setObjectName(QStringLiteral("SourceEdit"));
    SourceEdit->setFont(courier(8));
    SourceEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    SourceEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SourceEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SourceEdit->setReadOnly(true);
    PlainTextEdit = new QPlainTextEdit;
    PlainTextEdit->setObjectName(QStringLiteral("PlainTextEdit"));
    PlainTextEdit->setReadOnly(true);
    LbLinks = makeList("LbLinks");
    LbFrames = makeList("LbFrames");
    lbImages = makeList("lbImages");
    LbFields = makeList("LbFields");
    TreeView1 = new QTreeWidget;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setFont(courier());

    const struct {
        QWidget* view;
        const char* caption;
    } pages[] = {{SourceEdit, "Source"},     {PlainTextEdit, "Plain Text"},
                 {LbLinks, "Links"},         {LbFrames, "Frames"},
                 {lbImages, "Images"},       {LbFields, "Fields"},
                 {TreeView1, "Object View"}, {buildPropertiesPanel(), "Page Properties"}};
    for (const auto& page : pages) {
        page.view->setAccessibleName(QLatin1String(page.caption));
        PageControlInfos->addTab(page.view, QLatin1String(page.caption));
    }
    connect(PageControlInfos, &QTabWidget::currentChanged, this, [this] {
        if (!m_quiet)
            refresh();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControlInfos);

    m_walkTimer.setSingleShot(true);
    m_walkTimer.setInterval(kFrameAnswerTime);
    connect(&m_walkTimer, &QTimer::timeout, this, &DocumentInfoPage::finishWalk);
    connect(&m_browser, &BrowserHost::documentReported, this, &DocumentInfoPage::frameReported);
}

QWidget* DocumentInfoPage::buildPropertiesPanel() {
    // The fields that share a row are told apart by name for screen readers.
    static const QMap<QString, const char*> kPairNames{
        {QStringLiteral("DocHi"), "Document height"}, {QStringLiteral("DocWe"), "Document width"},
        {QStringLiteral("ScrTp"), "Scroll top"},      {QStringLiteral("ScrLf"), "Scroll left"},
        {QStringLiteral("BCH"), "Screen height"},     {QStringLiteral("BCW"), "Screen width"},
    };
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("TabPageProperties"));
    auto* grid = new QGridLayout(panel);
    // Columns: label, field, its suffix, second field, its suffix.
    const QList<DocumentInfo::PropertyField>& fields = DocumentInfo::propertyFields();
    int row = -1;
    for (int i = 0; i < fields.size(); ++i) {
        const DocumentInfo::PropertyField& property = fields[i];
        const bool second = !property.label;
        const bool single = !second && (i + 1 == fields.size() || fields[i + 1].label);
        auto* field = new QLineEdit;
        field->setObjectName(QLatin1String(property.name));
        field->setReadOnly(true);
        m_fields.insert(field->objectName(), field);
        if (!second) {
            auto* label = new QLabel(QLatin1String(property.label));
            label->setBuddy(field);
            grid->addWidget(label, ++row, 0);
        }
        if (const char* name = kPairNames.value(field->objectName()))
            field->setAccessibleName(QLatin1String(name));
        const int column = second ? 3 : 1;
        if (single)
            grid->addWidget(field, row, 1, 1, property.suffix ? 3 : 4);
        else
            grid->addWidget(field, row, column);
        if (property.suffix)
            grid->addWidget(new QLabel(QLatin1String(property.suffix)), row,
                            single ? 4 : column + 1);
    }
    lblError = new QLabel;
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setTextFormat(Qt::PlainText);  // the page's script error
    QPalette palette = lblError->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    lblError->setPalette(palette);
    grid->addWidget(lblError, ++row, 0, 1, 5);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    // Two dozen rows are taller than the first-run frame: they scroll rather
    // than make the whole browser window need more height than the frame has.
    auto* scroller = new QScrollArea;
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidget(panel);
    return scroller;
}

QListWidget* DocumentInfoPage::list(Page page) const {
    switch (page) {
        case Links:
            return LbLinks;
        case Frames:
            return LbFrames;
        case Images:
            return lbImages;
        case Fields:
            return LbFields;
        default:
            return nullptr;
    }
}

void DocumentInfoPage::showLastPage() {
    m_quiet = true;
    PageControlInfos->setCurrentIndex(PageProperties);
    m_quiet = false;
}

void DocumentInfoPage::refresh() {
    if (m_browser.hasDocument())
        refreshPage(PageControlInfos->currentIndex());
}

void DocumentInfoPage::DoFrames() {
    if (m_browser.hasDocument())
        refreshPage(Frames);
}

void DocumentInfoPage::ask(int request, const QString& function,
                           const std::function<void(const QVariant&)>& show) {
    m_browser.runDocumentScript(function, {}, this,
                                [this, request, show](const QVariant& value, const QString& error) {
                                    if (request != m_request)
                                        return;
                                    if (!error.isEmpty()) {
                                        m_prompts.errorBox(error);
                                        return;
                                    }
                                    show(value);
                                });
}

void DocumentInfoPage::refreshPage(int page) {
    const int request = ++m_request;
    m_walking = false;
    m_walkTimer.stop();
    switch (page) {
        case Source:
        case PlainText:
            ask(request, page == Source ? QStringLiteral("source") : QStringLiteral("text"),
                [this, page](const QVariant& value) {
                    (page == Source ? SourceEdit : PlainTextEdit)->setPlainText(value.toString());
                    emit refreshed(page);
                });
            break;
        case Links:
        case Frames:
            m_walkPage = Page(page);
            m_browser.runDocumentScript(
                QStringLiteral("walk"), {request}, this,
                [this, request](const QVariant& value, const QString& error) {
                    if (request != m_request)
                        return;
                    if (!error.isEmpty()) {
                        m_prompts.errorBox(error);
                        return;
                    }
                    walkAnswered(value);
                });
            break;
        case Images:
            ask(request, QStringLiteral("images"), [this](const QVariant& value) {
                const EngineCacheIndex cache =
                    EngineCacheIndex::scan(BrowserHost::profile()->cachePath());
                showLines(Images, DocumentInfo::imagesLines(value.toStringList(),
                                                            [&cache](const QString& address) {
                                                                return cache.localFile(address);
                                                            }));
            });
            break;
        case Fields:
            ask(request, QStringLiteral("fields"), [this](const QVariant& value) {
                showLines(Fields, DocumentInfo::fieldsLines(value));
            });
            break;
        case ObjectView:
            ask(request, QStringLiteral("objects"),
                [this](const QVariant& value) { showObjects(value); });
            break;
        case PageProperties:
            lblError->clear();
            // Only a page fully loaded: a page still loading keeps the
            // previous page's values.
            if (m_browser.busy() || m_browser.locationAddress().isEmpty() ||
                m_browser.locationName() == QLatin1String("No page to display")) {
                return;
            }
            ask(request, QStringLiteral("properties"),
                [this](const QVariant& value) { showProperties(value.toMap()); });
            break;
        default:
            break;
    }
}

void DocumentInfoPage::showLines(Page page, const QStringList& lines) {
    QListWidget* view = list(page);
    view->clear();
    view->addItems(lines);
    emit refreshed(page);
}

void DocumentInfoPage::showObjects(const QVariant& answer) {
    TreeView1->setUpdatesEnabled(false);
    TreeView1->clear();
    addTreeNodes(nullptr, TreeView1, DocumentInfo::objectTree(answer), m_images);
    if (TreeView1->topLevelItemCount() > 0)
        TreeView1->expandRecursively(TreeView1->model()->index(0, 0));
    TreeView1->setUpdatesEnabled(true);
    emit refreshed(ObjectView);
}

void DocumentInfoPage::showProperties(QVariantMap answer) {
    if (m_browser.url().isLocalFile())
        DocumentInfo::addLocalFileFacts(answer, m_browser.url().toLocalFile());
    const DocumentInfo::PropertiesUpdate update = DocumentInfo::propertiesUpdate(answer);
    const QList<DocumentInfo::PropertyField>& fields = DocumentInfo::propertyFields();
    for (const auto& [index, text] : update.values)
        m_fields.value(QLatin1String(fields[index].name))->setText(text);
    if (update.guardedStepFailed)
        lblError->setText(QLatin1String(DocumentInfo::kGuardedStepError));
    emit refreshed(PageProperties);
    if (!update.error.isEmpty())
        m_prompts.errorBox(update.error);
}

void DocumentInfoPage::walkAnswered(const QVariant& answer) {
    m_walk = DocumentInfo::frameDocumentFromVariant(answer);
    m_walking = true;
    if (DocumentInfo::pendingFramePaths(m_walk).isEmpty())
        finishWalk();
    else
        m_walkTimer.start();
}

void DocumentInfoPage::frameReported(const QVariantMap& report) {
    if (!m_walking || report.value(QStringLiteral("request")).toInt() != m_request)
        return;
    DocumentInfo::placeFrameReport(
        m_walk, DocumentInfo::frameDocumentFromVariant(report.value(QStringLiteral("node"))));
    if (DocumentInfo::pendingFramePaths(m_walk).isEmpty())
        finishWalk();
}

void DocumentInfoPage::finishWalk() {
    if (!m_walking)
        return;
    m_walking = false;
    m_walkTimer.stop();
    showLines(m_walkPage, m_walkPage == Links ? DocumentInfo::linksLines(m_walk)
                                              : DocumentInfo::framesLines(m_walk));
}
