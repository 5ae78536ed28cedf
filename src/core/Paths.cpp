#include "core/Paths.h"

#include "core/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace parlix::Paths {

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Parlix");
}

QString modelsDirectory()
{
    return dataDirectory() + QStringLiteral("/models");
}

QString temporaryDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString dir = !runtime.isEmpty()
                            ? runtime + QStringLiteral("/parlix")
                            : QDir::tempPath() + QStringLiteral("/parlix-") + QString::number(getuid());
    files::ensurePrivateDirectory(dir);
    return dir;
}

QString resourceDirectory()
{
    const QString overridden = qEnvironmentVariable("PARLIX_RESOURCE_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../libexec/parlix"));
}

} // namespace parlix::Paths
