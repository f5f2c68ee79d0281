// libFuzzer target: the INI reader and writer under "Favorites.Config". A
// file read and written back unchanged is the same file; a value set in an
// existing section reads back, and no other section changes.
#include "FuzzSupport.h"
#include "IniFile.h"

namespace {

QString path(const char* name) {
    return fuzz::scratch().filePath(QString::fromLatin1(name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ensureApplication();
    fuzz::writeFile(path("in.ini"), fuzz::bytesOf(data, size));
    IniFile ini = IniFile::load(path("in.ini"));
    ini.save(path("out.ini"));
    FUZZ_CHECK(IniFile::load(path("out.ini")).lines() == ini.lines());

    const QStringList sections = ini.sections();
    for (const QString& section : sections) {
        FUZZ_CHECK(ini.hasSection(section));
    }
    if (sections.isEmpty()) {
        return 0;
    }
    // A typed value, line breaks and outer blanks included.
    const QString section = sections[size % sections.size()];
    const QString typed = QStringLiteral(" a\r\nb= [c] ");
    QStringList before;
    for (const QString& other : sections) {
        before.append(ini.value(other, QStringLiteral("Server")));
    }
    ini.setValue(section, QStringLiteral("Server"), typed);
    ini.save(path("out.ini"));
    const IniFile again = IniFile::load(path("out.ini"));
    FUZZ_CHECK(again.value(section, QStringLiteral("Server")) == QStringLiteral("a  b= [c]"));
    FUZZ_CHECK(again.sections() == sections);
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (sections[i].compare(section, Qt::CaseInsensitive) != 0) {
            FUZZ_CHECK(again.value(sections[i], QStringLiteral("Server")) == before[i]);
        }
    }
    return 0;
}
