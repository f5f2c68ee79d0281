// libFuzzer target for bookmark files given to the import: both readers,
// and the rule that every name they produce is a plain file name.
// Build and run: tests/fuzz/bookmark_parsers.sh [seconds]
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "BookmarkFile.h"

namespace {

void requirePlainName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.toUtf8().size() > BookmarkFile::kMaximumNameBytes)
        std::abort();
    for (QChar c : name) {
        if (c.unicode() < 32)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray netscape = "<!DOCTYPE NETSCAPE-Bookmark-file-1>" + input;
    for (const QByteArray& content : {input, netscape}) {
        for (const TUrlRec& record : BookmarkFile::parseBookmarkFile(content)) {
            if (record.Level < 0)
                std::abort();
            if (!record.isFolder())
                requirePlainName(record.Name);
            if (!record.Folder.isEmpty()) {
                for (const QString& part : record.Folder.split(QLatin1Char('\\')))
                    requirePlainName(part);
            }
        }
    }
    return 0;
}
