#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// An FTP server (pyftpdlib from the install list) on 127.0.0.1 serving a
// temporary folder with one user who may read and write.
class FtpServerFixture {
public:
    FtpServerFixture();
    ~FtpServerFixture();

    bool start();
    QString errorText() const { return m_error; }
    QString root() const { return m_dir.path(); }
    QString url(const QString& path) const;  // "ftp://127.0.0.1:<port><path>"
    static QString user() { return QStringLiteral("tester"); }
    static QString password() { return QStringLiteral("secret"); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
