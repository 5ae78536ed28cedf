#include "core/LoginItemManager.h"

#include "core/Categories.h"
#include "core/Files.h"
#include "core/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace parlix {

LoginItemManager::LoginItemManager(QString entryPath, QString executable)
    : m_entryPath(std::move(entryPath))
    , m_executable(std::move(executable))
{
}

QString LoginItemManager::defaultEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/com.quorvane.parlix.desktop");
}

bool LoginItemManager::setEnabled(bool enabled, QString *error)
{
    QString why;
    if (enabled ? write(&why) : remove(&why)) {
        log::info(lcLoginItem, enabled ? "Login item registered" : "Login item unregistered");
        return true;
    }
    log::error(lcLoginItem, "Failed to update login item: %s", why);
    if (error)
        *error = why;
    return false;
}

bool LoginItemManager::isEnabled() const
{
    return QFileInfo::exists(m_entryPath);
}

bool LoginItemManager::write(QString *error) const
{
    if (m_executable.isEmpty() || QFileInfo(m_executable).isRelative()) {
        *error = QStringLiteral("The path of the application is not known");
        return false;
    }
    // Creates the autostart directory when it is missing.
    return files::writeAtomically(m_entryPath, entryContents(m_executable), error);
}

bool LoginItemManager::remove(QString *error) const
{
    // Already absent is the state asked for, not a failure.
    QFile file(m_entryPath);
    if (!file.exists() || file.remove())
        return true;
    *error = file.errorString();
    return false;
}

QByteArray LoginItemManager::entryContents(const QString &executable)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Parlix\n"
                                  "Exec=%1\n"
                                  "Icon=com.quorvane.parlix\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                       .arg(execArgument(executable));
    return text.toUtf8();
}

QString LoginItemManager::execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString fieldSafe = argument;
    fieldSafe.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool needsQuotes = false;
    for (QChar c : fieldSafe)
        needsQuotes = needsQuotes || reserved.contains(c);
    if (!needsQuotes)
        return fieldSafe;
    // Inside quotes, '"', '`', '$' and '\' take a backslash; the entry's own string escaping then
    // doubles every backslash once more.
    QString quoted;
    for (QChar c : fieldSafe) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace parlix
