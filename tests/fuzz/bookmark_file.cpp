// libFuzzer target: a bookmark file chosen for import, in either of the two
// forms it is read in. Every name that comes out is safe as a file name (the
// importer makes files and folders of them).
#include "BookmarkFile.h"
#include "FuzzSupport.h"

namespace {

void checkSafe(const QString& name) {
    FUZZ_CHECK(!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."));
    FUZZ_CHECK(!name.startsWith(u'.'));
    FUZZ_CHECK(name.toUtf8().size() <= BookmarkFile::kMaximumNameBytes);
    for (const QChar c : name) {
        FUZZ_CHECK(c.unicode() >= 32 && !QStringView(u"\\/:*?\"<>|").contains(c));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QList<TUrlRec> records =
        BookmarkFile::parseBookmarkFile(fuzz::bytesOf(data, size).toByteArray());
    for (const TUrlRec& record : records) {
        if (!record.Name.isEmpty()) {
            checkSafe(record.Name);
        }
        if (!record.Folder.isEmpty()) {
            for (const QString& part : record.Folder.split(u'\\')) {
                checkSafe(part);
            }
        }
    }
    BookmarkFile::sortRecords(records);
    BookmarkFile::writeBookmarkFile(records);
    return 0;
}
