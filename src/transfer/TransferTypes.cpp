#include "TransferTypes.h"

#include <algorithm>

QString transferStatusText(TransferStatus status) {
    switch (status) {
        case TransferStatus::Ready:
            return QStringLiteral("Ready");
        case TransferStatus::Done:
            return QStringLiteral("Done");
        case TransferStatus::Failed:
            return QStringLiteral("Failed");
        case TransferStatus::Warnings:
            return QStringLiteral("Warnings");
        case TransferStatus::Process:
            return QStringLiteral("Process");
        case TransferStatus::Stopped:
            return QStringLiteral("Stopped");
    }
    return {};
}

QList<TransferPart> splitIntoParts(qint64 size, bool randomAccess, int batchSize, int threadCount) {
    int count = 1;
    if (size > 0 && randomAccess) {
        const qint64 byBatch = size / qMax(1, batchSize);
        count = int(std::clamp<qint64>(std::min<qint64>(byBatch, threadCount), 1, 1024));
    }
    QList<TransferPart> parts;
    if (size <= 0) {
        TransferPart part;
        part.length = size == 0 ? 0 : -1;
        parts.append(part);
        return parts;
    }
    const qint64 each = size / count;
    for (int i = 0; i < count; ++i) {
        TransferPart part;
        part.start = i * each;
        part.length = i == count - 1 ? size - part.start : each;
        parts.append(part);
    }
    return parts;
}
