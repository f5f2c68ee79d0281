#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// How versions of updates compare.
enum class TclVersionFormat {
    vfStandard,  // dotted: each part weighs 1000 times its right neighbour
    vfNumber,    // one decimal integer
};

// The value a version counts for, in 32-bit signed arithmetic (a dotted
// version of more than four parts wraps around, as it always has). A part that
// is not a decimal number counts 0.
qint32 versionValue(const QString& version, TclVersionFormat format);
// True when `newVersion` counts strictly more than `actualVersion`.
bool isNewerVersion(const QString& newVersion, const QString& actualVersion,
                    TclVersionFormat format);

// The first line of a script's log holding one of `words` as a whole word
// (case-insensitive; a word stands between the line's ends or blanks), or
// empty when no line does.
QString firstErrorLine(const QString& log, const QStringList& words);

// The script with "$(app)" and "$(update)" replaced, in any case.
QStringList expandScriptMacros(const QStringList& script, const QString& applicationFolder,
                               const QString& updateFolder);

// "Version" of the section "Corvanta" in a release file (an INI text; names
// compared without regard to case), 0 when absent or not a number.
int releaseNumber(QByteArrayView iniText);
