#include "DocumentInfo.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace DocumentInfo {

namespace {

// Answers come from pages: a depth beyond any real frame nesting is garbage.
constexpr int kMaxFrameDepth = 64;

QString textOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::Double:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Bool:
            return value.toString();
        default:
            return QString();
    }
}

QStringList textsOf(const QVariant& value) {
    QStringList texts;
    for (const QVariant& item : value.toList())
        texts.append(textOf(item));
    return texts;
}

FrameDocument frameFrom(const QVariant& value, int depth) {
    FrameDocument document;
    const QVariantMap map = value.toMap();
    document.path = textOf(map.value(QStringLiteral("path")));
    if (map.isEmpty() || map.contains(QStringLiteral("error")) || depth > kMaxFrameDepth) {
        document.reached = false;
        return document;
    }
    document.pending = map.value(QStringLiteral("pending")).toBool();
    if (document.pending)
        return document;
    document.address = textOf(map.value(QStringLiteral("address")));
    document.hasBody = map.value(QStringLiteral("body")).toBool();
    document.links = textsOf(map.value(QStringLiteral("links")));
    for (const QVariant& frame : map.value(QStringLiteral("frames")).toList())
        document.frames.append(frameFrom(frame, depth + 1));
    return document;
}

FrameDocument* findPending(FrameDocument& document, const QString& path) {
    for (FrameDocument& frame : document.frames) {
        if (frame.pending && frame.path == path)
            return &frame;
        // Only a frame whose path begins with this one's can lie below it.
        if (!frame.pending && path.startsWith(frame.path + QLatin1Char('/'))) {
            if (FrameDocument* found = findPending(frame, path))
                return found;
        }
    }
    return nullptr;
}

void collectPending(const FrameDocument& document, QStringList& paths) {
    for (const FrameDocument& frame : document.frames) {
        if (frame.pending)
            paths.append(frame.path);
        else
            collectPending(frame, paths);
    }
}

void collectLinks(const FrameDocument& document, QStringList& lines) {
    if (!document.reached || document.pending)
        return;
    if (document.hasBody)
        lines += document.links;
    for (const FrameDocument& frame : document.frames)
        collectLinks(frame, lines);
}

void collectFrameAddresses(const FrameDocument& document, QStringList& lines) {
    for (const FrameDocument& frame : document.frames) {
        if (!frame.reached || frame.pending)
            continue;
        lines.append(frame.address);
        collectFrameAddresses(frame, lines);
    }
}

const QMap<QString, int>& imagesByType() {
    static const QMap<QString, int> images{
        {QStringLiteral("text"), 56},       {QStringLiteral("submit"), 57},
        {QStringLiteral("file"), 58},       {QStringLiteral("hidden"), 60},
        {QStringLiteral("checkbox"), 61},   {QStringLiteral("radio"), 62},
        {QStringLiteral("select-one"), 63},
    };
    return images;
}

TreeNode elementNode(const QVariantMap& element) {
    if (element.contains(QStringLiteral("error")))
        return {textOf(element.value(QStringLiteral("error"))), -1, {}};
    const QString type = textOf(element.value(QStringLiteral("type")));
    const int image = elementImage(type);
    TreeNode node{textOf(element.value(QStringLiteral("name"))) + QStringLiteral(" = ") +
                      textOf(element.value(QStringLiteral("value"))),
                  image,
                  {}};
    node.children.append({type, -1, {}});
    if (type == QLatin1String("text")) {
        const qint64 maxLength = qint64(element.value(QStringLiteral("maxLength")).toDouble());
        node.children.append({QStringLiteral("MaxLen=") + QString::number(maxLength), -1, {}});
    } else if (type == QLatin1String("select-one")) {
        for (const QVariant& option : element.value(QStringLiteral("options")).toList()) {
            const QVariantList pair = option.toList();
            node.children.append({textOf(pair.value(0)) + QStringLiteral(" = <") +
                                      textOf(pair.value(1)) + QLatin1Char('>'),
                                  -1,
                                  {}});
        }
    }
    return node;
}

// Numbers as whole pixels; anything else as the page gave it.
QString integerText(const QVariant& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || value.typeId() == QMetaType::QString || !std::isfinite(number))
        return textOf(value);
    return QString::number(qint64(std::llround(number)));
}

QString dateText(const QVariant& milliseconds) {
    return QDateTime::fromMSecsSinceEpoch(qint64(milliseconds.toDouble()))
        .toString(QStringLiteral("MM/dd/yyyy"));
}

bool known(const QVariantMap& answer, const char* key) {
    const QVariant value = answer.value(QLatin1String(key));
    return value.isValid() && !value.isNull();
}

}  // namespace

FrameDocument frameDocumentFromVariant(const QVariant& value) {
    return frameFrom(value, 0);
}

bool placeFrameReport(FrameDocument& top, const FrameDocument& report) {
    FrameDocument* place = findPending(top, report.path);
    if (!place)
        return false;
    const QString path = place->path;
    *place = report;
    place->path = path;
    place->pending = false;
    return true;
}

QStringList pendingFramePaths(const FrameDocument& top) {
    QStringList paths;
    collectPending(top, paths);
    return paths;
}

QStringList linksLines(const FrameDocument& top) {
    QStringList lines;
    collectLinks(top, lines);
    if (lines.isEmpty())
        lines.append(QLatin1String(kNoLinks));
    return lines;
}

QStringList framesLines(const FrameDocument& top) {
    if (top.frames.isEmpty())
        return {QLatin1String(kNoFrames)};
    QStringList lines{QStringLiteral("The document contain ") + QString::number(top.frames.size()) +
                          QStringLiteral("  frames."),
                      top.address};
    collectFrameAddresses(top, lines);
    return lines;
}

QStringList imagesLines(const QStringList& sources,
                        const std::function<QString(const QString&)>& cacheFile) {
    QStringList lines;
    for (const QString& source : sources) {
        lines.append(QStringLiteral("--url  :") + source);
        lines.append(QStringLiteral("--local:") + (cacheFile ? cacheFile(source) : QString()));
    }
    if (lines.isEmpty())
        lines.append(QLatin1String(kNoImages));
    return lines;
}

QStringList fieldsLines(const QVariant& answer) {
    const QVariantMap map = answer.toMap();
    if (!map.value(QStringLiteral("forms")).toBool())
        return {QLatin1String(kNoFields)};
    static const char* const kParts[] = {
        "Name :", "ID :", "TagName :", "toString :", "innerText :", "innerHTML :"};
    QStringList lines;
    for (const QVariant& element : map.value(QStringLiteral("elements")).toList()) {
        const QVariantList values = element.toList();
        QStringList parts;
        for (int i = 0; i < 6; ++i)
            parts.append(QLatin1String(kParts[i]) + textOf(values.value(i)));
        lines.append(parts.join(QStringLiteral(" ; ")));
    }
    return lines;
}

int elementImage(const QString& type) {
    return imagesByType().value(type, -1);
}

QList<TreeNode> objectTree(const QVariant& answer) {
    QList<TreeNode> forms;
    const QVariantList list = answer.toList();
    for (int i = 0; i < list.size(); ++i) {
        const QVariantMap form = list[i].toMap();
        TreeNode node{QStringLiteral("Form") + QString::number(i) + QStringLiteral(": ") +
                          textOf(form.value(QStringLiteral("name"))),
                      kFormImage,
                      {}};
        for (const QVariant& element : form.value(QStringLiteral("elements")).toList())
            node.children.append(elementNode(element.toMap()));
        forms.append(node);
    }
    if (forms.isEmpty())
        forms.append({QLatin1String(kNoObjects), -1, {}});
    return forms;
}

const QList<PropertyField>& propertyFields() {
    static const QList<PropertyField> fields{
        {"UrlN", "Document URL: ", nullptr, true},
        {"UrlT", "DocumentTitle:", nullptr, true},
        {"DocHi", "Document  Height, Width:", "Pix.", true},
        {"DocWe", nullptr, "Pix.", true},
        {"ScrTp", "Document Scroll Position:", "Pix.", true},
        {"ScrLf", nullptr, "Pix.", true},
        {"BCH", "Browser screen Height, Width:", "Pix.", true},
        {"BCW", nullptr, "Pix.", true},
        {"DocR", "Document referrer:", nullptr, true},
        {"Coo", "Cookie:", nullptr, true},
        {"Last", "Last Modified:", nullptr, false},
        {"Prot", "Protocol:", nullptr, false},
        {"par", "Parent Window:", nullptr, false},
        {"Enc", "Encoding:", nullptr, false},
        {"Uni", "Unique ID:", nullptr, false},
        {"FSiz", "Page Size:", "Bytes", false},
        {"Crea", "Date Created:", nullptr, false},
    };
    return fields;
}

PropertiesUpdate propertiesUpdate(const QVariantMap& answer) {
    // Fields 4 to 7 (scroll position and screen) are shown as integers.
    constexpr int kFirstInteger = 4;
    constexpr int kLastInteger = 7;
    constexpr int kGuardedSize = 15;
    constexpr int kGuardedCreated = 16;
    const QList<PropertyField>& fields = propertyFields();

    PropertiesUpdate update;
    const QVariantList values = answer.value(QStringLiteral("values")).toList();
    for (int i = 0; i < values.size() && i < kGuardedSize; ++i) {
        const QString text =
            (i >= kFirstInteger && i <= kLastInteger) ? integerText(values[i]) : textOf(values[i]);
        if (!text.isEmpty())
            update.values.append({i, text});
        else if (fields[i].noneWhenEmpty)
            update.values.append({i, QStringLiteral("None")});
    }
    if (answer.contains(QStringLiteral("error")) || values.size() < kGuardedSize) {
        update.error = textOf(answer.value(QStringLiteral("error")));
        if (update.error.isEmpty())
            update.error = QStringLiteral("The document's properties could not be read.");
        return update;
    }
    if (!known(answer, "size") || !known(answer, "created")) {
        update.guardedStepFailed = true;
        return update;
    }
    update.values.append({kGuardedSize, integerText(answer.value(QStringLiteral("size")))});
    update.values.append({kGuardedCreated, dateText(answer.value(QStringLiteral("created")))});
    return update;
}

void addLocalFileFacts(QVariantMap& answer, const QString& localFile) {
    const QFileInfo file(localFile);
    if (!file.exists())
        return;
    const QDateTime created = file.birthTime().isValid() ? file.birthTime() : file.lastModified();
    answer.insert(QStringLiteral("size"), double(file.size()));
    answer.insert(QStringLiteral("created"), double(created.toMSecsSinceEpoch()));
}

QList<QPair<QString, QString>> propertiesSummary(const QVariantMap& answer) {
    const QVariantList values = answer.value(QStringLiteral("values")).toList();
    auto value = [&values](int index) {
        const QString text = textOf(values.value(index));
        return text.isEmpty() ? QStringLiteral("Not Available") : text;
    };
    const QString protocol = textOf(values.value(11));
    QList<QPair<QString, QString>> lines{
        {QStringLiteral("Title:"), value(1)},
        {QStringLiteral("Address:"), value(0)},
        {QStringLiteral("Protocol:"), value(11)},
        {QStringLiteral("Type:"), textOf(answer.value(QStringLiteral("contentType")))},
        {QStringLiteral("Connection:"), protocol == QLatin1String("https:")
                                            ? QStringLiteral("Encrypted")
                                            : QStringLiteral("Not Encrypted")},
        {QStringLiteral("Encoding:"), value(13)},
        {QStringLiteral("Size:"),
         known(answer, "size")
             ? QLocale::c().toString(qint64(answer.value(QStringLiteral("size")).toDouble())) +
                   QStringLiteral(" bytes")
             : QStringLiteral("Not Available")},
        {QStringLiteral("Created:"), known(answer, "created")
                                         ? dateText(answer.value(QStringLiteral("created")))
                                         : QStringLiteral("Not Available")},
        {QStringLiteral("Modified:"), value(10)},
    };
    if (lines[3].second.isEmpty())
        lines[3].second = QStringLiteral("Not Available");
    return lines;
}

}  // namespace DocumentInfo
