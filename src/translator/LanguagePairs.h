#pragma once

#include <QString>
#include <array>

// The language pairs of the translator, in the order of its language box.
struct LanguagePair {
    const char* caption;
    const char* code;  // as the translation services expect it in "lp="
};

inline constexpr std::array<LanguagePair, 36> kLanguagePairs{{
    {"Chinese-simp to English", "zh_en"}, {"Chinese-trad to English", "zt_en"},
    {"English to Chinese-simp", "en_zh"}, {"English to Chinese-trad", "en_zt"},
    {"English to Dutch", "en_nl"},        {"English to French", "en_fr"},
    {"English to German", "en_de"},       {"English to Greek", "en_el"},
    {"English to Italian", "en_it"},      {"English to Japanese", "en_ja"},
    {"English to Korean", "en_ko"},       {"English to Portuguese", "en_pt"},
    {"English to Russian", "en_ru"},      {"English to Spanish", "en_es"},
    {"Dutch to English", "nl_en"},        {"Dutch to French", "nl_fr"},
    {"French to Dutch", "fr_nl"},         {"French to English", "fr_en"},
    {"French to German", "fr_de"},        {"French to Greek", "fr_el"},
    {"French to Italian", "fr_it"},       {"French to Portuguese", "fr_pt"},
    {"French to Spanish", "fr_es"},       {"German to English", "de_en"},
    {"German to French", "de_fr"},        {"Greek to English", "el_en"},
    {"Greek to French", "el_fr"},         {"Italian to English", "it_en"},
    {"Italian to French", "it_fr"},       {"Japanese to English", "ja_en"},
    {"Korean to English", "ko_en"},       {"Portuguese to English", "pt_en"},
    {"Portuguese to French", "pt_fr"},    {"Russian to English", "ru_en"},
    {"Spanish to English", "es_en"},      {"Spanish to French", "es_fr"},
}};

// The code of the pair at `index` of the box; "es_en" when none is selected
// (-1) or the index lies outside the table.
QString languagePairCode(int index);

// The caption of the pair that `index` stands for ("Spanish to English" when
// none is selected), for messages.
QString languagePairCaption(int index);

// The two languages of the pair that `index` stands for, as the two-letter
// codes of the pair codes ("zh" and "zt" are the two Chinese scripts).
struct PairLanguages {
    QString source;
    QString target;
};
PairLanguages pairLanguages(int index);
