// Small helpers shared by the libFuzzer targets.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline QByteArrayView bytesOf(const uint8_t* data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken promise of the code under test: reported like a crash, so libFuzzer
// keeps the input that shows it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// The parts of an input separated by `separator`, at most `limit` of them (the
// last keeps the rest), so one input can carry several fields.
inline QList<QByteArrayView> split(QByteArrayView input, char separator, qsizetype limit) {
    QList<QByteArrayView> parts;
    while (parts.size() + 1 < limit) {
        const qsizetype at = input.indexOf(separator);
        if (at < 0) {
            break;
        }
        parts.append(input.first(at));
        input = input.sliced(at + 1);
    }
    parts.append(input);
    return parts;
}

// The application object Qt's networking and file code need, made once.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* application =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    Q_UNUSED(application);
}

// A folder of the run's own, removed at exit.
inline const QTemporaryDir& scratch() {
    static QTemporaryDir folder;
    return folder;
}

inline void writeFile(const QString& path, QByteArrayView bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    file.write(bytes.data(), bytes.size());
}

}  // namespace fuzz
