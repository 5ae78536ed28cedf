#include "history/UnsentRecordings.h"

#include "core/Categories.h"
#include "core/Files.h"
#include "core/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace parlix {

namespace {
// What the clip recorder names its files; live chunks and the microphone preview differ.
const QString kClipPattern = QStringLiteral("parlix_*.wav");
const QString kKeptPattern = QStringLiteral("*.wav");
} // namespace

UnsentRecordings::UnsentRecordings(QString directory)
    : m_directory(std::move(directory))
{
}

std::optional<QString> UnsentRecordings::keep(const QString &path)
{
    if (contains(path))
        return path;
    if (!files::ensurePrivateDirectory(m_directory)) {
        log::error(lcHistory, "Cannot create %s", m_directory);
        return std::nullopt;
    }
    // Also when the directory existed before: recordings are nobody else's business.
    ::chmod(QFile::encodeName(m_directory).constData(), 0700);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    // A counter keeps recordings kept within the same millisecond in order.
    const qsizetype sameStamp = QDir(m_directory).entryList({stamp + QStringLiteral("-*")}, QDir::Files).size();
    const QString target = files::pathIn(
        m_directory, QStringLiteral("%1-%2_%3").arg(stamp).arg(sameStamp, 3, 10, QLatin1Char('0')).arg(QFileInfo(path).fileName()));
    // Across file systems (a tmpfs runtime directory) rename() copies and removes.
    QFile file(path);
    if (!file.rename(target)) {
        log::error(lcHistory, "Cannot move %s to %s: %s", path, target, file.errorString());
        return std::nullopt;
    }
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    dropOldest();
    return target;
}

QStringList UnsentRecordings::recordings() const
{
    QStringList names = QDir(m_directory).entryList({kKeptPattern}, QDir::Files, QDir::Name | QDir::Reversed);
    for (QString &name : names)
        name = files::pathIn(m_directory, name);
    return names;
}

std::optional<QString> UnsentRecordings::newest() const
{
    const QStringList all = recordings();
    if (all.isEmpty())
        return std::nullopt;
    return all.first();
}

bool UnsentRecordings::contains(const QString &path) const
{
    return QFileInfo(path).absolutePath() == QFileInfo(m_directory).absoluteFilePath();
}

void UnsentRecordings::remove(const QString &path)
{
    if (contains(path) && !QFile::remove(path) && QFileInfo::exists(path))
        log::error(lcHistory, "Cannot remove %s", path);
}

void UnsentRecordings::dropOldest()
{
    const QStringList all = recordings();
    for (qsizetype i = limit; i < all.size(); ++i) {
        log::info(lcHistory, "Dropping the oldest unsent recording %s", QFileInfo(all[i]).fileName());
        QFile::remove(all[i]);
    }
}

int UnsentRecordings::adoptLeftovers(const QString &temporaryDirectory)
{
    if (temporaryDirectory.isEmpty())
        return 0;
    QDir dir(temporaryDirectory);
    int moved = 0;
    // Oldest first, so the newest leftover ends up newest here too.
    for (const QFileInfo &clip : dir.entryInfoList({kClipPattern}, QDir::Files, QDir::Time | QDir::Reversed)) {
        if (clip.size() == 0) {
            QFile::remove(clip.absoluteFilePath());
            continue;
        }
        if (keep(clip.absoluteFilePath())) {
            log::info(lcHistory, "Found the unfinished recording %s; kept for a retry", clip.fileName());
            ++moved;
        }
    }
    return moved;
}

} // namespace parlix
