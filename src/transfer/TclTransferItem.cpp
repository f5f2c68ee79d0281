#include "TclTransferItem.h"

#include <QFileInfo>

#include "LocalFileName.h"
#include "TclDownLoadItem.h"
#include "TclMultiTransfer.h"
#include "TclUploadItem.h"
#include "TransferUrl.h"

using Lock = std::lock_guard<std::mutex>;

TclTransferItem::~TclTransferItem() = default;

QString TclTransferItem::url() const {
    Lock lock(m_lock);
    return m_url;
}
void TclTransferItem::setUrl(const QString& url) {
    Lock lock(m_lock);
    m_url = url;
}
QString TclTransferItem::localFile() const {
    Lock lock(m_lock);
    return m_localFile;
}
void TclTransferItem::setLocalFile(const QString& localFile) {
    Lock lock(m_lock);
    m_localFile = localFile;
    m_localFileDerived = false;
    m_keepExisting = false;
}
void TclTransferItem::setOwnLocalFile(const QString& localFile) {
    Lock lock(m_lock);
    m_localFile = localFile;
    m_localFileDerived = false;
    m_keepExisting = true;
}
QString TclTransferItem::userName() const {
    Lock lock(m_lock);
    return m_userName;
}
void TclTransferItem::setUserName(const QString& userName) {
    Lock lock(m_lock);
    m_userName = userName;
}
QString TclTransferItem::password() const {
    Lock lock(m_lock);
    return m_password;
}
void TclTransferItem::setPassword(const QString& password) {
    Lock lock(m_lock);
    m_password = password;
}
int TclTransferItem::port() const {
    Lock lock(m_lock);
    return m_port;
}
void TclTransferItem::setPort(int port) {
    Lock lock(m_lock);
    m_port = port;
}
TransferPriority TclTransferItem::priority() const {
    Lock lock(m_lock);
    return m_priority;
}
void TclTransferItem::setPriority(TransferPriority priority) {
    Lock lock(m_lock);
    m_priority = priority;
}
int TclTransferItem::threadCount() const {
    Lock lock(m_lock);
    return m_threadCount;
}
void TclTransferItem::setThreadCount(int count) {
    Lock lock(m_lock);
    m_threadCount = qMax(1, count);
}

TransferStatus TclTransferItem::statusLocked() const {
    bool seen[6] = {};
    for (const TransferPart& part : m_parts)
        seen[int(part.status)] = true;
    TransferStatus result = TransferStatus::Ready;
    for (TransferStatus candidate :
         {TransferStatus::Process, TransferStatus::Stopped, TransferStatus::Failed,
          TransferStatus::Warnings, TransferStatus::Done}) {
        if (seen[int(candidate)]) {
            result = candidate;
            break;
        }
    }
    if ((result == TransferStatus::Ready || result == TransferStatus::Done) && m_wholeStatus)
        return *m_wholeStatus;
    if (result == TransferStatus::Done && m_finishing)
        return TransferStatus::Process;
    return result;
}

TransferStatus TclTransferItem::status() const {
    Lock lock(m_lock);
    return statusLocked();
}

void TclTransferItem::setPartStatus(int part, TransferStatus status) {
    Lock lock(m_lock);
    if (part >= 0 && part < m_parts.size())
        m_parts[part].status = status;
}

void TclTransferItem::addError(const QString& message) {
    Lock lock(m_lock);
    m_errors.append(message);
}

std::optional<TransferResourceInfo> TclTransferItem::resourceInfo() const {
    Lock lock(m_lock);
    return m_info;
}
QStringList TclTransferItem::errors() const {
    Lock lock(m_lock);
    return m_errors;
}
QList<TransferPart> TclTransferItem::parts() const {
    Lock lock(m_lock);
    return m_parts;
}
qint64 TclTransferItem::resourceSize() const {
    Lock lock(m_lock);
    return m_resourceSize;
}
qint64 TclTransferItem::bytesDone() const {
    Lock lock(m_lock);
    qint64 sum = 0;
    for (const TransferPart& part : m_parts)
        sum += part.bytesDone;
    return sum;
}
double TclTransferItem::elapsed() const {
    Lock lock(m_lock);
    if (!m_runClock.isValid())
        return m_finalElapsed;
    return m_runClock.nsecsElapsed() / 1e9;
}
double TclTransferItem::speed() const {
    const double seconds = elapsed();
    if (seconds <= 0)
        return 0;
    Lock lock(m_lock);
    qint64 sum = 0;
    for (const TransferPart& part : m_parts)
        sum += part.bytesDone;
    return double(sum - m_bytesAtStart) / seconds;
}
double TclTransferItem::remaining() const {
    const double rate = speed();
    const qint64 size = resourceSize();
    if (size <= 0 || rate <= 0)
        return 0;
    return double(size - bytesDone()) / rate;
}

void TclTransferItem::setResumeState(qint64 resourceSize, const QList<TransferPart>& parts,
                                     const QString& validator) {
    Lock lock(m_lock);
    m_resourceSize = resourceSize;
    m_parts = parts;
    m_validator = validator;
    for (TransferPart& part : m_parts)
        part.status = TransferStatus::Ready;
}

QString TclTransferItem::resumeValidator() const {
    Lock lock(m_lock);
    // An FTP validator is "size:modification time", the time -1 when the
    // server would not tell it: the size alone proves nothing.
    if (m_url.startsWith(QLatin1String("ftp:"), Qt::CaseInsensitive) &&
        (m_validator.isEmpty() || m_validator.endsWith(QLatin1String(":-1"))))
        return QString();
    return m_validator;
}

TransferResumeState TclTransferItem::resumeState() const {
    Lock lock(m_lock);
    TransferResumeState state{m_resourceSize, m_validator, m_parts};
    for (TransferPart& part : state.parts)
        part.status = TransferStatus::Ready;
    return state;
}

void TclDownLoadItem::setUrl(const QString& url) {
    const QString folder = m_engine ? m_engine->settings().localFolder : QString();
    const QString name = fileNameFromUrl(url.trimmed());
    Lock lock(m_lock);
    m_url = url;
    m_localFile = folder.isEmpty() || folder.endsWith(QLatin1Char('/'))
                      ? folder + name
                      : folder + QLatin1Char('/') + name;
    m_localFileDerived = true;
}

void TclDownLoadItem::setConditions(const QString& etag, const QString& lastModified) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_ifNoneMatch = etag.toUtf8();
    m_ifModifiedSince = lastModified.toUtf8();
}

QStringList TclDownLoadItem::previewText() const {
    Lock lock(m_lock);
    return m_previewText;
}

void TclUploadItem::setLocalFile(const QString& localFile) {
    TclTransferItem::setLocalFile(localFile);
    const QString name = QFileInfo(localFile).fileName();
    Lock lock(m_lock);
    const qsizetype slash = m_url.lastIndexOf(QLatin1Char('/'));
    // Only the path's last segment changes; "ftp://host" alone gets "/name".
    if (slash >= 0 && slash > m_url.indexOf(QLatin1String("//")) + 1)
        m_url = urlWithPath(m_url.left(slash + 1), name);
    else if (!m_url.isEmpty())
        m_url = urlWithPath(m_url, name);
}
