#include "ApertiumModes.h"

#include <QHash>
#include <array>

namespace ApertiumModes {

namespace {

struct Language {
    const char* box;   // the code of the language box's pairs
    const char* iso3;  // the three-letter code most modes use
    const char* alternative;
};

// The languages of the box, the pivot candidates in this order (Spanish,
// which most installed pairs share, first). Traditional Chinese has no mode.
constexpr std::array<Language, 12> kLanguages{{
    {"es", "spa", ""},
    {"en", "eng", ""},
    {"fr", "fra", "fre"},
    {"it", "ita", ""},
    {"pt", "por", ""},
    {"de", "deu", "ger"},
    {"nl", "nld", "dut"},
    {"el", "ell", "gre"},
    {"ru", "rus", ""},
    {"ja", "jpn", ""},
    {"ko", "kor", ""},
    {"zh", "zho", "cmn"},
}};

// The box's code for one side of a mode, the variant cut off first.
QString boxLanguage(QStringView side) {
    const QStringView language = side.left(side.indexOf(u'_'));
    for (const Language& known : kLanguages) {
        if (language == QLatin1String(known.box) || language == QLatin1String(known.iso3) ||
            (*known.alternative && language == QLatin1String(known.alternative))) {
            return QString::fromLatin1(known.box);
        }
    }
    return {};
}

}  // namespace

QStringList parseList(QByteArrayView listing) {
    QStringList modes;
    for (const QByteArray& line : listing.toByteArray().split('\n')) {
        const QByteArray mode = line.trimmed();
        if (!mode.isEmpty())
            modes.append(QString::fromUtf8(mode));
    }
    return modes;
}

std::optional<Direction> direction(QStringView mode) {
    const auto sides = mode.split(u'-');
    if (sides.size() != 2)
        return std::nullopt;
    Direction result{boxLanguage(sides[0]), boxLanguage(sides[1]),
                     sides[0].contains(u'_') || sides[1].contains(u'_')};
    if (result.source.isEmpty() || result.target.isEmpty() || result.source == result.target)
        return std::nullopt;
    return result;
}

QStringList route(const QStringList& modes, const QString& source, const QString& target) {
    // The one mode for each direction: plain before variant, then the first listed.
    QHash<QString, QPair<QString, bool>> best;
    for (const QString& mode : modes) {
        const std::optional<Direction> way = direction(mode);
        if (!way)
            continue;
        const QString key = way->source + u'>' + way->target;
        const auto found = best.constFind(key);
        if (found == best.cend() || (found->second && !way->variant))
            best.insert(key, {mode, way->variant});
    }
    const auto modeFor = [&best](const QString& from, const QString& to) {
        return best.value(from + u'>' + to).first;
    };
    if (const QString direct = modeFor(source, target); !direct.isEmpty())
        return {direct};
    for (const Language& pivot : kLanguages) {
        const QString via = QString::fromLatin1(pivot.box);
        const QString first = modeFor(source, via);
        const QString second = modeFor(via, target);
        if (!first.isEmpty() && !second.isEmpty())
            return {first, second};
    }
    return {};
}

}  // namespace ApertiumModes
