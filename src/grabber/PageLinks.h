#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// A link the grabber follows, as it stands in a page's bytes.
struct PageLink {
    enum class Kind { Frame, Anchor, Image, Base };
    Kind kind = Kind::Anchor;
    QString value;         // the attribute's value, character references decoded
    qsizetype offset = 0;  // where the value's text starts in the page, in bytes
    qsizetype length = 0;  // its length in bytes, without quotes
};

// The links of an HTML page, parsed as a browser parses it (HTML5): the "src"
// of every frame and iframe, then the "href" of every a, then the "src" of
// every img, each group in page order; empty values are left out. A page that
// is not UTF-8 is read as Latin-1 (the bytes of ASCII-based encodings keep
// their places), and offsets always count the page's own bytes. With `base`,
// the "href" of the head's first "base" element that has one is put there
// (nothing when there is none): what the page's links are relative to.
QList<PageLink> extractPageLinks(QByteArrayView page, std::optional<PageLink>* base = nullptr);

struct LinkReplacement {
    qsizetype offset = 0;
    qsizetype length = 0;
    QByteArray text;
};

// The page with each replacement's bytes put in place of the text it names,
// every one at its own place in the page as given; all other bytes stay as
// they are. Replacements that overlap an earlier one or leave the page are
// skipped.
QByteArray replaceLinks(QByteArrayView page, QList<LinkReplacement> replacements);
