#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A real FTP server on 127.0.0.1 serving a temporary folder, started by the
// test and stopped with the object.
//   Pyftpdlib: Debian's python3-pyftpdlib, user "corvanta" / "s3cret!",
//              the user's home is the served folder.
//   Vsftpd:    vsftpd run as root with a generated configuration, anonymous
//              log-in chrooted to the served folder; "/pub" is writable.
class FtpServerFixture {
public:
    enum class Kind { Pyftpdlib, Vsftpd };

    explicit FtpServerFixture(Kind kind);
    ~FtpServerFixture();
    FtpServerFixture(const FtpServerFixture&) = delete;
    FtpServerFixture& operator=(const FtpServerFixture&) = delete;

    // Pyftpdlib only, before start(): each data connection sends at most
    // `bytesPerSecond` (0: no limit), so a download lasts long enough to be
    // stopped half-way.
    void setSendLimit(int bytesPerSecond) { m_sendLimit = bytesPerSecond; }

    // Starts the server; false (with `error` filled) when it would not run.
    bool start(QString* error);
    void stop();

    Kind kind() const { return m_kind; }
    quint16 port() const { return m_port; }
    QString user() const;
    QString password() const;
    // The local folder behind the server's "/".
    QString root() const { return m_root; }
    // A remote folder where the test may write ("/" or "/pub").
    QString writableFolder() const;
    QString localPath(const QString& remotePath) const { return m_root + remotePath; }

    static QString kindName(Kind kind);

private:
    bool waitUntilListening(int milliseconds);

    Kind m_kind;
    QTemporaryDir m_temp;
    QString m_root;
    quint16 m_port = 0;
    int m_sendLimit = 0;
    std::unique_ptr<QProcess> m_process;
};
