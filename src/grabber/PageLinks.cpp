#include "PageLinks.h"

#include <gumbo.h>

#include <QStringDecoder>
#include <algorithm>
#include <set>
#include <vector>

namespace {

bool isUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// The page as UTF-8 for the parser, and for every byte of that text the
// offset of the page byte it came from.
struct ParserText {
    QByteArray text;
    std::vector<qsizetype> source;  // empty when the text is the page itself
};

ParserText parserText(QByteArrayView page) {
    ParserText result;
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

struct Collected {
    QList<PageLink> frames;
    QList<PageLink> anchors;
    QList<PageLink> images;
    std::optional<PageLink> base;
    bool baseSeen = false;  // an empty "href" counts too: it names the page itself
};

class Collector {
public:
    Collector(const ParserText& text) : m_text(text) {}

    void visit(const GumboNode* node, Collected& out) {
        // Iterative: a page of deeply nested tags cannot exhaust the stack.
        std::vector<const GumboNode*> stack{node};
        while (!stack.empty()) {
            const GumboNode* current = stack.back();
            stack.pop_back();
            if (current->type != GUMBO_NODE_ELEMENT && current->type != GUMBO_NODE_TEMPLATE &&
                current->type != GUMBO_NODE_DOCUMENT)
                continue;
            const GumboVector* children = current->type == GUMBO_NODE_DOCUMENT
                                              ? &current->v.document.children
                                              : &current->v.element.children;
            if (current->type != GUMBO_NODE_DOCUMENT)
                collect(current, out);
            for (unsigned i = children->length; i > 0; --i)
                stack.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
        }
    }

private:
    void collect(const GumboNode* node, Collected& out) {
        // Elements the parser copied (formatting elements reopened after a
        // misnested tag) carry the original's attributes: counted once.
        if (node->parse_flags & (GUMBO_INSERTION_ADOPTION_AGENCY_CLONED |
                                 GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT))
            return;
        const GumboElement& element = node->v.element;
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
    }

    void add(const GumboElement& element, const char* name, PageLink::Kind kind,
             QList<PageLink>& links) {
        const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
        if (!attribute || !attribute->value || !*attribute->value)
            return;
        const GumboStringPiece& original = attribute->original_value;
        const char* begin = m_text.text.constData();
        if (!original.data || original.data < begin ||
            original.data + original.length > begin + m_text.text.size())
            return;  // not from the page's text
        qsizetype start = original.data - begin;
        qsizetype length = qsizetype(original.length);
        if (length >= 2 && (original.data[0] == '"' || original.data[0] == '\'') &&
            original.data[length - 1] == original.data[0]) {
            ++start;
            length -= 2;
        }
        if (length <= 0 || !m_seen.insert(start).second)
            return;
        PageLink link;
        link.kind = kind;
        link.value = QString::fromUtf8(attribute->value);
        if (m_text.source.empty()) {
            link.offset = start;
            link.length = length;
        } else {
            link.offset = m_text.source[size_t(start)];
            link.length = m_text.source[size_t(start + length)] - link.offset;
        }
        links.append(link);
    }

    const ParserText& m_text;
    std::set<qsizetype> m_seen;
};

}  // namespace

QList<PageLink> extractPageLinks(QByteArrayView page, std::optional<PageLink>* base) {
    const ParserText text = parserText(page);
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output =
        gumbo_parse_with_options(&options, text.text.constData(), size_t(text.text.size()));
    if (!output)
        return {};
    Collected collected;
    Collector(text).visit(output->document, collected);
    gumbo_destroy_output(&options, output);
    if (base)
        *base = collected.base;
    return collected.frames + collected.anchors + collected.images;
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
