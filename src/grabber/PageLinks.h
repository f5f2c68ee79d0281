#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// A link the grabber follows, as it stands in a page's (or a style sheet's)
// bytes.
struct PageLink {
    enum class Kind {
        Frame,       // frame and iframe "src": a page of its own
        Anchor,      // a "href": a page
        Image,       // a picture the page shows: img, srcset, poster, icon, background
        Base,        // the head's base "href"
        Stylesheet,  // link rel=stylesheet, @import
        Script,      // script "src", preloaded scripts
        Font,        // fonts of style sheets, preloaded fonts
        Media,       // audio and video sources, text tracks
        Data,        // object "data", embed "src"
    };
    Kind kind = Kind::Anchor;
    QString value;         // the link as a browser reads it (character references decoded)
    qsizetype offset = 0;  // where its text starts in the bytes, in bytes
    qsizetype length = 0;  // its length in bytes, without quotes
};

// True for what a page needs to show itself (everything but pages and the base).
bool isRequisite(PageLink::Kind kind);

// What a page was found to link to.
struct PageParse {
    QList<PageLink> links;
    std::optional<PageLink> base;  // the head's first "base" element with an "href"
    QString refusal;               // why the page was not parsed; empty when it was
    int depth = 0;                 // the deepest nesting of elements in the parsed page
};

// Bounds of what is parsed: larger pages, and pages nested deeper, are left
// as they are (the HTML parser's time grows with the square of the nesting).
inline constexpr qsizetype kLargestParsedPage = 16 * 1024 * 1024;
inline constexpr int kDeepestParsedNesting = 512;

// The links of an HTML page, parsed as a browser parses it (HTML5): the
// "src" of every frame and iframe, then the "href" of every a, then the
// "src" of every img, each group in page order, then what the page needs to
// show itself, in page order: style sheets, scripts, icons, the candidates of
// every srcset, posters, audio and video sources, object data, backgrounds,
// and the url()s of style elements and style attributes. Empty values are
// left out. A page that is not UTF-8 is read as Latin-1 (the bytes of
// ASCII-based encodings keep their places), and offsets always count the
// page's own bytes. Pages past the bounds above get a refusal and no links.
//
// Pure and reentrant; it allocates no more than a small multiple of the page
// and uses a bounded stack (no recursion), so it suits worker threads.
PageParse parsePage(QByteArrayView page);

// The links of a style sheet (or of a style element's text): @import
// addresses as style sheets, url()s as fonts (by their extension) or
// images. Offsets count the sheet's bytes; character escapes are decoded.
QList<PageLink> extractStyleLinks(QByteArrayView sheet);

// The links of an HTML page as parsePage() finds them, base apart.
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
