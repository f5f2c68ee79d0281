#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QObject>

class QWebEngineProfile;

// The cookies of an engine profile. The engine never lists its cookies on
// request: it reports each one as it is set, changed, loaded from disk or
// removed, so this list follows those reports from its creation on (and asks
// the engine once to load its stored cookies). One per profile, a child of
// it. UI thread only.
class EngineCookies : public QObject {
    Q_OBJECT
public:
    // The list of `profile`, made on first use.
    static EngineCookies& of(QWebEngineProfile* profile);

    const QList<QNetworkCookie>& cookies() const { return m_cookies; }
    // Asks the engine to delete exactly this cookie (name, domain and path);
    // `removed` follows once it has.
    void remove(const QNetworkCookie& cookie);

signals:
    // A cookie new to the list, or set anew.
    void added(const QNetworkCookie& cookie);
    void removed(const QNetworkCookie& cookie);

private:
    explicit EngineCookies(QWebEngineProfile* profile);
    QWebEngineProfile* m_profile;
    QList<QNetworkCookie> m_cookies;
};
