#include "core/Files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace parlix::files {

bool ensurePrivateDirectory(const QString &dir)
{
    if (QFileInfo(dir).isDir())
        return true;
    if (!QDir().mkpath(dir))
        return false;
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

QString pathIn(const QString &dir, const QString &name)
{
    return dir.isEmpty() ? QString() : QDir(dir).filePath(name);
}

QString untrustedDirectoryReason(const QString &dir)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(dir).constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a directory");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to user %1").arg(st.st_uid);
    if ((st.st_mode & 077) != 0)
        return QStringLiteral("other users may use it (mode %1)").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    if (!ensurePrivateDirectory(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("Cannot create directory %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile loses a short write (a full disk, a file size limit) in its
    // flush and commits the truncated file over the old one. Written directly, a short write
    // shows in write()'s count, and the file is dropped instead.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        if (error)
            *error = file.error() != QFileDevice::NoError
                         ? file.errorString()
                         : QStringLiteral("only %1 of %2 bytes could be written; the disk may be full").arg(qMax(written, 0)).arg(bytes.size());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString moveAside(const QString &path)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace parlix::files
