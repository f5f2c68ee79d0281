#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "NginxFixture.h"
#include "TestCertificate.h"

// The maker's update server on loopback: nginx speaking https with a
// certificate made for this run, which the tests trust. It serves the update
// list at kListPath, signed (tools/sign-update) with a key made for this run,
// and the update files; files below "/slow/" go out at 100 KB/s per
// connection, so a test can interrupt their download, and addresses below
// "/to-plain/" redirect to plain http.
class UpdateServer {
public:
    static constexpr const char* kListPath = "/webupdate/webupdate.xml";

    // How a published list is signed.
    enum class Signature {
        Valid,     // with this run's key
        Missing,   // no signature beside the list
        OtherKey,  // with a key nobody trusts
        Damaged,   // with this run's key, then one bit of the signature flipped
    };

    bool start();
    // This run's public key (32 raw bytes): what an engine under test trusts.
    QByteArray publicKey() const { return m_publicKey; }
    QString errorText() const { return m_error; }
    QString certificateFile() const { return m_certificate.certificateFile(); }
    void trustInQt() const { m_certificate.trustInQt(); }

    QString url(const QString& path = QString()) const { return m_nginx.url(path); }
    QString listUrl() const { return url(kListPath); }

    // The list: `entries` inside "updateinfo", signed as asked.
    bool publishList(const QString& entries, Signature signature = Signature::Valid);
    bool publishFile(const QString& path, const QByteArray& content);

    // One "update" element; `extra` is put among its attributes as written.
    static QString entry(const QString& version, const QString& url, const QString& script = {},
                         const QString& extra = {});
    static QString sha256(const QByteArray& content);
    // The "sha256" attribute of `content`'s digest, for `extra`.
    static QString digestOf(const QByteArray& content);

private:
    bool runSignTool(const QStringList& arguments, QByteArray* output = nullptr);

    TestCertificate m_certificate;
    NginxFixture m_nginx;
    QString m_error;
    QTemporaryDir m_keys;
    QByteArray m_publicKey;
};
