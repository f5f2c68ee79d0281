// libFuzzer target: what the update check reads from the update server — the
// update list, with the local record it keeps, and the release file — and the
// versions in them. Whatever is read from a list must survive being written to
// the record and read back, or an update's state is lost.
#include "FuzzSupport.h"
#include "TclUpdateInfo.h"
#include "UpdateRules.h"

namespace {

bool same(const TclUpdateInfoItem& a, const TclUpdateInfoItem& b) {
    if (a.resourceState.segments.size() != b.resourceState.segments.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.resourceState.segments.size(); ++i) {
        const TransferPart& x = a.resourceState.segments[i];
        const TransferPart& y = b.resourceState.segments[i];
        if (x.start != y.start || x.length != y.length || x.bytesDone != y.bytesDone) {
            return false;
        }
    }
    return a.url == b.url && a.version == b.version && a.size == b.size &&
           a.localFile == b.localFile && a.updateDate == b.updateDate && a.status == b.status &&
           a.script == b.script && a.terminate == b.terminate && a.sha256 == b.sha256 &&
           (a.resourceState.segments.isEmpty() ||
            a.resourceState.resourceSize == b.resourceState.resourceSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TclUpdateInfo read = readUpdateInfo(fuzz::bytesOf(data, size));
    const TclUpdateInfo again = readUpdateInfo(writeUpdateInfo(read));
    FUZZ_CHECK(again.size() == read.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        FUZZ_CHECK(same(read[i], again[i]));
        read[i].resourceState.isUsable();
        isNewerVersion(read[i].version, QStringLiteral("0.08"), TclVersionFormat::vfStandard);
        versionValue(read[i].version, TclVersionFormat::vfNumber);
    }
    releaseNumber(fuzz::bytesOf(data, size));
    return 0;
}
