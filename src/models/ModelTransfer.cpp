#include "models/ModelTransfer.h"

#include "core/Constants.h"
#include "core/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace parlix {

namespace {

using namespace std::chrono_literals;

constexpr qint64 bufferSize = 1024 * 1024;
// What the network thread may hold ahead of the disk before it stops reading the socket.
constexpr qint64 readAhead = 8 * 1024 * 1024;
constexpr int maxRedirects = 5;

// HTTP/2 responses carry no reason phrase: the usual one is filled in.
QString statusText(int status, const QString &reason)
{
    QString phrase = reason;
    if (phrase.isEmpty()) {
        switch (status) {
        case 400: phrase = QStringLiteral("Bad Request"); break;
        case 401: phrase = QStringLiteral("Unauthorized"); break;
        case 403: phrase = QStringLiteral("Forbidden"); break;
        case 404: phrase = QStringLiteral("Not Found"); break;
        case 408: phrase = QStringLiteral("Request Timeout"); break;
        case 410: phrase = QStringLiteral("Gone"); break;
        case 416: phrase = QStringLiteral("Range Not Satisfiable"); break;
        case 429: phrase = QStringLiteral("Too Many Requests"); break;
        case 500: phrase = QStringLiteral("Internal Server Error"); break;
        case 502: phrase = QStringLiteral("Bad Gateway"); break;
        case 503: phrase = QStringLiteral("Service Unavailable"); break;
        case 504: phrase = QStringLiteral("Gateway Timeout"); break;
        default: break;
        }
    }
    return phrase.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : QStringLiteral("HTTP %1 %2").arg(status).arg(phrase);
}

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000, 'g', 4);
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Plain file descriptors: a failed write says why (errno), whether the disk is full (ENOSPC)
// or the file may grow no further (EFBIG).
bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

qint64 readSome(int fd, char *data, qint64 size)
{
    for (;;) {
        const ssize_t n = ::read(fd, data, size_t(size));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

// The file's data and the rename reach the disk before the new name is trusted.
bool syncDirectoryOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

ModelTransfer::ModelTransfer(QObject *parent)
    : QObject(parent)
{
    // A child, so that moving the transfer to the worker thread moves its timer too.
    m_stallTimer.setParent(this);
    connect(&m_stallTimer, &QTimer::timeout, this, &ModelTransfer::checkStall);
    m_progressTimer.setParent(this);
    m_progressTimer.setSingleShot(true);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] { reportProgress(true); });
}

ModelTransfer::~ModelTransfer()
{
    abandon();
}

void ModelTransfer::start(const Job &job)
{
    abandon();
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    m_job = job;
    m_hash.reset();
    m_offset = 0;
    m_received = 0;
    m_total = -1;
    m_redirects = 0;
    m_buffer.resize(bufferSize);
    const QString part = partPath(job.destination);
    m_fd = ::open(QFile::encodeName(part).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        fail(Failure::write, errnoText(), Part::keep);
        return;
    }
    // A part left by an interrupted download: its bytes go into the digest now, so the finished
    // file is never read a second time.
    for (;;) {
        const qint64 n = readSome(m_fd, m_buffer.data(), bufferSize);
        if (n < 0) {
            fail(Failure::write, errnoText(), Part::keep);
            return;
        }
        if (n == 0)
            break;
        m_hash.addData(QByteArrayView(m_buffer.constData(), n));
        m_offset += n;
    }
    m_received = m_offset;
    if (m_offset > 0)
        emit noted(job.id, log::format("Resuming download of %s at %ld bytes", {QFileInfo(job.destination).fileName(), m_offset}));
    sendRequest();
}

void ModelTransfer::sendRequest()
{
    m_accepted = false;
    QNetworkRequest request(m_job.url);
    // Redirects are vetted one by one (https only, at most five) in the redirected handler.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    // Byte ranges and the digest are about the file as stored, not a compressed form of it.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Parlix/") + Constants::appVersion());
    if (m_offset > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_offset) + '-');
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(readAhead);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl &target) {
        if (target.scheme() != u"https") {
            fail(Failure::transfer, QStringLiteral("Redirected to %1, which is not an https address").arg(target.toString(QUrl::RemoveUserInfo)),
                 Part::keep);
            return;
        }
        if (++m_redirects > maxRedirects) {
            fail(Failure::transfer, QStringLiteral("More than %1 redirects").arg(maxRedirects), Part::keep);
            return;
        }
        emit m_reply->redirectAllowed();
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &ModelTransfer::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &ModelTransfer::finishReply);
    m_sinceData.start();
    m_sinceReport.start();
    m_stallTimer.start(std::clamp(m_job.stallTimeout / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(1000)));
    reportProgress(true);
}

void ModelTransfer::restartFromZero()
{
    dropReply();
    if (!emptyPart())
        return;
    m_total = -1;
    sendRequest();
}

bool ModelTransfer::emptyPart()
{
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        fail(Failure::write, errnoText(), Part::keep);
        return false;
    }
    m_hash.reset();
    m_offset = 0;
    m_received = 0;
    return true;
}

// Looks at the final response once (after any redirects): false when the job ended or was
// started over.
bool ModelTransfer::acceptResponse()
{
    if (m_accepted)
        return true;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 contentLength = length.isValid() ? length.toLongLong() : -1;
    if (status == 416 && m_offset > 0) {
        // The part is as long as the file, or longer (the file changed on the server).
        emit noted(m_job.id, log::format("The server cannot continue %s; starting over", {QFileInfo(m_job.destination).fileName()}));
        restartFromZero();
        return false;
    }
    if (status < 200 || status > 299) {
        fail(Failure::transfer, statusText(status, m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()), Part::keep);
        return false;
    }
    if (status == 206) {
        static const QRegularExpression range(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+|\\*)$"));
        const auto match = range.match(QString::fromLatin1(m_reply->rawHeader("Content-Range")).trimmed());
        if (!match.hasMatch() || match.captured(1).toLongLong() != m_offset) {
            if (m_offset == 0) {
                fail(Failure::transfer, QStringLiteral("The server sent a part of the file that was not asked for"), Part::keep);
                return false;
            }
            emit noted(m_job.id, log::format("The server sent another range of %s; starting over", {QFileInfo(m_job.destination).fileName()}));
            restartFromZero();
            return false;
        }
        m_total = match.captured(3) == u"*" ? (contentLength >= 0 ? m_offset + contentLength : -1) : match.captured(3).toLongLong();
    } else {
        if (m_offset > 0) {
            // The whole file came back: the part is overwritten from its start.
            emit noted(m_job.id, log::format("The server does not resume downloads; %s starts over", {QFileInfo(m_job.destination).fileName()}));
            if (!emptyPart())
                return false;
        }
        m_total = contentLength;
    }
    m_accepted = true;
    return true;
}

void ModelTransfer::readBody()
{
    if (!m_reply || !acceptResponse())
        return;
    QNetworkReply *reply = m_reply;
    qint64 got = 0;
    while (reply->bytesAvailable() > 0) {
        const qint64 n = reply->read(m_buffer.data(), bufferSize);
        if (n <= 0)
            break;
        m_hash.addData(QByteArrayView(m_buffer.constData(), n));
        if (!writeAll(m_fd, m_buffer.constData(), n)) {
            fail(Failure::write, errnoText(), Part::keep);
            return;
        }
        got += n;
    }
    if (got == 0)
        return;
    m_received += got;
    m_sinceData.restart();
    reportProgress(false);
}

void ModelTransfer::finishReply()
{
    if (!m_reply)
        return;
    // An HTTP status says more than the network error made of it ("HTTP 404 Not Found").
    if (m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() && !acceptResponse())
        return;
    if (m_reply->error() != QNetworkReply::NoError) {
        fail(Failure::transfer, m_reply->errorString(), Part::keep);
        return;
    }
    readBody();
    if (!m_reply || !m_accepted)
        return; // failed, or started over
    if (m_total >= 0 && m_received != m_total) {
        fail(Failure::transfer, QStringLiteral("The connection closed after %1 of %2 bytes").arg(m_received).arg(m_total), Part::keep);
        return;
    }
    dropReply();
    reportProgress(true);
    if (::fdatasync(m_fd) != 0) {
        fail(Failure::write, errnoText(), Part::keep);
        return;
    }
    ::close(m_fd);
    m_fd = -1;
    const QString digest = m_hash.hexDigest();
    if (!m_job.expectedSha1.isEmpty() && digest != m_job.expectedSha1) {
        fail(Failure::transfer,
             QStringLiteral("The downloaded file is damaged (SHA-1 %1, expected %2) and was discarded").arg(digest, m_job.expectedSha1),
             Part::remove);
        return;
    }
    if (m_cancelled.load() == m_job.id) {
        endJob(Part::remove);
        return;
    }
    const QString part = partPath(m_job.destination);
    // rename(2) replaces the old model in one step: a reader sees the old file or the new one.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(m_job.destination).constData()) != 0) {
        fail(Failure::move, errnoText(), Part::keep);
        return;
    }
    syncDirectoryOf(m_job.destination);
    const Job job = m_job;
    endJob(Part::keep);
    emit completed(job.id, job.destination);
}

void ModelTransfer::checkStall()
{
    if (!m_reply || m_sinceData.elapsed() < m_job.stallTimeout.count())
        return;
    fail(Failure::transfer, QStringLiteral("No data received for %1 seconds").arg(seconds(m_job.stallTimeout)), Part::keep);
}

void ModelTransfer::reportProgress(bool force)
{
    const qint64 wait = m_job.progressInterval.count() - m_sinceReport.elapsed();
    if (!force && wait > 0) {
        if (!m_progressTimer.isActive())
            m_progressTimer.start(int(wait));
        return;
    }
    m_progressTimer.stop();
    m_sinceReport.restart();
    emit progressed(m_job.id, m_received, m_total);
}

void ModelTransfer::fail(Failure failure, const QString &message, Part part)
{
    const quint64 id = m_job.id;
    endJob(part);
    emit failed(id, failure, message);
}

void ModelTransfer::cancel(quint64 jobId)
{
    if (jobId == m_job.id && jobId != 0)
        endJob(Part::remove);
}

void ModelTransfer::abandon()
{
    if (m_job.id != 0)
        endJob(Part::keep);
}

void ModelTransfer::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void ModelTransfer::endJob(Part part)
{
    m_stallTimer.stop();
    m_progressTimer.stop();
    dropReply();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // An empty part is nothing to continue from.
    if (part == Part::remove || (m_job.id != 0 && QFileInfo(partPath(m_job.destination)).size() == 0))
        QFile::remove(partPath(m_job.destination));
    m_job = Job{};
    m_buffer = QByteArray();
}

} // namespace parlix
