#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <optional>

// A text file as the editor keeps it: the bytes exactly as read, with the
// encoding they are edited in and the line end new lines get. Loading and
// saving never convert anything, so a file saved unchanged is identical byte
// for byte, whatever it holds.
enum class LineEnd { Lf, CrLf, Cr };
enum class TextEncoding { Utf8, Latin1 };

// The line end of the first line break in `bytes`; `fallback` when it has none.
LineEnd detectLineEnd(QByteArrayView bytes, LineEnd fallback = LineEnd::Lf);
QByteArray lineEndBytes(LineEnd lineEnd);

// Valid UTF-8 (NUL bytes included) is edited as UTF-8, anything else as
// single-byte Latin-1, which maps every byte to one character and back.
TextEncoding detectEncoding(QByteArrayView bytes);

// Whether every byte is ASCII (then UTF-8 and Latin-1 read it alike).
bool isAscii(QByteArrayView bytes);

// The same two findings made on a file's bytes piece by piece, as they are
// read, so a large file is never held twice.
class TextFormatProbe {
public:
    void add(QByteArrayView piece);
    // After the last piece.
    TextEncoding encoding() const;
    LineEnd lineEnd(LineEnd fallback = LineEnd::Lf) const;

private:
    bool m_utf8 = true;
    int m_follow = 0;  // continuation bytes still due
    unsigned m_code = 0;
    unsigned m_minimum = 0;
    std::optional<LineEnd> m_lineEnd;
    bool m_pendingCr = false;  // the last piece ended in the first CR
};

// A file read piece by piece. Throws AppError naming the file and the
// system's reason.
class DocumentFileReader {
public:
    static constexpr qsizetype kPieceSize = 1024 * 1024;

    explicit DocumentFileReader(const QString& path);
    // The size the file had when it was opened (it may still change).
    qint64 size() const { return m_file.size(); }
    // The next piece, valid until the next call; empty at the end.
    QByteArrayView next();

private:
    QString m_path;
    QFile m_file;
    QByteArray m_buffer;
};
QString decodeText(QByteArrayView bytes, TextEncoding encoding);
// Characters Latin-1 cannot hold become '?' (only reachable through a paste).
QByteArray encodeText(QStringView text, TextEncoding encoding);

// Number of UTF-8 bytes `text` takes (UTF-16 surrogate pairs count 4).
qsizetype utf8Length(QStringView text);

// Writes `bytes` to `path` through a temporary file that replaces it only
// once everything is written (permissions of an existing file are kept), so
// a failed save never leaves a truncated document behind. Throws AppError.
void writeDocumentFile(const QString& path, QByteArrayView bytes);

// Number of UTF-16 units the UTF-8 bytes decode to (4-byte forms count 2).
qsizetype utf16Length(QByteArrayView utf8);
