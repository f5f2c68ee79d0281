#pragma once

#include <QString>
#include <QTemporaryDir>

// A self-signed certificate for 127.0.0.1 and its key, made with openssl for
// this test run, so a loopback https server can be trusted by the test alone.
class TestCertificate {
public:
    TestCertificate();

    // Makes the pair; false with errorText() when it cannot.
    bool create();
    QString certificateFile() const { return m_dir.path() + "/cert.pem"; }
    QString keyFile() const { return m_dir.path() + "/key.pem"; }
    QString errorText() const { return m_error; }

    // Adds the certificate to the authorities Qt's network access trusts in
    // this process.
    void trustInQt() const;

private:
    QTemporaryDir m_dir;
    QString m_error;
};
