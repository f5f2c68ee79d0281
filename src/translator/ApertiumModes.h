#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

// The translation modes of the offline engine, as `apertium -l` lists them
// ("eng-spa", "fr-es", "spa-eng_US"), and the way from one language of the
// language box to another through them.
namespace ApertiumModes {

// The mode names of a `apertium -l` listing: one per line, blanks around.
QStringList parseList(QByteArrayView listing);

// What a mode translates, as the language box's two-letter codes. A regional
// variant ("spa-eng_US") counts as its language and is marked; a mode that is
// no plain translation between two languages of the box ("eco-es-fr",
// "eng-cat") has none.
struct Direction {
    QString source;
    QString target;
    bool variant = false;
};
std::optional<Direction> direction(QStringView mode);

// The modes that carry `source` to `target` (two-letter codes): one direct
// mode, or two through a pivot language, Spanish first. A plain mode is taken
// before a regional variant. Empty when the installed modes cannot do it.
QStringList route(const QStringList& modes, const QString& source, const QString& target);

}  // namespace ApertiumModes
