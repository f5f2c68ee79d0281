#include "FtpServerFixture.h"

#include <sys/prctl.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "TransferUrl.h"

FtpServerFixture::FtpServerFixture() : m_dir(QDir::tempPath() + "/corvanta-ftp-XXXXXX") {}

FtpServerFixture::~FtpServerFixture() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    if (!m_script.isEmpty())
        QFile::remove(m_script);
}

QString FtpServerFixture::url(const QString& path) const {
    return urlWithPath(QStringLiteral("ftp://127.0.0.1:%1").arg(m_port), path);
}

namespace {

// Logs the user in to /home/tester, below the served root: the engine's FTP
// addresses must name paths from the server's root all the same.
const char* kServerScript = R"(import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root, user, password, home = sys.argv[1:5]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
class Handler(FTPHandler):
    unicode_errors = "surrogateescape"  # names are bytes, not necessarily UTF-8
    def on_login(self, username):
        self.fs.cwd = home
Handler.authorizer = authorizer
logging.basicConfig(level=logging.CRITICAL)
server = FTPServer(("127.0.0.1", 0), Handler)
print("port", server.address[1], flush=True)  # the port the system gave: nobody else's
server.serve_forever()
)";

}  // namespace

bool FtpServerFixture::start() {
    // The system interpreter carries the Debian package of the install list.
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo::exists(python)) {
        m_error = "python3 is not installed";
        return false;
    }
    QDir(m_dir.path()).mkpath(QStringLiteral("home/tester"));
    const QString script = m_dir.path() + ".py";  // beside the served folder, not in it
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(kServerScript) < 0) {
        m_error = "cannot write the server script";
        return false;
    }
    file.close();
    m_script = script;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // The server dies with the test, even when the test crashes.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(python, {script, m_dir.path(), user(), password(), loginFolder()});
    if (!m_process.waitForStarted(5000)) {
        m_error = "pyftpdlib did not start: " + m_process.errorString();
        return false;
    }
    // The server binds port 0 and says which port it got once it listens.
    QByteArray output;
    while (m_process.waitForReadyRead(10000)) {
        output += m_process.readAll();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^port (\\d+)$"), QRegularExpression::MultilineOption)
                .match(QString::fromLatin1(output));
        if (match.hasMatch()) {
            m_port = quint16(match.captured(1).toUInt());
            return true;
        }
    }
    m_error = "pyftpdlib did not listen: " + QString::fromLocal8Bit(output + m_process.readAll());
    m_process.kill();
    m_process.waitForFinished(3000);
    return false;
}
