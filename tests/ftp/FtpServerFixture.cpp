#include "FtpServerFixture.h"

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <csignal>

namespace {

const char* kPyftpdScript = R"(import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, user, password = sys.argv[1:4]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
class Handler(FTPHandler):
    # Names are bytes on the disk and on the wire, not necessarily UTF-8.
    unicode_errors = "surrogateescape"
Handler.authorizer = authorizer
Handler.banner = "Corvanta test server ready."
logging.basicConfig(level=logging.CRITICAL)
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

quint16 freeLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

FtpServerFixture::FtpServerFixture(Kind kind) : m_kind(kind) {}

FtpServerFixture::~FtpServerFixture() {
    stop();
}

QString FtpServerFixture::kindName(Kind kind) {
    return kind == Kind::Pyftpdlib ? "pyftpdlib" : "vsftpd";
}

QString FtpServerFixture::user() const {
    return m_kind == Kind::Pyftpdlib ? "corvanta" : "anonymous";
}

QString FtpServerFixture::password() const {
    return m_kind == Kind::Pyftpdlib ? "s3cret!" : "";
}

QString FtpServerFixture::writableFolder() const {
    return m_kind == Kind::Pyftpdlib ? "/" : "/pub";
}

bool FtpServerFixture::waitUntilListening(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        // Our own banner: another program may have taken the port meanwhile.
        if (probe.waitForConnected(200) && probe.waitForReadyRead(2000)) {
            const bool ours = probe.readAll().contains("Corvanta");
            probe.abort();
            return ours && m_process->state() == QProcess::Running;
        }
        if (m_process->state() == QProcess::NotRunning) {
            return false;
        }
        QThread::msleep(50);
    }
    return false;
}

bool FtpServerFixture::start(QString* error) {
    if (!m_temp.isValid()) {
        *error = "no temporary folder";
        return false;
    }
    m_root = m_temp.path() + "/root";
    QDir().mkpath(m_root);
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    // A test that crashes must not leave its server running.
    m_process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    if (m_kind == Kind::Pyftpdlib) {
        const QString script = m_temp.path() + "/server.py";
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write(kPyftpdScript);
        file.close();
        m_process->start("/usr/bin/python3", {script, m_root, user(), password()});
        if (!m_process->waitForStarted(5000) || !m_process->waitForReadyRead(10000)) {
            *error = "pyftpdlib did not start: " +
                     QString::fromLocal8Bit(m_process->readAllStandardError());
            stop();
            return false;
        }
        m_port = quint16(m_process->readLine().trimmed().toUInt());
        return m_port != 0;
    }

    // vsftpd chroots the anonymous user into the root, which must not be
    // writable by it; uploads go to /pub, owned by the ftp user.
    const passwd* ftpUser = getpwnam("ftp");
    if (!ftpUser || geteuid() != 0) {
        *error = "vsftpd needs root and the ftp user";
        return false;
    }
    QFile::setPermissions(m_root, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                      QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                      QFileDevice::ExeOther);
    QFile::setPermissions(m_temp.path(), QFile::permissions(m_root));
    QDir().mkpath(m_root + "/pub");
    if (chown(QFile::encodeName(m_root + "/pub").constData(), ftpUser->pw_uid, ftpUser->pw_gid) !=
        0) {
        *error = "cannot hand /pub to the ftp user";
        return false;
    }
    const QString empty = m_temp.path() + "/empty";
    QDir().mkpath(empty);
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = freeLoopbackPort();
        const QString config = m_temp.path() + "/vsftpd.conf";
        QFile file(config);
        file.open(QIODevice::WriteOnly);
        file.write(
            QString("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\n"
                    "background=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
                    "anon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                    "anon_other_write_enable=YES\nanon_world_readable_only=NO\n"
                    "anon_umask=022\nno_anon_password=YES\nanon_root=%2\n"
                    "ftp_username=ftp\nnopriv_user=ftp\nsecure_chroot_dir=%3\n"
                    "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
                    "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
                    "xferlog_enable=NO\ndirmessage_enable=NO\nuse_localtime=YES\n"
                    "ftpd_banner=Corvanta vsftpd test server.\n")
                .arg(m_port)
                .arg(m_root, empty)
                .toUtf8());
        file.close();
        m_process->start("/usr/sbin/vsftpd", {config});
        if (m_process->waitForStarted(5000) && waitUntilListening(10000)) {
            return true;
        }
        *error =
            "vsftpd did not start: " + QString::fromLocal8Bit(m_process->readAllStandardError() +
                                                              m_process->readAllStandardOutput());
        if (m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    stop();
    return false;
}

void FtpServerFixture::stop() {
    if (!m_process) {
        return;
    }
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    m_process.reset();
}
