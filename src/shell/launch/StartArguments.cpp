#include "StartArguments.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString schemeOf(const QString& argument) {
    const qsizetype colon = argument.indexOf(QLatin1Char(':'));
    return colon > 0 ? argument.left(colon).toLower() : QString();
}

}  // namespace

QStringList StartArguments::handOverArguments() const {
    QStringList arguments;
    for (const StartTarget& target : targets)
        arguments << target.target;
    return arguments;
}

StartArguments readStartArguments(const QStringList& arguments, const QString& workingFolder) {
    StartArguments result;
    const QDir folder(workingFolder);
    const auto addFile = [&](const QString& argument, const QString& path) {
        const QFileInfo file(path);
        if (!file.exists()) {
            result.errors << QStringLiteral("%1: no such file").arg(argument);
        } else if (file.isDir()) {
            result.errors << QStringLiteral("%1: is a folder, not a file").arg(argument);
        } else {
            result.targets.append({StartTarget::Kind::File, QDir::cleanPath(path)});
        }
    };
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        const QString path = folder.absoluteFilePath(argument);
        const QString scheme = schemeOf(argument);
        if (QFileInfo::exists(path)) {
            addFile(argument, path);
        } else if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                   scheme == QLatin1String("ftp")) {
            const QUrl url(argument.trimmed(), QUrl::StrictMode);
            if (!url.isValid() || url.host().isEmpty()) {
                result.errors << QStringLiteral("%1: not a usable address").arg(argument);
            } else {
                result.targets.append({scheme == QLatin1String("ftp") ? StartTarget::Kind::Ftp
                                                                      : StartTarget::Kind::Web,
                                       argument.trimmed()});
            }
        } else if (scheme == QLatin1String("file")) {
            const QUrl url(argument);
            if (url.isLocalFile() &&
                (url.host().isEmpty() || url.host() == QLatin1String("localhost")))
                addFile(argument, url.toLocalFile());
            else
                result.errors << QStringLiteral("%1: not a file on this machine").arg(argument);
        } else {
            result.errors << QStringLiteral("%1: no such file, nor an http, https or ftp address")
                                 .arg(argument);
        }
    }
    return result;
}
