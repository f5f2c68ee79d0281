#include "EngineCookies.h"

#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

EngineCookies& EngineCookies::of(QWebEngineProfile* profile) {
    if (auto* existing = profile->findChild<EngineCookies*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new EngineCookies(profile);
}

EngineCookies::EngineCookies(QWebEngineProfile* profile) : QObject(profile), m_profile(profile) {
    QWebEngineCookieStore* store = profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& cookie) {
        for (QNetworkCookie& known : m_cookies) {
            if (known.hasSameIdentifier(cookie)) {
                known = cookie;
                emit added(cookie);
                return;
            }
        }
        m_cookies.append(cookie);
        emit added(cookie);
    });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie& cookie) {
                for (qsizetype i = 0; i < m_cookies.size(); ++i) {
                    if (m_cookies[i].hasSameIdentifier(cookie)) {
                        m_cookies.removeAt(i);
                        break;
                    }
                }
                emit removed(cookie);
            });
    store->loadAllCookies();
}

void EngineCookies::remove(const QNetworkCookie& cookie) {
    m_profile->cookieStore()->deleteCookie(cookie);
}
