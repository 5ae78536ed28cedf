#pragma once
// Launch at login: an XDG autostart entry that starts this executable when the user's session
// begins. Writing and removing the entry is all there is; the stored setting is the caller's.
#include <QString>

namespace parlix {

class LoginItemManager {
public:
    // `entryPath`: where the autostart entry lives; `executable`: the absolute path it starts.
    LoginItemManager(QString entryPath, QString executable);

    // $XDG_CONFIG_HOME/autostart/com.quorvane.parlix.desktop
    static QString defaultEntryPath();

    // Writes (true) or removes (false) the entry. Never throws; success and failure are logged,
    // and nothing is undone on failure. Returns whether it worked; `error` says why not.
    bool setEnabled(bool enabled, QString *error = nullptr);
    bool isEnabled() const;

    const QString &entryPath() const { return m_entryPath; }

    // The entry's text for `executable`.
    static QByteArray entryContents(const QString &executable);
    // `argument` as one argument of a desktop entry's Exec key: quoted when it holds anything a
    // launcher would split or expand, with field codes ("%") doubled.
    static QString execArgument(const QString &argument);

private:
    bool write(QString *error) const;
    bool remove(QString *error) const;

    QString m_entryPath;
    QString m_executable;
};

} // namespace parlix
