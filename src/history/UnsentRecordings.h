#pragma once
// Recordings whose transcription delivered nothing, kept in a private directory (0700, files
// 0600) until a retry succeeds. Each is moved in under a name that starts with the time it was
// kept, so names sort oldest first; only the newest `limit` stay.
#include <QString>
#include <QStringList>

#include <optional>

namespace parlix {

class UnsentRecordings {
public:
    static constexpr qsizetype limit = 20;

    explicit UnsentRecordings(QString directory);

    QString directory() const { return m_directory; }
    // Moves `path` in; the new path, or nothing (with the reason logged) when it could not be
    // moved. A path already inside comes back unchanged.
    std::optional<QString> keep(const QString &path);
    // Newest first.
    QStringList recordings() const;
    std::optional<QString> newest() const;
    bool contains(const QString &path) const;
    void remove(const QString &path);
    // Moves clips an earlier run left behind in `temporaryDirectory` (it ended before their
    // transcription did) in; how many were moved.
    int adoptLeftovers(const QString &temporaryDirectory);

private:
    void dropOldest();

    QString m_directory;
};

} // namespace parlix
