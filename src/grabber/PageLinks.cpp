#include "PageLinks.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <vector>

#include "MarkupNesting.h"

namespace {

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        uchar low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p <= more || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= more; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        }
        p += more + 1;
    }
    return true;
}

// Text with, for every byte of it and one past its end, the offset of the
// byte it came from in an original. An empty map means "the same offsets".
struct MappedText {
    QByteArray text;
    std::vector<qsizetype> source;

    qsizetype origin(qsizetype at) const { return source.empty() ? at : source[size_t(at)]; }
};

// The page as UTF-8 for the parser.
MappedText parserText(QByteArrayView page) {
    MappedText result;
    if (isUtf8(page)) {
        result.text = page.toByteArray();
        return result;
    }
    result.text.reserve(page.size() + page.size() / 8);
    result.source.reserve(size_t(page.size() + page.size() / 8 + 1));
    for (qsizetype i = 0; i < page.size(); ++i) {
        const uchar byte = uchar(page[i]);
        if (byte < 0x80) {
            result.text.append(char(byte));
            result.source.push_back(i);
        } else {
            result.text.append(char(0xC0 | (byte >> 6)));
            result.text.append(char(0x80 | (byte & 0x3F)));
            result.source.push_back(i);
            result.source.push_back(i);
        }
    }
    result.source.push_back(page.size());
    return result;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char32_t digitValue(char c) {
    return c <= '9' ? char32_t(c - '0') : char32_t((c | 0x20) - 'a' + 10);
}

void appendUtf8(QByteArray& out, char32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    out.append(QString::fromUcs4(&code, 1).toUtf8());
}

// An attribute's text as written with the character references a URL may
// hold decoded (numeric ones and the five of XML), mapped to the written bytes.
MappedText decodeReferences(QByteArrayView raw) {
    MappedText result;
    if (!raw.contains('&')) {
        result.text = raw.toByteArray();
        return result;
    }
    static const struct {
        const char* name;
        char value;
    } kNamed[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    qsizetype i = 0;
    const auto put = [&](const QByteArray& bytes, qsizetype from) {
        for (char c : bytes) {
            result.text.append(c);
            result.source.push_back(from);
        }
    };
    while (i < raw.size()) {
        if (raw[i] == '&') {
            const QByteArrayView rest = raw.sliced(i + 1);
            qsizetype used = 0;
            QByteArray decoded;
            if (rest.startsWith('#')) {
                const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
                qsizetype j = hex ? 2 : 1;
                char32_t code = 0;
                const qsizetype digits = j;
                while (j < rest.size() &&
                       (hex ? isHexDigit(rest[j]) : (rest[j] >= '0' && rest[j] <= '9'))) {
                    code =
                        std::min<char32_t>(0x110000, code * (hex ? 16 : 10) + digitValue(rest[j]));
                    ++j;
                }
                if (j > digits) {
                    if (j < rest.size() && rest[j] == ';')
                        ++j;
                    appendUtf8(decoded, code);
                    used = j + 1;
                }
            } else {
                for (const auto& named : kNamed) {
                    if (rest.startsWith(named.name)) {
                        decoded = QByteArray(1, named.value);
                        used = qsizetype(qstrlen(named.name)) + 1;
                        break;
                    }
                }
            }
            if (used > 0) {
                put(decoded, i);
                i += used;
                continue;
            }
        }
        put(QByteArray(1, raw[i]), i);
        ++i;
    }
    result.source.push_back(raw.size());
    return result;
}

bool isCssSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool endsWithAny(const QString& path, std::initializer_list<const char*> suffixes) {
    for (const char* suffix : suffixes) {
        if (path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// A style sheet's url() or string at [start, end): the text with its escapes decoded.
QString cssValue(QByteArrayView sheet, qsizetype start, qsizetype end) {
    QByteArray out;
    for (qsizetype i = start; i < end; ++i) {
        if (sheet[i] != '\\' || i + 1 >= end) {
            out.append(sheet[i]);
            continue;
        }
        ++i;
        if (sheet[i] == '\n' || sheet[i] == '\r' || sheet[i] == '\f')
            continue;  // a line continued
        if (!isHexDigit(sheet[i])) {
            out.append(sheet[i]);
            continue;
        }
        char32_t code = 0;
        int digits = 0;
        while (i < end && digits < 6 && isHexDigit(sheet[i])) {
            code = code * 16 + digitValue(sheet[i]);
            ++i;
            ++digits;
        }
        if (i < end && isCssSpace(sheet[i])) {
            ++i;
        }
        --i;
        appendUtf8(out, code);
    }
    return QString::fromUtf8(out).trimmed();
}

PageLink::Kind styleUrlKind(const QString& value) {
    QString path = value.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('#'), 0, 0);
    return endsWithAny(path, {".woff", ".woff2", ".ttf", ".otf", ".eot", ".sfnt"})
               ? PageLink::Kind::Font
               : PageLink::Kind::Image;
}

// The end of a quoted string starting at `open`; the sheet's end when it never closes.
qsizetype stringEnd(QByteArrayView sheet, qsizetype open) {
    const char quote = sheet[open];
    qsizetype i = open + 1;
    while (i < sheet.size() && sheet[i] != quote && sheet[i] != '\n') {
        if (sheet[i] == '\\')
            ++i;
        ++i;
    }
    return std::min(i, sheet.size());
}

// srcset: comma-separated candidates, each a URL and descriptors.
QList<PageLink> srcsetLinks(QByteArrayView text, PageLink::Kind kind) {
    QList<PageLink> links;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && (isCssSpace(text[i]) || text[i] == ','))
            ++i;
        const qsizetype start = i;
        while (i < text.size() && !isCssSpace(text[i]))
            ++i;
        qsizetype end = i;
        const bool trailingComma = end > start && text[end - 1] == ',';
        while (end > start && text[end - 1] == ',')
            --end;
        if (end > start) {
            PageLink link;
            link.kind = kind;
            link.value = QString::fromUtf8(text.sliced(start, end - start));
            link.offset = start;
            link.length = end - start;
            links.append(link);
        }
        if (trailingComma)
            continue;
        int depth = 0;  // descriptors may hold parentheses
        while (i < text.size() && (text[i] != ',' || depth > 0)) {
            if (text[i] == '(')
                ++depth;
            else if (text[i] == ')' && depth > 0)
                --depth;
            ++i;
        }
    }
    return links;
}

// Gumbo's allocations on a list of their own, so the whole tree goes in one
// loop: its own tree destruction recurses once per level of nesting.
class ParserHeap {
public:
    ~ParserHeap() {
        while (m_first) {
            Block* next = m_first->next;
            std::free(m_first);
            m_first = next;
        }
    }

    static void* allocate(void* heap, size_t size) {
        auto* self = static_cast<ParserHeap*>(heap);
        auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size));
        if (!block)
            std::abort();  // as gumbo's own allocator: it cannot go on without memory
        block->previous = nullptr;
        block->next = self->m_first;
        if (self->m_first)
            self->m_first->previous = block;
        self->m_first = block;
        return block + 1;
    }

    static void release(void* heap, void* pointer) {
        if (!pointer)
            return;
        auto* self = static_cast<ParserHeap*>(heap);
        Block* block = static_cast<Block*>(pointer) - 1;
        if (block->previous)
            block->previous->next = block->next;
        else
            self->m_first = block->next;
        if (block->next)
            block->next->previous = block->previous;
        std::free(block);
    }

private:
    struct alignas(16) Block {
        Block* previous;
        Block* next;
    };
    Block* m_first = nullptr;
};

struct Collected {
    QList<PageLink> frames;
    QList<PageLink> anchors;
    QList<PageLink> images;
    QList<PageLink> requisites;
    std::optional<PageLink> base;
    bool baseSeen = false;  // an empty "href" counts too: it names the page itself
};

bool hasToken(const char* text, const char* token) {
    const QList<QByteArray> words = QByteArray(text).toLower().simplified().split(' ');
    return words.contains(QByteArray(token));
}

class Collector {
public:
    explicit Collector(const MappedText& text) : m_text(text) {}

    // Returns the deepest nesting of elements.
    int visit(const GumboNode* node, Collected& out) {
        // Iterative: a page of deeply nested tags cannot exhaust the stack.
        std::vector<std::pair<const GumboNode*, int>> stack{{node, 0}};
        int deepest = 0;
        while (!stack.empty()) {
            const auto [current, depth] = stack.back();
            stack.pop_back();
            if (current->type != GUMBO_NODE_ELEMENT && current->type != GUMBO_NODE_TEMPLATE &&
                current->type != GUMBO_NODE_DOCUMENT)
                continue;
            deepest = std::max(deepest, depth);
            const GumboVector* children = current->type == GUMBO_NODE_DOCUMENT
                                              ? &current->v.document.children
                                              : &current->v.element.children;
            if (current->type != GUMBO_NODE_DOCUMENT)
                collect(current, out);
            for (unsigned i = children->length; i > 0; --i)
                stack.push_back({static_cast<const GumboNode*>(children->data[i - 1]), depth + 1});
        }
        return deepest;
    }

private:
    void collect(const GumboNode* node, Collected& out) {
        // Elements the parser copied (formatting elements reopened after a
        // misnested tag) carry the original's attributes: counted once.
        if (node->parse_flags & (GUMBO_INSERTION_ADOPTION_AGENCY_CLONED |
                                 GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT))
            return;
        const GumboElement& element = node->v.element;
        const bool svg = element.tag_namespace == GUMBO_NAMESPACE_SVG;
        QList<PageLink>& requisites = out.requisites;
        switch (element.tag) {
            case GUMBO_TAG_FRAME:
            case GUMBO_TAG_IFRAME:
                add(element, "src", PageLink::Kind::Frame, out.frames);
                break;
            case GUMBO_TAG_A:
                add(element, "href", PageLink::Kind::Anchor, out.anchors);
                break;
            case GUMBO_TAG_IMG:
                add(element, "src", PageLink::Kind::Image, out.images);
                addSrcset(element, requisites);
                break;
            case GUMBO_TAG_IMAGE:
                if (svg && !add(element, "href", PageLink::Kind::Image, requisites))
                    add(element, "xlink:href", PageLink::Kind::Image, requisites);
                break;
            case GUMBO_TAG_LINK:
                addLinkElement(element, requisites);
                break;
            case GUMBO_TAG_SCRIPT:
                if (!svg)
                    add(element, "src", PageLink::Kind::Script, requisites);
                break;
            case GUMBO_TAG_STYLE:
                addStyleElement(node, requisites);
                break;
            case GUMBO_TAG_SOURCE:
                add(element, "src", PageLink::Kind::Media, requisites);
                addSrcset(element, requisites);
                break;
            case GUMBO_TAG_VIDEO:
                add(element, "poster", PageLink::Kind::Image, requisites);
                add(element, "src", PageLink::Kind::Media, requisites);
                break;
            case GUMBO_TAG_AUDIO:
            case GUMBO_TAG_TRACK:
                add(element, "src", PageLink::Kind::Media, requisites);
                break;
            case GUMBO_TAG_INPUT: {
                const GumboAttribute* type = gumbo_get_attribute(&element.attributes, "type");
                if (type && type->value && qstricmp(type->value, "image") == 0)
                    add(element, "src", PageLink::Kind::Image, requisites);
                break;
            }
            case GUMBO_TAG_EMBED:
                add(element, "src", PageLink::Kind::Data, requisites);
                break;
            case GUMBO_TAG_OBJECT:
                add(element, "data", PageLink::Kind::Data, requisites);
                break;
            case GUMBO_TAG_BODY:
            case GUMBO_TAG_TABLE:
            case GUMBO_TAG_TD:
            case GUMBO_TAG_TH:
                add(element, "background", PageLink::Kind::Image, requisites);
                break;
            case GUMBO_TAG_BASE:
                if (!out.baseSeen && node->parent && node->parent->type == GUMBO_NODE_ELEMENT &&
                    node->parent->v.element.tag == GUMBO_TAG_HEAD &&
                    gumbo_get_attribute(&element.attributes, "href")) {
                    out.baseSeen = true;
                    QList<PageLink> found;
                    add(element, "href", PageLink::Kind::Base, found);
                    if (!found.isEmpty())
                        out.base = found.first();
                }
                break;
            default:
                break;
        }
        if (const GumboAttribute* style = gumbo_get_attribute(&element.attributes, "style"))
            addStyleText(attributeText(style), true, requisites);
    }

    void addLinkElement(const GumboElement& element, QList<PageLink>& links) {
        const GumboAttribute* rel = gumbo_get_attribute(&element.attributes, "rel");
        if (!rel || !rel->value)
            return;
        if (hasToken(rel->value, "stylesheet")) {
            add(element, "href", PageLink::Kind::Stylesheet, links);
            return;
        }
        if (hasToken(rel->value, "icon") || hasToken(rel->value, "apple-touch-icon") ||
            hasToken(rel->value, "apple-touch-icon-precomposed") ||
            hasToken(rel->value, "mask-icon")) {
            add(element, "href", PageLink::Kind::Image, links);
            return;
        }
        if (hasToken(rel->value, "modulepreload")) {
            add(element, "href", PageLink::Kind::Script, links);
            return;
        }
        if (!hasToken(rel->value, "preload"))
            return;
        const GumboAttribute* as = gumbo_get_attribute(&element.attributes, "as");
        const QByteArray type = as && as->value ? QByteArray(as->value).toLower() : QByteArray();
        if (type == "style")
            add(element, "href", PageLink::Kind::Stylesheet, links);
        else if (type == "script")
            add(element, "href", PageLink::Kind::Script, links);
        else if (type == "font")
            add(element, "href", PageLink::Kind::Font, links);
        else if (type == "image")
            add(element, "href", PageLink::Kind::Image, links);
    }

    // Where an attribute's value is written in the parser's text, quotes
    // left out; empty when it is not from the text.
    struct Span {
        qsizetype start = 0;
        qsizetype length = -1;
    };
    Span attributeText(const GumboAttribute* attribute) const {
        const GumboStringPiece& original = attribute->original_value;
        const char* begin = m_text.text.constData();
        if (!original.data || original.data < begin ||
            original.data + original.length > begin + m_text.text.size())
            return {};
        qsizetype start = original.data - begin;
        qsizetype length = qsizetype(original.length);
        if (length >= 2 && (original.data[0] == '"' || original.data[0] == '\'') &&
            original.data[length - 1] == original.data[0]) {
            ++start;
            length -= 2;
        }
        return {start, length};
    }

    bool add(const GumboElement& element, const char* name, PageLink::Kind kind,
             QList<PageLink>& links) {
        const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
        if (!attribute || !attribute->value || !*attribute->value)
            return false;
        const Span span = attributeText(attribute);
        if (span.length <= 0)
            return false;
        return append(kind, QString::fromUtf8(attribute->value), span.start, span.length, links);
    }

    void addSrcset(const GumboElement& element, QList<PageLink>& links) {
        const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, "srcset");
        if (!attribute)
            return;
        const Span span = attributeText(attribute);
        if (span.length <= 0)
            return;
        const MappedText decoded =
            decodeReferences(QByteArrayView(m_text.text).sliced(span.start, span.length));
        for (const PageLink& found : srcsetLinks(decoded.text, PageLink::Kind::Image))
            appendMapped(found, decoded, span.start, links);
    }

    void addStyleElement(const GumboNode* node, QList<PageLink>& links) {
        const GumboVector& children = node->v.element.children;
        for (unsigned i = 0; i < children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(children.data[i]);
            if (child->type != GUMBO_NODE_TEXT && child->type != GUMBO_NODE_WHITESPACE)
                continue;
            const GumboStringPiece& original = child->v.text.original_text;
            const char* begin = m_text.text.constData();
            if (!original.data || original.data < begin ||
                original.data + original.length > begin + m_text.text.size())
                continue;
            addStyleText({original.data - begin, qsizetype(original.length)}, false, links);
        }
    }

    // The url()s of style text at `span`; an attribute's text has its
    // character references decoded first, an element's text has none.
    void addStyleText(const Span& span, bool attribute, QList<PageLink>& links) {
        if (span.length <= 0)
            return;
        const QByteArrayView raw = QByteArrayView(m_text.text).sliced(span.start, span.length);
        const MappedText decoded =
            attribute ? decodeReferences(raw) : MappedText{raw.toByteArray(), {}};
        for (const PageLink& found : extractStyleLinks(decoded.text))
            appendMapped(found, decoded, span.start, links);
    }

    // A link found in a decoded part of the parser's text starting at `start`.
    void appendMapped(const PageLink& found, const MappedText& decoded, qsizetype start,
                      QList<PageLink>& links) {
        const qsizetype from = start + decoded.origin(found.offset);
        const qsizetype to = start + decoded.origin(found.offset + found.length);
        append(found.kind, found.value, from, to - from, links);
    }

    bool append(PageLink::Kind kind, const QString& value, qsizetype start, qsizetype length,
                QList<PageLink>& links) {
        if (length <= 0 || value.isEmpty() || !m_seen.insert(start).second)
            return false;
        PageLink link;
        link.kind = kind;
        link.value = value;
        link.offset = m_text.origin(start);
        link.length = m_text.origin(start + length) - link.offset;
        links.append(link);
        return true;
    }

    const MappedText& m_text;
    std::set<qsizetype> m_seen;
};

}  // namespace

bool isRequisite(PageLink::Kind kind) {
    return kind != PageLink::Kind::Anchor && kind != PageLink::Kind::Frame &&
           kind != PageLink::Kind::Base;
}

QList<PageLink> extractStyleLinks(QByteArrayView sheet) {
    QList<PageLink> links;
    const qsizetype size = sheet.size();
    bool import = false;  // the last at-rule seen was @import, not yet ended
    qsizetype i = 0;
    const auto add = [&](PageLink::Kind kind, qsizetype start, qsizetype end) {
        const QString value = cssValue(sheet, start, end);
        if (value.isEmpty())
            return;
        // Leading and trailing blanks stay outside the replaced text.
        while (start < end && isCssSpace(sheet[start]))
            ++start;
        while (end > start && isCssSpace(sheet[end - 1]))
            --end;
        PageLink link;
        link.kind = kind == PageLink::Kind::Image ? styleUrlKind(value) : kind;
        link.value = value;
        link.offset = start;
        link.length = end - start;
        links.append(link);
    };
    while (i < size) {
        const char c = sheet[i];
        if (c == '/' && i + 1 < size && sheet[i + 1] == '*') {
            const qsizetype close = sheet.indexOf("*/", i + 2);
            i = close < 0 ? size : close + 2;
        } else if (c == '"' || c == '\'') {
            const qsizetype end = stringEnd(sheet, i);
            if (import)
                add(PageLink::Kind::Stylesheet, i + 1, end);
            import = false;
            i = end + 1;
        } else if (c == '\\') {
            i += 2;
        } else if (c == '@') {
            qsizetype j = i + 1;
            while (j < size && (std::isalnum(uchar(sheet[j])) || sheet[j] == '-'))
                ++j;
            import = QByteArrayView(sheet.sliced(i + 1, j - i - 1))
                         .compare("import", Qt::CaseInsensitive) == 0;
            i = j;
        } else if ((c == 'u' || c == 'U') && i + 3 < size &&
                   sheet.sliced(i, 4).compare("url(", Qt::CaseInsensitive) == 0 &&
                   (i == 0 || !(std::isalnum(uchar(sheet[i - 1])) || sheet[i - 1] == '-' ||
                                sheet[i - 1] == '_' || sheet[i - 1] == '\\'))) {
            qsizetype j = i + 4;
            while (j < size && isCssSpace(sheet[j]))
                ++j;
            const PageLink::Kind kind = import ? PageLink::Kind::Stylesheet : PageLink::Kind::Image;
            import = false;
            if (j < size && (sheet[j] == '"' || sheet[j] == '\'')) {
                const qsizetype end = stringEnd(sheet, j);
                add(kind, j + 1, end);
                const qsizetype close = sheet.indexOf(')', end);
                i = close < 0 ? size : close + 1;
                continue;
            }
            qsizetype end = j;
            while (end < size && sheet[end] != ')') {
                if (sheet[end] == '\\')
                    ++end;
                ++end;
            }
            end = std::min(end, size);
            add(kind, j, end);
            i = end + 1;
        } else {
            if (c == ';' || c == '{' || c == '}')
                import = false;
            ++i;
        }
    }
    return links;
}

PageParse parsePage(QByteArrayView page) {
    PageParse result;
    if (page.size() > kLargestParsedPage) {
        result.refusal =
            QStringLiteral("the page is larger than %1 MB").arg(kLargestParsedPage / (1024 * 1024));
        return result;
    }
    if (markupNesting(page, kDeepestParsedNesting) > kDeepestParsedNesting) {
        result.refusal =
            QStringLiteral("its elements nest deeper than %1 levels").arg(kDeepestParsedNesting);
        return result;
    }
    const MappedText text = parserText(page);
    ParserHeap heap;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &ParserHeap::allocate;
    options.deallocator = &ParserHeap::release;
    options.userdata = &heap;
    options.max_errors = 0;
    GumboOutput* output =
        gumbo_parse_with_options(&options, text.text.constData(), size_t(text.text.size()));
    if (!output)
        return result;
    Collected collected;
    result.depth = Collector(text).visit(output->document, collected);
    // No gumbo_destroy_output(): the heap frees the tree without recursing.
    result.base = collected.base;
    result.links = collected.frames + collected.anchors + collected.images + collected.requisites;
    return result;
}

QList<PageLink> extractPageLinks(QByteArrayView page, std::optional<PageLink>* base) {
    PageParse parsed = parsePage(page);
    if (base)
        *base = parsed.base;
    return parsed.links;
}

QByteArray replaceLinks(QByteArrayView page, QList<LinkReplacement> replacements) {
    std::stable_sort(
        replacements.begin(), replacements.end(),
        [](const LinkReplacement& a, const LinkReplacement& b) { return a.offset < b.offset; });
    QByteArray out;
    out.reserve(page.size() + 256);
    qsizetype position = 0;
    for (const LinkReplacement& replacement : replacements) {
        if (replacement.offset < position || replacement.length < 0 ||
            replacement.offset + replacement.length > page.size())
            continue;
        out.append(page.sliced(position, replacement.offset - position));
        out.append(replacement.text);
        position = replacement.offset + replacement.length;
    }
    out.append(page.sliced(position));
    return out;
}
