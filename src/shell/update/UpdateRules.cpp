#include "UpdateRules.h"

#include <optional>

#include "TclUpdateInfo.h"

namespace {

// A decimal integer that fits 32 bits (optionally signed), or nothing.
std::optional<qint32> decimal32(QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    qsizetype first =
        (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+')) ? 1 : 0;
    if (first == text.size())
        return std::nullopt;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

// Delphi-style trimming: every character up to the blank goes.
QStringView trimControls(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] <= QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] <= QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace

qint32 versionValue(const QString& version, TclVersionFormat format) {
    const QStringView text = trimControls(version);
    if (format == TclVersionFormat::vfNumber)
        return decimal32(text).value_or(0);
    const QList<QStringView> parts = text.split(QLatin1Char('.'));
    quint32 sum = 0;
    quint32 weight = 1;
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        // A "0" in front: an empty part is 0, a signed one is no number.
        const QString digits = QLatin1Char('0') + parts[i].toString();
        sum += quint32(decimal32(digits).value_or(0)) * weight;
        weight *= 1000u;
    }
    return qint32(sum);
}

bool isNewerVersion(const QString& newVersion, const QString& actualVersion,
                    TclVersionFormat format) {
    return versionValue(newVersion, format) > versionValue(actualVersion, format);
}

QString firstErrorLine(const QString& log, const QStringList& words) {
    for (const QString& line : splitLines(log)) {
        for (const QStringView token : QStringView(line).split(QLatin1Char(' '))) {
            for (const QString& word : words) {
                if (!word.isEmpty() && token.compare(word, Qt::CaseInsensitive) == 0)
                    return line;
            }
        }
    }
    return {};
}

QStringList expandScriptMacros(const QStringList& script, const QString& applicationFolder,
                               const QString& updateFolder) {
    QString application = applicationFolder;
    while (application.size() > 1 && application.endsWith(QLatin1Char('/')))
        application.chop(1);
    QStringList expanded;
    expanded.reserve(script.size());
    for (QString line : script) {
        line.replace(QLatin1String("$(app)"), application, Qt::CaseInsensitive);
        line.replace(QLatin1String("$(update)"), updateFolder, Qt::CaseInsensitive);
        expanded.append(line);
    }
    return expanded;
}

int releaseNumber(QByteArrayView iniText) {
    bool inSection = false;
    for (const QString& rawLine : splitLines(QString::fromLatin1(iniText))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inSection = line.mid(1, line.size() - 2)
                            .trimmed()
                            .compare(QLatin1String("Corvanta"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inSection || equals <= 0)
            continue;
        if (line.left(equals).trimmed().compare(QLatin1String("Version"), Qt::CaseInsensitive) == 0)
            return decimal32(QStringView(line).mid(equals + 1).trimmed()).value_or(0);
    }
    return 0;
}
