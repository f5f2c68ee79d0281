#include "TclUpdateInfo.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// Update lists are a few kilobytes; anything this large is not one.
constexpr qint64 kMaximumFileSize = 16 * 1024 * 1024;
// More segments than the downloader ever makes means a damaged record.
constexpr int kMaximumSegments = 64;

const char* const kStatusWords[] = {"download", "ready", "success", "failed"};

qint64 integerOrZero(QStringView text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : 0;
}

void readResourceState(QXmlStreamReader& reader, TclResourceState& state) {
    state.resourceSize = integerOrZero(reader.attributes().value(QLatin1String("resourcesize")));
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("item")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            TransferPart part;
            part.start = integerOrZero(attributes.value(QLatin1String("resourcepos")));
            part.length = integerOrZero(attributes.value(QLatin1String("bytestoproceed")));
            part.bytesDone = integerOrZero(attributes.value(QLatin1String("bytesproceed")));
            state.segments.append(part);
        }
        reader.skipCurrentElement();
    }
}

TclUpdateInfoItem readEntry(QXmlStreamReader& reader) {
    TclUpdateInfoItem item;
    const QXmlStreamAttributes attributes = reader.attributes();
    auto text = [&](const char* name) { return attributes.value(QLatin1String(name)).toString(); };
    item.url = text("url");
    item.version = text("version");
    item.size = text("size");
    item.localFile = text("localfile");
    item.updateDate = text("updatedate");
    item.sha256 = text("sha256").trimmed();
    const QString status = text("status");
    for (int i = 0; i < 4; ++i) {
        if (status.compare(QLatin1String(kStatusWords[i]), Qt::CaseInsensitive) == 0)
            item.status = TclUpdateStatus(i);
    }
    item.terminate = text("terminate").compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    bool haveScript = false;
    bool haveState = false;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("script") && !haveScript) {
            haveScript = true;
            item.script =
                splitLines(reader.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (reader.name() == QLatin1String("resourcestate") && !haveState) {
            haveState = true;
            readResourceState(reader, item.resourceState);
        } else {
            reader.skipCurrentElement();
        }
    }
    return item;
}

}  // namespace

bool TclResourceState::isUsable() const {
    if (resourceSize <= 0 || segments.isEmpty() || segments.size() > kMaximumSegments)
        return false;
    for (const TransferPart& part : segments) {
        if (part.start < 0 || part.length < 0 || part.bytesDone < 0 ||
            part.bytesDone > part.length || part.start > resourceSize ||
            part.length > resourceSize - part.start)
            return false;
    }
    return true;
}

QStringList splitLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (normal.endsWith(QLatin1Char('\n')))
        normal.chop(1);
    return normal.split(QLatin1Char('\n'));
}

TclUpdateInfo readUpdateInfo(QByteArrayView xml) {
    TclUpdateInfo info;
    QXmlStreamReader reader(xml.toByteArray());
    if (reader.readNextStartElement() && reader.name() == QLatin1String("updateinfo")) {
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String("update")) {
                info.append(readEntry(reader));
            } else {
                reader.skipCurrentElement();
            }
        }
    }
    // Whatever follows the root must still be well-formed.
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return {};
    return info;
}

TclUpdateInfo readPublishedList(QByteArrayView xml) {
    TclUpdateInfo list = readUpdateInfo(xml);
    for (TclUpdateInfoItem& item : list) {
        item.status = TclUpdateStatus::Download;
        item.localFile.clear();
        item.updateDate.clear();
        item.resourceState = {};
    }
    return list;
}

bool isSha256Digest(const QString& text) {
    if (text.size() != 64)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

QByteArray writeUpdateInfo(const TclUpdateInfo& info) {
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("updateinfo"));
    for (const TclUpdateInfoItem& item : info) {
        writer.writeStartElement(QStringLiteral("update"));
        const std::pair<const char*, const QString*> optional[] = {
            {"url", &item.url},         {"localfile", &item.localFile},   {"size", &item.size},
            {"version", &item.version}, {"updatedate", &item.updateDate},
        };
        for (const auto& [name, value] : optional) {
            if (!value->isEmpty())
                writer.writeAttribute(QLatin1String(name), *value);
        }
        writer.writeAttribute(QStringLiteral("status"),
                              QLatin1String(kStatusWords[int(item.status)]));
        writer.writeAttribute(QStringLiteral("terminate"),
                              item.terminate ? QStringLiteral("yes") : QStringLiteral("no"));
        if (!item.sha256.isEmpty())
            writer.writeAttribute(QStringLiteral("sha256"), item.sha256);
        writer.writeStartElement(QStringLiteral("script"));
        writer.writeCDATA(item.script.join(QLatin1String("\r\n")));
        writer.writeEndElement();
        if (!item.resourceState.segments.isEmpty()) {
            writer.writeStartElement(QStringLiteral("resourcestate"));
            writer.writeAttribute(QStringLiteral("resourcesize"),
                                  QString::number(item.resourceState.resourceSize));
            for (const TransferPart& part : item.resourceState.segments) {
                writer.writeEmptyElement(QStringLiteral("item"));
                writer.writeAttribute(QStringLiteral("resourcepos"), QString::number(part.start));
                writer.writeAttribute(QStringLiteral("bytestoproceed"),
                                      QString::number(part.length));
                writer.writeAttribute(QStringLiteral("bytesproceed"),
                                      QString::number(part.bytesDone));
            }
            writer.writeEndElement();
        }
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return out;
}

TclUpdateInfo loadUpdateInfo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaximumFileSize)
        return {};
    return readUpdateInfo(file.read(kMaximumFileSize));
}

QString saveUpdateInfo(const TclUpdateInfo& info, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(writeUpdateInfo(info));
    if (!file.commit())
        return file.errorString();
    return {};
}
