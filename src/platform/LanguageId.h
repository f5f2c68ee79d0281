#pragma once

#include <QLocale>
#include <QString>

// The language identifier that captions by language are keyed with: the
// primary language in the low ten bits and the territory's sub-language above
// them, as four upper-case hexadecimal digits ("0409" English of the United
// States, "0807" German of Switzerland). A territory without its own number
// takes sub-language 1; a language without a number gives "0000"; the C
// locale counts as "0409".
QString languageIdentifier(const QLocale& locale);

// The identifier of the system's default locale.
QString systemLanguageIdentifier();
