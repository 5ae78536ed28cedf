#include "LoopbackHttpServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>


namespace parlix::test {

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    default: return "Status";
    }
}

} // namespace

LoopbackHttpServer::Response LoopbackHttpServer::Response::ok(QByteArray body, QByteArray contentType)
{
    Response r;
    r.body = std::move(body);
    r.headers.append(std::pair<QByteArray, QByteArray>("Content-Type", std::move(contentType)));
    return r;
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::withStatus(int status)
{
    Response r;
    r.status = status;
    r.body = reasonPhrase(status) + '\n';
    r.headers.append(std::pair<QByteArray, QByteArray>("Content-Type", "text/plain"));
    return r;
}

QString LoopbackHttpServer::Request::path() const
{
    return QUrl(QString::fromLatin1(target)).path();
}

LoopbackHttpServer::LoopbackHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    if (m_server.listen(QHostAddress::LocalHost, 0))
        m_port = m_server.serverPort();
}

QUrl LoopbackHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

void LoopbackHttpServer::setResponse(const QString &path, Response response)
{
    m_responses.insert(path, std::move(response));
}

void LoopbackHttpServer::stopListening()
{
    m_server.close();
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::readRequest(QTcpSocket *socket)
{
    auto buffer = m_buffers.find(socket);
    if (buffer == m_buffers.end())
        return; // already answered
    buffer->append(socket->readAll());
    const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QList<QByteArray> lines = buffer->left(headEnd).split('\n');

    Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    // The whole body first, so the client is never answered while it still sends.
    const qsizetype bodySize = request.headers.value("content-length").toLongLong();
    if (buffer->size() < headEnd + 4 + bodySize)
        return;
    request.body = buffer->mid(headEnd + 4, bodySize);
    m_buffers.erase(buffer);
    m_requests.append(request);
    emit requestReceived(request);
    answer(socket, request);
}

void LoopbackHttpServer::answer(QTcpSocket *socket, const Request &request)
{
    const Response response = m_responses.value(request.path(), Response::withStatus(404));
    if (response.hang)
        return;
    int status = response.status;
    QByteArray body = response.body;
    QByteArray extraHeaders;
    const QByteArray range = request.headers.value("range");
    if (response.acceptRanges && response.status == 200 && range.startsWith("bytes=") && range.endsWith('-')) {
        const qsizetype from = range.mid(6, range.size() - 7).toLongLong();
        const qsizetype size = response.body.size();
        if (from >= size) {
            status = 416;
            body.clear();
            extraHeaders = "Content-Range: bytes */" + QByteArray::number(size) + "\r\n";
        } else {
            status = 206;
            body = body.mid(from);
            extraHeaders = "Content-Range: bytes " + QByteArray::number(from) + '-' + QByteArray::number(size - 1) + '/'
                           + QByteArray::number(size) + "\r\n";
        }
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto &[name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    if (response.acceptRanges)
        out += "Accept-Ranges: bytes\r\n";
    out += extraHeaders;
    if (response.sendContentLength)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    socket->write(out);
    if (response.truncateAfter >= 0)
        body.truncate(response.truncateAfter);
    const bool stall = response.stallAfter >= 0 && response.stallAfter < body.size();
    if (stall)
        body.truncate(response.stallAfter);
    sendBody(socket, std::move(body), response, stall);
}

// The body in pieces of chunkSize bytes, or streamed as the client takes it without one; the
// connection is closed once it has gone out, unless the body is to stall there.
void LoopbackHttpServer::sendBody(QTcpSocket *socket, QByteArray rest, const Response &response, bool stall)
{
    if (response.chunkSize <= 0) {
        streamBody(socket, std::move(rest), stall);
        return;
    }
    const qsizetype piece = std::min(response.chunkSize, rest.size());
    socket->write(rest.left(piece));
    rest.remove(0, piece);
    if (rest.isEmpty()) {
        if (!stall)
            socket->disconnectFromHost();
        return;
    }
    QPointer<QTcpSocket> target(socket);
    QTimer::singleShot(response.chunkInterval, this, [this, target, rest = std::move(rest), response, stall]() mutable {
        if (target)
            sendBody(target, std::move(rest), response, stall);
    });
}

// The whole body as fast as the client takes it, handed to the socket a window at a time: a
// large body is not copied into the socket's buffer all at once.
void LoopbackHttpServer::streamBody(QTcpSocket *socket, QByteArray body, bool stall)
{
    static constexpr qsizetype window = 1024 * 1024;
    auto offset = std::make_shared<qsizetype>(0);
    auto connection = std::make_shared<QMetaObject::Connection>();
    auto feed = [socket, body = std::move(body), offset, connection, stall] {
        while (*offset < body.size() && socket->bytesToWrite() < window) {
            const qsizetype n = std::min(window, body.size() - *offset);
            socket->write(body.constData() + *offset, n);
            *offset += n;
        }
        if (*offset < body.size() || !*connection)
            return;
        QObject::disconnect(*connection);
        *connection = {};
        if (!stall)
            socket->disconnectFromHost();
    };
    *connection = connect(socket, &QTcpSocket::bytesWritten, this, feed);
    feed();
}

} // namespace parlix::test
