#include "DownloadState.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>

#include "LocalFileName.h"

namespace {

constexpr qint64 kMaxStateFile = 1024 * 1024;

}  // namespace

QString DownloadState::addressOf(const QString& url) {
    return QUrl(url).toString(QUrl::FullyEncoded | QUrl::RemovePassword);
}

QString DownloadState::partialFileOf(const QString& file) {
    struct stat info {};
    if (::lstat(QFile::encodeName(partialFileName(file)).constData(), &info) != 0 ||
        !S_ISREG(info.st_mode))
        return QString();
    return QStringLiteral("%1:%2").arg(quint64(info.st_dev)).arg(quint64(info.st_ino));
}

bool DownloadState::describesPartialFile() const {
    return !partialFile.isEmpty() && partialFile == partialFileOf(file);
}

bool DownloadState::canContinue() const {
    if (resume.validator.isEmpty() || resume.resourceSize <= 0 || resume.parts.isEmpty())
        return false;
    QList<TransferPart> parts = resume.parts;
    std::sort(parts.begin(), parts.end(),
              [](const TransferPart& a, const TransferPart& b) { return a.start < b.start; });
    qint64 end = 0;
    for (const TransferPart& part : parts) {
        if (part.start < end || part.length < 0 || part.bytesDone < 0 ||
            part.bytesDone > part.length || part.length > resume.resourceSize - part.start)
            return false;
        end = part.start + part.length;
    }
    return true;
}

bool writeDownloadState(const DownloadState& state, QString* error) {
    QJsonArray parts;
    for (const TransferPart& part : state.resume.parts)
        parts.append(QJsonArray{part.start, part.length, part.bytesDone});
    const QJsonObject object{{QStringLiteral("url"), DownloadState::addressOf(state.url)},
                             {QStringLiteral("file"), QFileInfo(state.file).fileName()},
                             {QStringLiteral("partial"), state.partialFile},
                             {QStringLiteral("size"), state.resume.resourceSize},
                             {QStringLiteral("validator"), state.resume.validator},
                             {QStringLiteral("parts"), parts}};
    QSaveFile file(DownloadState::pathFor(state.file));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

std::optional<DownloadState> readDownloadState(const QString& path) {
    QFile file(path);
    if (!path.endsWith(QLatin1String(DownloadState::kSuffix)) || !file.open(QIODevice::ReadOnly) ||
        file.size() > kMaxStateFile)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    const QString name = object.value(QStringLiteral("file")).toString();
    const QString url = object.value(QStringLiteral("url")).toString();
    // The file is the one beside the state file, whatever the state says.
    const QString expected =
        QFileInfo(path.chopped(qsizetype(qstrlen(DownloadState::kSuffix)))).fileName();
    if (url.isEmpty() || name != expected)
        return std::nullopt;
    DownloadState state;
    state.url = url;
    state.file = QFileInfo(path).absolutePath() + QLatin1Char('/') + name;
    state.partialFile = object.value(QStringLiteral("partial")).toString();
    state.resume.resourceSize = qint64(object.value(QStringLiteral("size")).toDouble(-1));
    state.resume.validator = object.value(QStringLiteral("validator")).toString();
    for (const QJsonValue& value : object.value(QStringLiteral("parts")).toArray()) {
        const QJsonArray numbers = value.toArray();
        if (numbers.size() != 3)
            return std::nullopt;
        TransferPart part;
        part.start = qint64(numbers[0].toDouble(-1));
        part.length = qint64(numbers[1].toDouble(-2));
        part.bytesDone = qint64(numbers[2].toDouble(-1));
        state.resume.parts.append(part);
    }
    return state;
}

QList<DownloadState> findDownloadStates(const QString& folder, const QString& url) {
    QList<DownloadState> states;
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*") + QLatin1String(DownloadState::kSuffix)},
                                   QDir::Files | QDir::Hidden, QDir::Time | QDir::Reversed);
    for (const QFileInfo& info : files) {
        if (auto state = readDownloadState(info.absoluteFilePath());
            state && state->url == DownloadState::addressOf(url) && state->describesPartialFile())
            states.append(*state);
    }
    return states;
}
