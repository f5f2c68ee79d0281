#pragma once

#include <QByteArray>
#include <QString>

#include "NginxFixture.h"
#include "TestCertificate.h"

// The maker's update server on loopback: nginx speaking https with a
// certificate made for this run, which the tests trust. It serves the update
// list at kListPath and the update files; files below "/slow/" go out at
// 100 KB/s per connection, so a test can interrupt their download, and
// addresses below "/to-plain/" redirect to plain http.
class UpdateServer {
public:
    static constexpr const char* kListPath = "/webupdate/webupdate.xml";

    bool start();
    QString errorText() const { return m_error; }
    QString certificateFile() const { return m_certificate.certificateFile(); }
    void trustInQt() const { m_certificate.trustInQt(); }

    QString url(const QString& path = QString()) const { return m_nginx.url(path); }
    QString listUrl() const { return url(kListPath); }

    // The list: `entries` inside "updateinfo".
    bool publishList(const QString& entries);
    bool publishFile(const QString& path, const QByteArray& content);

    // One "update" element; `extra` is put among its attributes as written.
    static QString entry(const QString& version, const QString& url, const QString& script = {},
                         const QString& extra = {});
    static QString sha256(const QByteArray& content);

private:
    TestCertificate m_certificate;
    NginxFixture m_nginx;
    QString m_error;
};
