#include "engine/RemoteServerToken.h"

#include "core/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace parlix::RemoteServerToken {

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Parlix/remote-server-token");
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().trimmed();
}

bool write(const QByteArray &token, const QString &path, QString *error)
{
    const QByteArray trimmed = token.trimmed();
    if (trimmed.isEmpty()) {
        QFile::remove(path);
        return !QFileInfo::exists(path);
    }
    files::ensurePrivateDirectory(QFileInfo(path).path());
    // writeAtomically creates the file with mode 0600.
    return files::writeAtomically(path, trimmed, error);
}

} // namespace parlix::RemoteServerToken
