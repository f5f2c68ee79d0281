#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// The rules of a site's robots.txt for one crawler: the groups naming the
// crawler's product token, else the "*" groups. A path is allowed unless
// its longest matching rule is a Disallow ("*" matches any run of
// characters, a final "$" the end of the path; an Allow wins a tie).
// Files past kLargestFile are read up to it.
class RobotsRules {
public:
    static constexpr qsizetype kLargestFile = 512 * 1024;

    // Rules that allow everything (no robots.txt, or one that cannot be read).
    RobotsRules() = default;
    // Rules that allow nothing: the site's robots.txt could not be fetched
    // because the server failed.
    static RobotsRules disallowAll();
    static RobotsRules parse(QByteArrayView file, const QString& productToken);

    // `pathAndQuery`: the address's path with its query, percent-encoded as sent.
    bool allows(const QString& pathAndQuery) const;
    bool isEmpty() const { return m_rules.isEmpty(); }

private:
    struct Rule {
        QString pattern;
        bool allow = false;
    };
    QList<Rule> m_rules;
};
