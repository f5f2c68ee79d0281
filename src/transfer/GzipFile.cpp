#include "GzipFile.h"

#include <zlib.h>
#include <QFile>

QString gunzipFile(const QString& source, const QString& target, qint64 outputLimit) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(source, in.errorString());
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("Cannot create %1: %2").arg(target, out.errorString());

    z_stream stream{};
    // 16 + MAX_WBITS: gzip wrapper only, so exactly the layer the server added.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return QStringLiteral("Cannot start decompression");
    QByteArray input(64 * 1024, Qt::Uninitialized);
    QByteArray output(256 * 1024, Qt::Uninitialized);
    qint64 written = 0;
    int result = Z_OK;
    QString error;
    bool sawInput = false;
    while (error.isEmpty()) {
        const qint64 got = in.read(input.data(), input.size());
        if (got < 0) {
            error = QStringLiteral("Cannot read %1").arg(source);
            break;
        }
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
            if (produced > 0 && out.write(output.constData(), produced) != produced) {
                error = QStringLiteral("Cannot write %1: %2").arg(target, out.errorString());
                break;
            }
            if (result == Z_BUF_ERROR && produced == 0)
                break;
        }
    }
    inflateEnd(&stream);
    if (error.isEmpty() && sawInput && result != Z_STREAM_END)
        error = QStringLiteral("The compressed data ends too early");
    out.close();
    if (!error.isEmpty())
        out.remove();
    return error;
}
