// Not a test: a program that writes blocks to the settings store until it is
// killed or its time is up, for the store's crash and two-copies tests.
//
//   registry_block_writer STORE KEY FIRST [SECONDS]
//
// Block n opens "\Software\Corvanta\KEY" and its sub-key "Detail" and writes
// every value of both from n (see blockText); after each commit it prints
// "committed n". A store failure prints "failed: ..." and exits 3. With
// SECONDS it stops after that long and prints "longest_ms" of its blocks.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "Registry.h"
#include "RegistryBlock.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: registry_block_writer STORE KEY FIRST [SECONDS]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString key = QString::fromLocal8Bit(argv[2]);
    const int first = QByteArray(argv[3]).toInt();
    const qint64 limitMs = argc > 4 ? QByteArray(argv[4]).toLongLong() * 1000 : -1;
    QElapsedTimer running;
    running.start();
    qint64 longest = 0;
    for (int n = first; limitMs < 0 || running.elapsed() < limitMs; ++n) {
        QElapsedTimer block;
        block.start();
        try {
            Registry registry(file);
            RegistryBlock::write(registry, key, n);
            registry.closeKey();
            // A reading block of the other copy's key, as a window shown meanwhile.
            if (registry.openKey(RegistryBlock::keyPath(key == "A" ? "B" : "A"), false)) {
                registry.getValueNames();
            }
        } catch (const RegistryError& error) {
            std::printf("failed: %s\n", qPrintable(error.message()));
            return 3;
        }
        longest = std::max(longest, block.elapsed());
        std::printf("committed %d\n", n);
        std::fflush(stdout);
    }
    std::printf("longest_ms %lld\n", static_cast<long long>(longest));
    return 0;
}
