#include "GzipFile.h"

#include <unistd.h>
#include <zlib.h>

#include <QByteArray>
#include <cerrno>
#include <cstring>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Writes all of `data`; false on an error (errno tells).
bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

}  // namespace

QString gunzipFile(int source, int target, const QString& targetName, qint64 outputLimit) {
    z_stream stream{};
    // 16 + MAX_WBITS: gzip wrapper only, so exactly the layer the server added.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return QStringLiteral("Cannot start decompression");
    QByteArray input(64 * 1024, Qt::Uninitialized);
    QByteArray output(256 * 1024, Qt::Uninitialized);
    qint64 written = 0;
    qint64 offset = 0;
    int result = Z_OK;
    QString error;
    bool sawInput = false;
    while (error.isEmpty()) {
        const ssize_t got = ::pread(source, input.data(), size_t(input.size()), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = QStringLiteral("Cannot read the compressed data: %1").arg(systemError());
            break;
        }
        offset += got;
        if (got == 0)
            break;
        sawInput = true;
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = uInt(got);
        while (stream.avail_in > 0 && error.isEmpty()) {
            if (result == Z_STREAM_END) {
                // Another gzip member follows (concatenated members form one layer).
                inflateReset(&stream);
            }
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = uInt(output.size());
            result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                error = QStringLiteral("The compressed data is damaged");
                break;
            }
            const qint64 produced = output.size() - stream.avail_out;
            written += produced;
            if (written > outputLimit) {
                error = QStringLiteral("The decompressed data exceeds the limit of %1 bytes")
                            .arg(outputLimit);
                break;
            }
            if (produced > 0 && !writeAll(target, output.constData(), produced)) {
                error = QStringLiteral("Cannot write %1: %2").arg(targetName, systemError());
                break;
            }
            if (result == Z_BUF_ERROR && produced == 0)
                break;
        }
    }
    inflateEnd(&stream);
    if (error.isEmpty() && sawInput && result != Z_STREAM_END)
        error = QStringLiteral("The compressed data ends too early");
    return error;
}
