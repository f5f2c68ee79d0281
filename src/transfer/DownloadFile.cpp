#include "DownloadFile.h"

#include <fcntl.h>
#include <linux/falloc.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#include "LocalFileName.h"

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray encoded(const QString& name) {
    return QFile::encodeName(name);
}

// Whether `path` is `folder` or lies under it (both clean and absolute).
bool isWithin(const QString& path, const QString& folder) {
    if (folder.isEmpty())
        return false;
    if (folder == QLatin1String("/") || path == folder)
        return true;
    return path.startsWith(folder + QLatin1Char('/'));
}

}  // namespace

DownloadFile::~DownloadFile() {
    close();
}

void DownloadFile::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_folder >= 0)
        ::close(m_folder);
    m_fd = m_folder = -1;
}

QString DownloadFile::path() const {
    return m_folderPath + QLatin1Char('/') + (m_direct ? m_name : m_partialName);
}

qint64 DownloadFile::size() const {
    struct stat info {};
    return m_fd >= 0 && ::fstat(m_fd, &info) == 0 ? qint64(info.st_size) : -1;
}

qint64 DownloadFile::roomToSpare(qint64 totalBytes) {
    return qBound(qint64(64) << 20, totalBytes / 100, qint64(1) << 30);
}

qint64 DownloadFile::partialSize(const QString& target) {
    struct stat info {};
    if (::lstat(encoded(partialFileName(target)).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return info.st_size;
}

bool DownloadFile::openFolder(const QString& downloadFolder, const QString& folder,
                              QString* error) {
    const QString given =
        downloadFolder.isEmpty() ? QString() : QDir::cleanPath(QDir(downloadFolder).absolutePath());
    const QString base = isWithin(folder, given) ? given : folder;
    if (!QDir().mkpath(base)) {
        *error = QStringLiteral("Cannot create the folder %1").arg(base);
        return false;
    }
    m_folder = ::open(encoded(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        *error = QStringLiteral("Cannot open the folder %1: %2").arg(base, systemError());
        return false;
    }
    QString reached = base;
    const QString rest = folder.mid(base.size());
    for (const QString& name : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        reached += (reached.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + name;
        const QByteArray raw = encoded(name);
        if (::mkdirat(m_folder, raw.constData(), 0777) != 0 && errno != EEXIST) {
            *error = QStringLiteral("Cannot create the folder %1: %2").arg(reached, systemError());
            return false;
        }
        const int next =
            ::openat(m_folder, raw.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int failure = errno;
            struct stat info {};
            const bool link = failure == ELOOP || (::fstatat(m_folder, raw.constData(), &info,
                                                             AT_SYMLINK_NOFOLLOW) == 0 &&
                                                   S_ISLNK(info.st_mode));
            *error = link ? QStringLiteral(
                                "%1 is a symbolic link; a download does not follow "
                                "links inside its folder")
                                .arg(reached)
                          : QStringLiteral("Cannot open the folder %1: %2")
                                .arg(reached, QString::fromLocal8Bit(std::strerror(failure)));
            return false;
        }
        ::close(m_folder);
        m_folder = next;
    }
    return true;
}

bool DownloadFile::open(const QString& downloadFolder, const QString& target, QString* error) {
    close();
    m_direct = false;
    const QFileInfo info(target);
    m_folderPath = QDir::cleanPath(info.absolutePath());
    m_name = info.fileName();
    if (m_name.isEmpty()) {
        *error = QStringLiteral("The local file has no name: %1").arg(target);
        return false;
    }
    if (!openFolder(downloadFolder, m_folderPath, error)) {
        close();
        return false;
    }
    const QByteArray name = encoded(m_name);
    struct stat existing {};
    if (::fstatat(m_folder, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode) && !S_ISLNK(existing.st_mode)) {
        // A device or a pipe takes the data as it comes.
        m_direct = true;
        m_fd = ::openat(m_folder, name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        if (m_fd < 0) {
            *error = QStringLiteral("Cannot open %1: %2").arg(target, systemError());
            close();
            return false;
        }
        return true;
    }
    if (m_name.endsWith(QLatin1String(kPartialSuffix))) {
        *error = QStringLiteral(
                     "Cannot save %1: names ending in \"%2\" are kept for unfinished "
                     "downloads")
                     .arg(target, QLatin1String(kPartialSuffix));
        close();
        return false;
    }
    m_partialName = QFileInfo(partialFileName(target)).fileName();
    const QByteArray partial = encoded(m_partialName);
    m_fd = ::openat(m_folder, partial.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        *error = QStringLiteral("Cannot create the file %1: %2").arg(path(), systemError());
        close();
        return false;
    }
    // Two downloads into one file would spoil each other's parts.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK
                     ? QStringLiteral("%1 is being written by another download").arg(path())
                     : QStringLiteral("Cannot lock %1: %2").arg(path(), systemError());
        close();
        return false;
    }
    struct stat own {};
    if (::fstat(m_fd, &own) != 0 || !S_ISREG(own.st_mode) || own.st_nlink != 1) {
        // Another name of the same file would change with it.
        *error = QStringLiteral("%1 is not a plain file of its own; it is left alone").arg(path());
        close();
        return false;
    }
    return true;
}

bool DownloadFile::truncate(QString* error) {
    if (m_direct)
        return true;
    if (::ftruncate(m_fd, 0) != 0) {
        *error = QStringLiteral("Cannot empty %1: %2").arg(path(), systemError());
        return false;
    }
    return true;
}

bool DownloadFile::reserve(qint64 size, qint64 present, QString* error) {
    if (m_direct || size <= 0)
        return true;
    struct statvfs disk {};
    if (::fstatvfs(m_fd, &disk) == 0) {
        const qint64 unit = qint64(disk.f_frsize ? disk.f_frsize : disk.f_bsize);
        const qint64 available = qint64(disk.f_bavail) * unit;
        const qint64 needed = qMax<qint64>(0, size - qMax<qint64>(0, present));
        if (needed > available) {
            *error = QStringLiteral(
                         "There is not enough free space for %1: it needs %L2 bytes "
                         "more, %L3 are free")
                         .arg(m_folderPath + QLatin1Char('/') + m_name)
                         .arg(needed)
                         .arg(available);
            return false;
        }
        if (needed + roomToSpare(qint64(disk.f_blocks) * unit) <= available &&
            ::fallocate(m_fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
            *error = QStringLiteral("Cannot reserve %1 bytes for %2: %3")
                         .arg(size)
                         .arg(path(), systemError());
            return false;
        }
    }
    if (::ftruncate(m_fd, size) != 0) {
        *error = QStringLiteral("Cannot set the size of %1: %2").arg(path(), systemError());
        return false;
    }
    return true;
}

void DownloadFile::leave(const QList<TransferPart>& parts, bool resumable) {
    if (m_fd < 0 || m_direct)
        return;
    qint64 written = 0;
    for (const TransferPart& part : parts)
        written += part.bytesDone;
    if (written <= 0 || !resumable) {
        ::unlinkat(m_folder, encoded(m_partialName).constData(), 0);
    } else {
        for (const TransferPart& part : parts) {
            const qint64 from = part.start + part.bytesDone;
            if (part.length > part.bytesDone)
                ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, from,
                            part.length - part.bytesDone);
        }
    }
    close();
}

bool DownloadFile::transform(const std::function<QString(int from, int to)>& produce,
                             QString* error) {
    if (m_direct)
        return true;
    // A fresh name beside it, as reserved as the partial file's own.
    QString name;
    int fresh = -1;
    for (int attempt = 0; attempt < 100 && fresh < 0; ++attempt) {
        name =
            QFileInfo(partialFileName(m_folderPath + QLatin1Char('/') + m_name + QLatin1Char('~') +
                                      QString::number(QRandomGenerator::global()->generate(), 36)))
                .fileName();
        fresh = ::openat(m_folder, encoded(name).constData(),
                         O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fresh < 0 && errno != EEXIST)
            break;
    }
    if (fresh < 0) {
        *error = QStringLiteral("Cannot create a file in %1: %2").arg(m_folderPath, systemError());
        return false;
    }
    const QString failure = produce(m_fd, fresh);
    if (!failure.isEmpty() || ::renameat(m_folder, encoded(name).constData(), m_folder,
                                         encoded(m_partialName).constData()) != 0) {
        *error = failure.isEmpty() ? QStringLiteral("Cannot rename %1: %2").arg(name, systemError())
                                   : failure;
        ::unlinkat(m_folder, encoded(name).constData(), 0);
        ::close(fresh);
        return false;
    }
    ::close(m_fd);
    m_fd = fresh;
    return true;
}

void DownloadFile::setTime(qint64 secondsSinceEpoch) {
    if (m_fd < 0 || m_direct)
        return;
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(secondsSinceEpoch);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::futimens(m_fd, times);
}

bool DownloadFile::commit(bool keepExisting, QString* committed, QString* error) {
    *committed = m_folderPath + QLatin1Char('/') + m_name;
    if (m_direct)
        return true;
    const QByteArray partial = encoded(m_partialName);
    if (!keepExisting) {
        if (::renameat(m_folder, partial.constData(), m_folder, encoded(m_name).constData()) == 0)
            return true;
        *error = QStringLiteral("Cannot save %1: %2").arg(*committed, systemError());
        return false;
    }
    QString candidate = *committed;
    int failure = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QByteArray name = encoded(QFileInfo(candidate).fileName());
        int result = ::renameat2(m_folder, partial.constData(), m_folder, name.constData(),
                                 RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a new link fails on a taken name just the same.
            result = ::linkat(m_folder, partial.constData(), m_folder, name.constData(), 0);
            if (result == 0)
                ::unlinkat(m_folder, partial.constData(), 0);
        }
        failure = errno;
        if (candidate != *committed)
            releaseLocalFile(candidate);  // from now on the file keeps the name taken
        if (result == 0) {
            *committed = candidate;
            return true;
        }
        if (failure != EEXIST)
            break;
        // Taken meanwhile: the next free name, as a name is chosen at the start.
        candidate = claimLocalFile(m_folderPath, m_name);
    }
    *error = QStringLiteral("Cannot save %1: %2")
                 .arg(*committed, QString::fromLocal8Bit(std::strerror(failure)));
    return false;
}
