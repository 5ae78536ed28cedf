#include "core/Paths.h"

#include "core/Categories.h"
#include "core/Files.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>
#include <sys/stat.h>
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

QString unsentDirectory()
{
    return dataDirectory() + QStringLiteral("/unsent");
}

namespace {
// The shared temporary directory `dir` when it can be trusted, else a private one of our own.
QString trustedTemporaryDirectory(const QString &dir)
{
    static std::mutex mutex;
    static QString refused, replacement; // the last refused directory and what took its place
    std::lock_guard lock(mutex);
    ::mkdir(QFile::encodeName(dir).constData(), 0700); // fails when it exists; checked below
    const QString reason = files::untrustedDirectoryReason(dir);
    if (reason.isEmpty())
        return dir;
    if (dir == refused && QFileInfo(replacement).isDir())
        return replacement;
    QByteArray name = QFile::encodeName(dir + QStringLiteral("-XXXXXX"));
    if (!::mkdtemp(name.data())) {
        log::error(lcApp, "Cannot use %s for temporary files (%s), nor create a private directory beside it", dir, reason);
        return {};
    }
    refused = dir;
    replacement = QFile::decodeName(name);
    log::error(lcApp, "Not using %s for temporary files: %s; using %s", dir, reason, replacement);
    return replacement;
}
} // namespace

QString temporaryDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return trustedTemporaryDirectory(QDir::tempPath() + QStringLiteral("/parlix-") + QString::number(::geteuid()));
    const QString dir = runtime + QStringLiteral("/parlix");
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
