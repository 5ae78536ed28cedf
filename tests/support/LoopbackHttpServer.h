#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests of code that downloads: canned responses per
// path, which can come slowly, cut short, stalled or never, and optionally honour byte ranges.
// One request per
// connection (every response says "Connection: close"). Runs on the thread that creates it, so
// the test's event loop must run for it to answer.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <utility>

class QTcpSocket;

namespace parlix::test {

class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    struct Response {
        // Keep the connection open and never answer.
        bool hang = false;
        int status = 200;
        // Besides Content-Length (and Connection: close), which are added.
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // The body in pieces of chunkSize bytes, chunkInterval apart; 0 sends it at once.
        qsizetype chunkSize = 0;
        std::chrono::milliseconds chunkInterval{0};
        // Closes the connection after this many body bytes although Content-Length announced all
        // of them; negative sends the whole body.
        qsizetype truncateAfter = -1;
        bool sendContentLength = true;
        // After this many body bytes nothing more is sent, and the connection stays open;
        // negative sends the whole body.
        qsizetype stallAfter = -1;
        // Answers "Range: bytes=N-" with 206 and the rest of the body from N (416 when N is at or
        // past its end), as a server that can resume a download does.
        bool acceptRanges = false;

        static Response ok(QByteArray body, QByteArray contentType = "application/octet-stream");
        static Response withStatus(int status);
    };

    struct Request {
        QByteArray method;
        // As sent: path and query.
        QByteArray target;
        // Names in lower case.
        QHash<QByteArray, QByteArray> headers;
        // As long as its Content-Length says.
        QByteArray body;
        QString path() const;
    };

    // Listens at once on a free port of 127.0.0.1.
    explicit LoopbackHttpServer(QObject *parent = nullptr);

    bool isListening() const { return m_server.isListening(); }
    // http://127.0.0.1:<port><path>
    QUrl url(const QString &path) const;

    // Paths without a response get 404.
    void setResponse(const QString &path, Response response);
    // Stops listening: new connections to the port are refused from now on.
    void stopListening();

    const QList<Request> &requests() const { return m_requests; }

signals:
    void requestReceived(const parlix::test::LoopbackHttpServer::Request &request);

private:
    void accept();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);
    void sendBody(QTcpSocket *socket, QByteArray rest, const Response &response, bool stall);
    void streamBody(QTcpSocket *socket, QByteArray body, bool stall);

    QTcpServer m_server;
    quint16 m_port = 0;
    QHash<QString, Response> m_responses;
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

} // namespace parlix::test
