#include "RobotsRules.h"

#include <QByteArray>
#include <QUrl>

namespace {

// Paths compare with their percent-escapes in one form: unreserved
// characters decoded, the rest encoded with upper-case digits.
QString normalizedPath(const QString& path) {
    return QString::fromLatin1(
        QUrl::toPercentEncoding(QUrl::fromPercentEncoding(path.toUtf8()), "/?=&;:@!$'()*+,%[]"));
}

// Does `pattern` match a prefix of `path` (or all of it, with a final "$")?
// Iterative, with one back-up point per "*": linear for ordinary patterns.
bool matches(const QString& pattern, const QString& path) {
    const bool anchored = pattern.endsWith(QLatin1Char('$'));
    const qsizetype patternEnd = anchored ? pattern.size() - 1 : pattern.size();
    qsizetype p = 0, s = 0, starAt = -1, starPath = 0;
    while (true) {
        if (p == patternEnd) {
            if (!anchored || s == path.size())
                return true;
        } else if (pattern[p] == QLatin1Char('*')) {
            starAt = ++p;
            starPath = s;
            continue;
        } else if (s < path.size() && pattern[p] == path[s]) {
            ++p;
            ++s;
            continue;
        }
        if (starAt < 0 || starPath >= path.size())
            return false;
        p = starAt;
        s = ++starPath;
    }
}

}  // namespace

RobotsRules RobotsRules::disallowAll() {
    RobotsRules rules;
    rules.m_rules.append({QStringLiteral("/"), false});
    return rules;
}

RobotsRules RobotsRules::parse(QByteArrayView file, const QString& productToken) {
    const QByteArray token = productToken.toLatin1().toLower();
    QList<Rule> ours, anyone;
    // Agents of the group being read; a rule line ends the agent lines of a group.
    bool forUs = false, forAnyone = false, inRules = false;
    bool ourGroup = false;  // a group names us: the "*" groups do not count then
    const QByteArrayView text = file.first(qMin(file.size(), kLargestFile));
    for (QByteArrayView line : QByteArray(text.data(), text.size()).split('\n')) {
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line = line.first(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.first(colon).trimmed().toByteArray().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
        if (key == "user-agent") {
            if (inRules) {
                forUs = forAnyone = false;
                inRules = false;
            }
            const QByteArray agent = value.toLower();
            if (agent == "*")
                forAnyone = true;
            else if (!agent.isEmpty() && agent == token)
                forUs = ourGroup = true;
        } else if (key == "allow" || key == "disallow") {
            inRules = true;
            // An empty Disallow allows everything: no rule.
            if (value.isEmpty())
                continue;
            const Rule rule{normalizedPath(QString::fromUtf8(value)), key == "allow"};
            if (forUs)
                ours.append(rule);
            if (forAnyone)
                anyone.append(rule);
        }
    }
    RobotsRules rules;
    rules.m_rules = ourGroup ? ours : anyone;
    return rules;
}

bool RobotsRules::allows(const QString& pathAndQuery) const {
    if (m_rules.isEmpty())
        return true;
    const QString path =
        normalizedPath(pathAndQuery.isEmpty() ? QStringLiteral("/") : pathAndQuery);
    qsizetype longest = -1;
    bool allowed = true;
    for (const Rule& rule : m_rules) {
        const qsizetype length = rule.pattern.size();
        if (length < longest || !matches(rule.pattern, path))
            continue;
        if (length > longest || rule.allow)
            allowed = rule.allow;
        longest = length;
    }
    return allowed;
}
