#pragma once
// The remote whisper-server's access token, kept in a file of its own (mode 0600) beside the
// settings rather than in them, so the settings file can be shared or shown without it.
#include <QByteArray>
#include <QString>

namespace parlix::RemoteServerToken {

// $XDG_CONFIG_HOME/Parlix/remote-server-token
QString defaultPath();
// Empty when there is none.
QByteArray read(const QString &path = defaultPath());
// An empty token removes the file. False with the reason in `error` when it cannot be written.
bool write(const QByteArray &token, const QString &path = defaultPath(), QString *error = nullptr);

} // namespace parlix::RemoteServerToken
