#pragma once
// One call of an XDG desktop portal method that answers later, through the Response signal of a
// Request object. The Request's path follows from our unique bus name and a token we choose, so
// the signal is subscribed to before the call goes out and an early answer cannot be missed.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace parlix::portal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
inline const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

// How the user interaction of a request ended (the Response signal's first argument).
enum Response : uint { success = 0, cancelled = 1, ended = 2 };

// A fresh token for a request or a session handle: unique and not guessable.
QString newToken();
// The object path the portal gives a request or session made with `token` on `bus`.
QString handlePath(const QDBusConnection &bus, const QString &kind, const QString &token);

// A method call to the portal's `interface` at its one object.
QDBusMessage portalCall(const QString &interface, const QString &method);

class PortalRequest : public QObject {
    Q_OBJECT
public:
    struct Result {
        uint response = Response::ended;
        QVariantMap results;
        // The D-Bus error when the call itself failed (no portal, wrong arguments); empty else.
        QString error;
    };
    using Done = std::function<void(const Result &)>;

    // Sends `call` with `options` (plus our handle_token) as its last argument. `done` runs once
    // with the answer, on the main thread, unless the request is deleted first.
    PortalRequest(QDBusConnection bus, QDBusMessage call, QVariantMap options, Done done, QObject *parent = nullptr);
    // A request still waiting is closed, which ends any dialog the portal shows for it.
    ~PortalRequest() override;

    // Closes the request if it is still waiting; `done` does not run any more.
    void cancel();

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    void listenAt(const QString &path);
    void finish(const Result &result);

    QDBusConnection m_bus;
    QString m_path;
    Done m_done;
};

// Owns a request and lets it go safely even from inside its own `done`.
struct LaterDeleter {
    void operator()(PortalRequest *request) const
    {
        request->cancel();
        request->deleteLater();
    }
};
using RequestPointer = std::unique_ptr<PortalRequest, LaterDeleter>;

} // namespace parlix::portal
