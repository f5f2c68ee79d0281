#include "LanguageId.h"

#include <array>

namespace {

struct Primary {
    QLocale::Language language;
    int id;
};

constexpr std::array<Primary, 36> kPrimary{{
    {QLocale::Arabic, 0x01},     {QLocale::Bulgarian, 0x02},
    {QLocale::Catalan, 0x03},    {QLocale::Chinese, 0x04},
    {QLocale::Czech, 0x05},      {QLocale::Danish, 0x06},
    {QLocale::German, 0x07},     {QLocale::Greek, 0x08},
    {QLocale::English, 0x09},    {QLocale::Spanish, 0x0A},
    {QLocale::Finnish, 0x0B},    {QLocale::French, 0x0C},
    {QLocale::Hebrew, 0x0D},     {QLocale::Hungarian, 0x0E},
    {QLocale::Icelandic, 0x0F},  {QLocale::Italian, 0x10},
    {QLocale::Japanese, 0x11},   {QLocale::Korean, 0x12},
    {QLocale::Dutch, 0x13},      {QLocale::NorwegianBokmal, 0x14},
    {QLocale::Polish, 0x15},     {QLocale::Portuguese, 0x16},
    {QLocale::Romanian, 0x18},   {QLocale::Russian, 0x19},
    {QLocale::Croatian, 0x1A},   {QLocale::Slovak, 0x1B},
    {QLocale::Albanian, 0x1C},   {QLocale::Swedish, 0x1D},
    {QLocale::Thai, 0x1E},       {QLocale::Turkish, 0x1F},
    {QLocale::Indonesian, 0x21}, {QLocale::Ukrainian, 0x22},
    {QLocale::Slovenian, 0x24},  {QLocale::Estonian, 0x25},
    {QLocale::Latvian, 0x26},    {QLocale::Lithuanian, 0x27},
}};

struct Sub {
    QLocale::Language language;
    QLocale::Territory territory;
    int sub;
};

constexpr std::array<Sub, 28> kSub{{
    {QLocale::English, QLocale::UnitedKingdom, 2},
    {QLocale::English, QLocale::Australia, 3},
    {QLocale::English, QLocale::Canada, 4},
    {QLocale::English, QLocale::NewZealand, 5},
    {QLocale::English, QLocale::Ireland, 6},
    {QLocale::English, QLocale::SouthAfrica, 7},
    {QLocale::English, QLocale::Jamaica, 8},
    {QLocale::English, QLocale::Belize, 10},
    {QLocale::English, QLocale::TrinidadAndTobago, 11},
    {QLocale::English, QLocale::Zimbabwe, 12},
    {QLocale::English, QLocale::Philippines, 13},
    {QLocale::English, QLocale::India, 16},
    {QLocale::English, QLocale::Malaysia, 17},
    {QLocale::English, QLocale::Singapore, 18},
    {QLocale::German, QLocale::Switzerland, 2},
    {QLocale::German, QLocale::Austria, 3},
    {QLocale::German, QLocale::Luxembourg, 4},
    {QLocale::German, QLocale::Liechtenstein, 5},
    {QLocale::French, QLocale::Belgium, 2},
    {QLocale::French, QLocale::Canada, 3},
    {QLocale::French, QLocale::Switzerland, 4},
    {QLocale::French, QLocale::Luxembourg, 5},
    {QLocale::French, QLocale::Monaco, 6},
    {QLocale::Italian, QLocale::Switzerland, 2},
    {QLocale::Dutch, QLocale::Belgium, 2},
    {QLocale::Portuguese, QLocale::Portugal, 2},
    {QLocale::Spanish, QLocale::Mexico, 2},
    {QLocale::Swedish, QLocale::Finland, 2},
}};

}  // namespace

QString languageIdentifier(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return QStringLiteral("0409");
    int primary = 0;
    for (const Primary& entry : kPrimary) {
        if (entry.language == locale.language())
            primary = entry.id;
    }
    if (primary == 0)
        return QStringLiteral("0000");
    int sub = 1;
    for (const Sub& entry : kSub) {
        if (entry.language == locale.language() && entry.territory == locale.territory())
            sub = entry.sub;
    }
    return QStringLiteral("%1").arg((sub << 10) | primary, 4, 16, QLatin1Char('0')).toUpper();
}

QString systemLanguageIdentifier() {
    return languageIdentifier(QLocale::system());
}
