#include "EngineCacheIndex.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

namespace {

// The entry file's header: magic number (8 bytes), version, key length and
// key hash (4 bytes each) and padding to 24 bytes; the key follows.
constexpr quint64 kEntryMagic = 0xfcfb6d1ba7725c30ULL;
constexpr int kHeaderSize = 24;
// Keys are addresses with short prefixes; anything longer is not an entry.
constexpr quint32 kMaxKeyLength = 64 * 1024;

}  // namespace

QString EngineCacheIndex::entryAddress(QByteArrayView head) {
    if (head.size() < kHeaderSize)
        return QString();
    if (qFromLittleEndian<quint64>(head.data()) != kEntryMagic)
        return QString();
    const quint32 keyLength = qFromLittleEndian<quint32>(head.data() + 12);
    if (keyLength == 0 || keyLength > kMaxKeyLength || head.size() - kHeaderSize < keyLength)
        return QString();
    QByteArrayView key = head.sliced(kHeaderSize, keyLength);
    // "<credentials>/<upload id>/" comes first.
    for (int slash = 0; slash < 2; ++slash) {
        const qsizetype at = key.indexOf('/');
        if (at <= 0)
            return QString();
        for (char c : key.first(at)) {
            if (c < '0' || c > '9')
                return QString();
        }
        key = key.sliced(at + 1);
    }
    // A key split by the sites that asked for it ends in a blank and the
    // address; addresses hold no blanks.
    if (key.startsWith("_dk_")) {
        const qsizetype blank = key.lastIndexOf(' ');
        if (blank < 0)
            return QString();
        key = key.sliced(blank + 1);
    }
    return QString::fromUtf8(key);
}

EngineCacheIndex EngineCacheIndex::scan(const QString& folder) {
    EngineCacheIndex index;
    if (folder.isEmpty())
        return index;
    static const QRegularExpression entryName(QStringLiteral("^[0-9a-f]{16}_0$"));
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (!entryName.match(files.fileName()).hasMatch())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray head = file.read(kHeaderSize);
        if (head.size() < kHeaderSize)
            continue;
        const quint32 keyLength = qFromLittleEndian<quint32>(head.constData() + 12);
        head += file.read(qMin(keyLength, kMaxKeyLength));
        const QString address = entryAddress(head);
        if (!address.isEmpty() && !index.m_files.contains(address))
            index.m_files.insert(address, path);
    }
    return index;
}

qint64 EngineCacheIndex::diskUsage(const QString& folder) {
    qint64 bytes = 0;
    if (folder.isEmpty())
        return bytes;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        bytes += files.fileInfo().size();
    }
    return bytes;
}
