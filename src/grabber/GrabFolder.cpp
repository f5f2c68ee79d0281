#include "GrabFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <cerrno>
#include <cstring>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QAtomicInteger<quint64> g_writes;

}  // namespace

namespace GrabFolder {

QString prepare(const QString& folder, const QString& file, QSet<QString>* verified) {
    QString base = QDir::cleanPath(folder);
    const QString parent = QFileInfo(file).path();
    if (verified && verified->contains(parent))
        return {};
    const QString relative = QDir(base).relativeFilePath(parent);
    if (relative.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(relative))
        return QStringLiteral("%1 lies outside the folder %2").arg(file, folder);
    if (!QDir().mkpath(base))
        return QStringLiteral("Cannot create the folder %1").arg(base);
    if (relative == QLatin1String("."))
        return {};
    if (verified)
        verified->insert(base);
    for (const QString& name : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        base += QLatin1Char('/') + name;
        const QByteArray path = QFile::encodeName(base);
        struct stat status {};
        if (::lstat(path.constData(), &status) != 0) {
            if (errno != ENOENT)
                return QStringLiteral("Cannot use the folder %1: %2").arg(base, systemError());
            if (::mkdir(path.constData(), 0755) != 0 && errno != EEXIST)
                return QStringLiteral("Cannot create the folder %1: %2").arg(base, systemError());
            if (::lstat(path.constData(), &status) != 0)
                return QStringLiteral("Cannot use the folder %1: %2").arg(base, systemError());
        }
        if (S_ISLNK(status.st_mode))
            return QStringLiteral("%1 is a symbolic link: nothing is written through it").arg(base);
        if (!S_ISDIR(status.st_mode))
            return QStringLiteral("%1 is a file, not a folder").arg(base);
        if (verified)
            verified->insert(base);
    }
    return {};
}

QString temporaryName(const QString& file, quint64 serial) {
    const QFileInfo info(file);
    // A name of at most 255 bytes, whatever the file's.
    QString name = info.fileName();
    while (QFile::encodeName(name).size() > 200)
        name.chop(1);
    static const quint64 secret = QRandomGenerator::system()->generate64();
    return info.path() + QStringLiteral("/.%1.%2.part")
                             .arg(name)
                             .arg(secret ^ (serial * 0x9E3779B97F4A7C15ull), 0, 36);
}

quint64 fileIdentity(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return quint64(status.st_ino) ^ (quint64(status.st_dev) << 40);
}

bool isPlainFile(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

bool read(const QString& path, qint64 limit, QByteArray* bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= limit;
    if (ok) {
        bytes->resize(qsizetype(status.st_size));
        qsizetype done = 0;
        while (done < bytes->size()) {
            const ssize_t got = ::read(fd, bytes->data() + done, size_t(bytes->size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        bytes->resize(done);
    }
    ::close(fd);
    return ok;
}

QString write(const QString& path, const QByteArray& bytes) {
    const QString temporary = temporaryName(path, ++g_writes);
    const QByteArray name = QFile::encodeName(temporary);
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return QStringLiteral("Cannot create %1: %2").arg(temporary, systemError());
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += put;
    }
    const QString error = done == bytes.size() ? QString() : systemError();
    ::close(fd);
    if (error.isEmpty() && ::rename(name.constData(), QFile::encodeName(path).constData()) == 0)
        return {};
    const QString failure = error.isEmpty() ? systemError() : error;
    ::unlink(name.constData());
    return QStringLiteral("Cannot write %1: %2").arg(path, failure);
}

}  // namespace GrabFolder

namespace GrabFolder {

QString replace(const QString& path, quint64 identity, const QByteArray& before,
                const QByteArray& after) {
    const int fd = identity == 0 ? -1
                                 : ::open(QFile::encodeName(path).constData(),
                                          O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1 ||
        (quint64(status.st_ino) ^ (quint64(status.st_dev) << 40)) != identity) {
        if (fd >= 0)
            ::close(fd);
        return write(path, after);
    }
    const auto put = [fd](const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return ::ftruncate(fd, bytes.size()) == 0;
    };
    QString error;
    if (!put(after)) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, systemError());
        put(before);
    }
    ::close(fd);
    return error;
}

}  // namespace GrabFolder
