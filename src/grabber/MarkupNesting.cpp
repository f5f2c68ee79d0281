#include "MarkupNesting.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

enum Flag : std::uint32_t {
    kVoid = 1u << 0,
    kSpecial = 1u << 1,
    kScope = 1u << 2,    // bounds every scope
    kButton = 1u << 3,   // bounds the button scope as well
    kList = 1u << 4,     // bounds the list item scope as well
    kClosesP = 1u << 5,  // its start tag closes a p in button scope
    kFormatting = 1u << 6,
    kRawText = 1u << 7,  // its content is text up to its end tag
    kHeading = 1u << 8,
    kBreakout = 1u << 9,     // leaves foreign content
    kSection = 1u << 10,     // tbody, thead, tfoot
    kLiStop = 1u << 11,      // special, and not address, div, p or li
    kDdStop = 1u << 12,      // special, and not address, div, p, dd or dt
    kTableScope = 1u << 13,  // bounds the table scope: html, table, template
    kTablePart = 1u << 14,   // its end tag looks in the table scope
};

struct Known {
    std::string_view name;
    std::uint32_t flags;
};

constexpr std::uint32_t kBlock = kSpecial | kClosesP | kLiStop | kDdStop;

// The tree builder's categories of the HTML elements that matter here.
constexpr Known kKnown[] = {
    {"address", kSpecial | kClosesP},
    {"applet", kSpecial | kScope | kLiStop | kDdStop},
    {"area", kVoid | kSpecial | kLiStop | kDdStop},
    {"article", kBlock},
    {"aside", kBlock},
    {"b", kFormatting | kBreakout},
    {"base", kVoid | kSpecial | kLiStop | kDdStop},
    {"basefont", kVoid | kSpecial | kLiStop | kDdStop},
    {"bgsound", kVoid | kSpecial | kLiStop | kDdStop},
    {"big", kFormatting | kBreakout},
    {"blockquote", kBlock | kBreakout},
    {"body", kSpecial | kBreakout},
    {"br", kVoid | kSpecial | kLiStop | kDdStop | kBreakout},
    {"button", kSpecial | kButton | kLiStop | kDdStop},
    {"caption", kSpecial | kScope | kLiStop | kDdStop | kTablePart},
    {"center", kBlock | kBreakout},
    {"code", kFormatting | kBreakout},
    {"col", kVoid | kSpecial | kLiStop | kDdStop},
    {"colgroup", kSpecial | kLiStop | kDdStop},
    {"dd", kSpecial | kClosesP | kLiStop | kBreakout},
    {"details", kBlock},
    {"dialog", kClosesP},
    {"dir", kBlock},
    {"div", kSpecial | kClosesP | kBreakout},
    {"dl", kBlock | kBreakout},
    {"dt", kSpecial | kClosesP | kLiStop | kBreakout},
    {"em", kFormatting | kBreakout},
    {"embed", kVoid | kSpecial | kLiStop | kDdStop | kBreakout},
    {"fieldset", kBlock},
    {"figcaption", kBlock},
    {"figure", kBlock},
    {"font", kFormatting},
    {"footer", kBlock},
    {"form", kBlock},
    {"frame", kVoid | kSpecial | kLiStop | kDdStop},
    {"frameset", kSpecial | kLiStop | kDdStop},
    {"h1", kBlock | kHeading | kBreakout},
    {"h2", kBlock | kHeading | kBreakout},
    {"h3", kBlock | kHeading | kBreakout},
    {"h4", kBlock | kHeading | kBreakout},
    {"h5", kBlock | kHeading | kBreakout},
    {"h6", kBlock | kHeading | kBreakout},
    {"head", kSpecial | kBreakout},
    {"header", kBlock},
    {"hgroup", kBlock},
    {"hr", kVoid | kBlock | kBreakout},
    {"html", kSpecial | kScope | kLiStop | kDdStop | kTableScope},
    {"i", kFormatting | kBreakout},
    {"iframe", kSpecial | kLiStop | kDdStop},
    {"image", kVoid},
    {"img", kVoid | kSpecial | kLiStop | kDdStop | kBreakout},
    {"input", kVoid | kSpecial | kLiStop | kDdStop},
    {"keygen", kVoid | kSpecial | kLiStop | kDdStop},
    {"li", kSpecial | kClosesP | kDdStop | kBreakout},
    {"link", kVoid | kSpecial | kLiStop | kDdStop},
    {"listing", kBlock | kBreakout},
    {"main", kBlock},
    {"marquee", kSpecial | kScope | kLiStop | kDdStop},
    {"menu", kBlock | kBreakout},
    {"meta", kVoid | kSpecial | kLiStop | kDdStop | kBreakout},
    {"nav", kBlock},
    {"nobr", kFormatting | kBreakout},
    {"noembed", kSpecial | kLiStop | kDdStop},
    {"noframes", kSpecial | kLiStop | kDdStop},
    {"noscript", kSpecial | kLiStop | kDdStop},
    {"object", kSpecial | kScope | kLiStop | kDdStop},
    {"ol", kBlock | kList | kBreakout},
    {"p", kSpecial | kClosesP | kBreakout},
    {"param", kVoid | kSpecial | kLiStop | kDdStop},
    {"plaintext", kBlock},
    {"pre", kBlock | kBreakout},
    {"ruby", kBreakout},
    {"s", kFormatting | kBreakout},
    {"script", kSpecial | kLiStop | kDdStop | kRawText},
    {"section", kBlock},
    {"select", kSpecial | kLiStop | kDdStop},
    {"small", kFormatting | kBreakout},
    {"source", kVoid | kSpecial | kLiStop | kDdStop},
    {"span", kBreakout},
    {"strike", kFormatting | kBreakout},
    {"strong", kFormatting | kBreakout},
    {"style", kSpecial | kLiStop | kDdStop | kRawText},
    {"sub", kBreakout},
    {"summary", kBlock},
    {"sup", kBreakout},
    {"table", kSpecial | kScope | kLiStop | kDdStop | kBreakout | kTableScope | kTablePart},
    {"tbody", kSpecial | kSection | kLiStop | kDdStop | kTablePart},
    {"td", kSpecial | kScope | kLiStop | kDdStop | kTablePart},
    {"template", kSpecial | kScope | kLiStop | kDdStop | kTableScope},
    {"textarea", kSpecial | kLiStop | kDdStop | kRawText},
    {"tfoot", kSpecial | kSection | kLiStop | kDdStop | kTablePart},
    {"th", kSpecial | kScope | kLiStop | kDdStop | kTablePart},
    {"thead", kSpecial | kSection | kLiStop | kDdStop | kTablePart},
    {"title", kSpecial | kLiStop | kDdStop | kRawText},
    {"tr", kSpecial | kLiStop | kDdStop | kTablePart},
    {"track", kVoid | kSpecial | kLiStop | kDdStop},
    {"tt", kFormatting | kBreakout},
    {"u", kFormatting | kBreakout},
    {"ul", kBlock | kList | kBreakout},
    {"var", kBreakout},
    {"wbr", kVoid | kSpecial | kLiStop | kDdStop},
    {"xmp", kBlock | kRawText},
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// Foreign elements where HTML rules apply again to what they hold.
bool isIntegrationPoint(std::string_view name) {
    return name == "foreignobject" || name == "desc" || name == "title" || name == "mi" ||
           name == "mo" || name == "mn" || name == "ms" || name == "mtext" ||
           name == "annotation-xml";
}

class Estimator {
public:
    Estimator(QByteArrayView page, int limit) : m_page(page), m_limit(limit) {
        for (const Known& known : kKnown)
            idOf(known.name, known.flags);
        m_html = idOf("html", 0);
        m_head = idOf("head", 0);
        m_body = idOf("body", 0);
        m_p = idOf("p", 0);
        m_li = idOf("li", 0);
        m_dd = idOf("dd", 0);
        m_dt = idOf("dt", 0);
        m_a = idOf("a", 0);
        m_br = idOf("br", 0);
        m_button = idOf("button", 0);
        m_option = idOf("option", 0);
        m_optgroup = idOf("optgroup", 0);
        m_table = idOf("table", 0);
        m_tbody = idOf("tbody", 0);
        m_tr = idOf("tr", 0);
        m_td = idOf("td", 0);
        m_th = idOf("th", 0);
        m_caption = idOf("caption", 0);
        m_colgroup = idOf("colgroup", 0);
        m_font = idOf("font", 0);
        m_svg = idOf("svg", 0);
        m_math = idOf("math", 0);
        m_plaintext = idOf("plaintext", 0);
    }

    int run();

private:
    struct Entry {
        int id;
        std::uint32_t flags;
        bool foreign;
        bool integration;
    };

    int idOf(std::string_view name, std::uint32_t flags) {
        auto found = m_ids.find(std::string(name));
        if (found != m_ids.end())
            return found->second;
        const int id = int(m_flags.size());
        m_ids.emplace(std::string(name), id);
        m_flags.push_back(flags);
        m_names.emplace_back(name);
        m_open.emplace_back();
        return id;
    }

    static int last(const std::vector<int>& positions) {
        return positions.empty() ? -1 : positions.back();
    }
    int lastScope() const { return last(m_scopes); }
    bool inForeign() const {
        return !m_stack.empty() && m_stack.back().foreign && !m_stack.back().integration;
    }
    bool tooDeep() const { return m_deepest > m_limit; }

    void push(int id, bool foreign, bool integration);
    void popTop();
    void popTo(int position, bool keepTarget = false);
    void reconstruct();
    void closeP();
    void endFormatting(int id);
    void clearBackTo(int keep);
    void startTag(int id, bool selfClosing, bool fontLeaves);
    void endTag(int id);

    // Tokenizer steps: each returns the offset after what it read, or -1 at
    // the end of the page inside it.
    qsizetype readTag(qsizetype at, bool end);
    qsizetype skipText(qsizetype from, std::string_view name) const;

    QByteArrayView m_page;
    int m_limit;
    int m_deepest = 0;
    std::unordered_map<std::string, int> m_ids;
    std::vector<std::uint32_t> m_flags;    // by id
    std::vector<std::string> m_names;      // by id
    std::vector<std::vector<int>> m_open;  // by id: positions on the stack
    std::vector<Entry> m_stack;
    std::vector<int> m_scopes, m_buttons, m_lists, m_specials, m_liStops, m_ddStops, m_headings,
        m_sections, m_tableScopes, m_htmlElements;
    std::vector<int> m_reopen;  // formatting elements closed by another's end tag
    std::string m_name;
    bool m_stopped = false;  // plaintext: the rest is text

    int m_html, m_head, m_body, m_p, m_li, m_dd, m_dt, m_a, m_br, m_button, m_option, m_optgroup,
        m_table, m_tbody, m_tr, m_td, m_th, m_caption, m_colgroup, m_font, m_svg, m_math,
        m_plaintext;
};

void Estimator::push(int id, bool foreign, bool integration) {
    const int position = int(m_stack.size());
    const std::uint32_t flags = foreign ? 0u : m_flags[size_t(id)];
    m_stack.push_back({id, flags, foreign, integration});
    m_open[size_t(id)].push_back(position);
    if ((flags & kScope) || integration)
        m_scopes.push_back(position);
    if (flags & kButton)
        m_buttons.push_back(position);
    if (flags & kList)
        m_lists.push_back(position);
    if ((flags & kSpecial) || integration)
        m_specials.push_back(position);
    if ((flags & kLiStop) || integration)
        m_liStops.push_back(position);
    if ((flags & kDdStop) || integration)
        m_ddStops.push_back(position);
    if (flags & kHeading)
        m_headings.push_back(position);
    if (flags & kSection)
        m_sections.push_back(position);
    if (flags & kTableScope)
        m_tableScopes.push_back(position);
    if (!foreign)
        m_htmlElements.push_back(position);
    // The document's html and body elements stand below everything.
    m_deepest = std::max(m_deepest, int(m_stack.size()) + 2);
}

void Estimator::popTop() {
    const int position = int(m_stack.size()) - 1;
    const Entry entry = m_stack.back();
    m_stack.pop_back();
    m_open[size_t(entry.id)].pop_back();
    for (std::vector<int>* positions :
         {&m_scopes, &m_buttons, &m_lists, &m_specials, &m_liStops, &m_ddStops, &m_headings,
          &m_sections, &m_tableScopes, &m_htmlElements}) {
        if (!positions->empty() && positions->back() == position)
            positions->pop_back();
    }
}

// Pops every element above `position`, and the element there unless
// `keepTarget`. Formatting elements closed this way come back at the next
// start tag, as the tree builder reopens them; leaving a scope boundary
// (a cell, a caption, ...) forgets them as its marker does.
void Estimator::popTo(int position, bool keepTarget) {
    std::vector<int> closed;
    while (int(m_stack.size()) > position + (keepTarget ? 1 : 0)) {
        const Entry& top = m_stack.back();
        const bool target = int(m_stack.size()) - 1 == position;
        if ((top.flags & kScope) || top.integration) {
            closed.clear();
            m_reopen.clear();
        } else if ((top.flags & kFormatting) && !target) {
            closed.push_back(top.id);
        }
        popTop();
    }
    m_reopen.insert(m_reopen.end(), closed.rbegin(), closed.rend());
}

void Estimator::reconstruct() {
    const std::vector<int> reopen = std::exchange(m_reopen, {});
    for (int id : reopen)
        push(id, false, false);
}

void Estimator::closeP() {
    const int p = last(m_open[size_t(m_p)]);
    if (p > std::max(lastScope(), last(m_buttons)))
        popTo(p);
}

// The adoption agency: an end tag of a formatting element with a block
// inside it moves elements about without deepening the tree; without one it
// pops to the element.
void Estimator::endFormatting(int id) {
    const int position = last(m_open[size_t(id)]);
    if (position < 0) {
        const auto reopened = std::find(m_reopen.rbegin(), m_reopen.rend(), id);
        if (reopened != m_reopen.rend())
            m_reopen.erase(std::next(reopened).base());
        return;
    }
    if (position < lastScope() || last(m_specials) > position)
        return;
    popTo(position);
}

// Pops to the element at `keep`, or to the nearest table when `keep` is
// below it; inside a table, a row or a cell gets the parents it implies.
void Estimator::clearBackTo(int keep) {
    const int table = last(m_open[size_t(m_table)]);
    if (table < 0)
        return;
    popTo(std::max(keep, table), true);
}

void Estimator::startTag(int id, bool selfClosing, bool fontLeaves) {
    if (inForeign()) {
        if (!(m_flags[size_t(id)] & kBreakout) && !(id == m_font && fontLeaves)) {
            if (!selfClosing)
                push(id, true, isIntegrationPoint(m_names[size_t(id)]));
            return;
        }
        while (inForeign())
            popTop();
    }
    if (id == m_html || id == m_head || id == m_body)
        return;
    const std::uint32_t flags = m_flags[size_t(id)];
    reconstruct();
    if (flags & kClosesP)
        closeP();
    if ((flags & kHeading) && !m_stack.empty() && (m_stack.back().flags & kHeading)) {
        popTop();
    } else if (id == m_li) {
        const int li = last(m_open[size_t(m_li)]);
        if (li > last(m_liStops))
            popTo(li);
    } else if (id == m_dd || id == m_dt) {
        const int item = std::max(last(m_open[size_t(m_dd)]), last(m_open[size_t(m_dt)]));
        if (item > last(m_ddStops))
            popTo(item);
    } else if (id == m_option || id == m_optgroup) {
        if (!m_stack.empty() && m_stack.back().id == m_option)
            popTop();
    } else if (id == m_tr) {
        clearBackTo(last(m_sections));
        if (last(m_open[size_t(m_table)]) >= 0 && m_stack.back().id == m_table)
            push(m_tbody, false, false);
    } else if (id == m_td || id == m_th) {
        const int row = last(m_open[size_t(m_tr)]);
        if (last(m_open[size_t(m_table)]) >= 0 && row > last(m_open[size_t(m_table)])) {
            clearBackTo(row);
        } else if (last(m_open[size_t(m_table)]) >= 0) {
            clearBackTo(last(m_sections));
            if (m_stack.back().id == m_table)
                push(m_tbody, false, false);
            push(m_tr, false, false);
        }
    } else if ((flags & kSection) || id == m_caption || id == m_colgroup) {
        clearBackTo(-1);
    } else if (id == m_button) {
        const int button = last(m_open[size_t(m_button)]);
        if (button >= 0 && button >= lastScope())
            popTo(button);
    } else if (id == m_a) {
        endFormatting(m_a);
    }
    if (id == m_plaintext) {
        m_stopped = true;
        return;
    }
    if ((flags & (kVoid | kRawText)) || (selfClosing && (id == m_svg || id == m_math)))
        return;
    push(id, id == m_svg || id == m_math, false);
}

void Estimator::endTag(int id) {
    if (inForeign()) {
        const int position = last(m_open[size_t(id)]);
        if (position > last(m_htmlElements)) {
            popTo(position);
            return;
        }
    }
    const std::uint32_t flags = m_flags[size_t(id)];
    if (id == m_html || id == m_body || id == m_head || id == m_br)
        return;
    const int position = last(m_open[size_t(id)]);
    if (id == m_p) {
        if (position > std::max(lastScope(), last(m_buttons)))
            popTo(position);
    } else if (id == m_li) {
        if (position > std::max(lastScope(), last(m_lists)))
            popTo(position);
    } else if (flags & kHeading) {
        const int heading = last(m_headings);
        if (heading > lastScope())
            popTo(heading);
    } else if (flags & kFormatting) {
        endFormatting(id);
    } else if (flags & kTablePart) {
        if (position >= 0 && position >= last(m_tableScopes))
            popTo(position);
    } else if (flags & kSpecial) {
        if (position >= 0 && position >= lastScope())
            popTo(position);
    } else if (position > last(m_specials)) {
        popTo(position);
    }
}

qsizetype Estimator::skipText(qsizetype from, std::string_view name) const {
    for (qsizetype i = from; i + 1 < m_page.size(); ++i) {
        if (m_page[i] != '<' || m_page[i + 1] != '/')
            continue;
        qsizetype j = i + 2;
        size_t k = 0;
        while (k < name.size() && j < m_page.size() && lower(m_page[j]) == name[k]) {
            ++j;
            ++k;
        }
        if (k == name.size() &&
            (j >= m_page.size() || isSpace(m_page[j]) || m_page[j] == '/' || m_page[j] == '>'))
            return i;
    }
    return -1;
}

// Reads the tag whose name starts at `at` (after "<" or "</") up to its ">".
qsizetype Estimator::readTag(qsizetype at, bool end) {
    const qsizetype size = m_page.size();
    qsizetype i = at;
    m_name.clear();
    while (i < size && !isSpace(m_page[i]) && m_page[i] != '/' && m_page[i] != '>')
        m_name.push_back(lower(m_page[i++]));
    bool selfClosing = false;
    bool fontLeaves = false;
    std::string attribute;
    while (true) {
        while (i < size && (isSpace(m_page[i]) || m_page[i] == '/')) {
            selfClosing = m_page[i] == '/' && i + 1 < size && m_page[i + 1] == '>';
            ++i;
        }
        if (i >= size)
            return -1;
        if (m_page[i] == '>')
            break;
        selfClosing = false;
        attribute.clear();
        // An "=" may start a name; names end at blanks, "/", ">" or "=".
        do {
            attribute.push_back(lower(m_page[i++]));
        } while (i < size && !isSpace(m_page[i]) && m_page[i] != '/' && m_page[i] != '>' &&
                 m_page[i] != '=');
        if (attribute == "color" || attribute == "face" || attribute == "size")
            fontLeaves = true;
        while (i < size && isSpace(m_page[i]))
            ++i;
        if (i >= size || m_page[i] != '=')
            continue;
        ++i;
        while (i < size && isSpace(m_page[i]))
            ++i;
        if (i >= size)
            return -1;
        if (m_page[i] == '"' || m_page[i] == '\'') {
            const char quote = m_page[i];
            ++i;
            while (i < size && m_page[i] != quote)
                ++i;
            if (i >= size)
                return -1;
            ++i;
        } else {
            while (i < size && !isSpace(m_page[i]) && m_page[i] != '>')
                ++i;
        }
    }
    const qsizetype after = i + 1;
    const int id = idOf(m_name, 0);
    if (end) {
        endTag(id);
        return after;
    }
    const bool raw = !inForeign() && (m_flags[size_t(id)] & kRawText);
    startTag(id, selfClosing, fontLeaves);
    if (!raw)
        return after;
    const std::string name = m_name;
    const qsizetype close = skipText(after, name);
    return close < 0 ? -1 : close;
}

int Estimator::run() {
    const qsizetype size = m_page.size();
    qsizetype i = 0;
    while (i >= 0 && i < size && !tooDeep() && !m_stopped) {
        const qsizetype open = m_page.indexOf('<', i);
        if (open < 0 || open + 1 >= size)
            break;
        const char next = m_page[open + 1];
        if (isLetter(next)) {
            i = readTag(open + 1, false);
        } else if (next == '/' && open + 2 < size && isLetter(m_page[open + 2])) {
            i = readTag(open + 2, true);
        } else if (m_page.sliced(open).startsWith("<!--")) {
            qsizetype from = open + 4;
            if (m_page.sliced(from).startsWith(">") || m_page.sliced(from).startsWith("->")) {
                i = m_page.indexOf('>', from) + 1;
                continue;
            }
            const qsizetype close = m_page.indexOf("--", from);
            i = -1;
            for (qsizetype at = close; at >= 0; at = m_page.indexOf("--", at + 1)) {
                const QByteArrayView rest = m_page.sliced(at + 2);
                if (rest.startsWith(">") || rest.startsWith("!>")) {
                    i = at + (rest.startsWith(">") ? 3 : 4);
                    break;
                }
            }
        } else if (next == '!' || next == '?' || next == '/') {
            const qsizetype close = m_page.indexOf('>', open + 1);
            i = close < 0 ? -1 : close + 1;
        } else {
            i = open + 1;
        }
    }
    return m_deepest;
}

}  // namespace

int markupNesting(QByteArrayView page, int limit) {
    return Estimator(page, limit).run();
}
