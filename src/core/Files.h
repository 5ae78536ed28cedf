#pragma once
// Small file helpers shared by every store that keeps user data on disk.
#include <QByteArray>
#include <QString>

namespace parlix::files {

// Creates `dir` (and parents) when missing; a directory created here gets mode 0700.
bool ensurePrivateDirectory(const QString &dir);

// `name` in `dir`; empty when `dir` is (no directory could be had), so that creating the file
// fails instead of landing in the working directory.
QString pathIn(const QString &dir, const QString &name);

// Why `dir` cannot be trusted as this user's private directory (a symbolic link, not a
// directory, owned by another user, open to group or others); empty when it can.
QString untrustedDirectoryReason(const QString &dir);

// Writes `bytes` to a temporary file next to `path`, flushes it to disk and renames it over
// `path`, so readers see either the old or the new content, never a mix. Mode 0600.
// On failure returns false and fills `error`.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Renames an unreadable file to "<path>.unreadable-<yyyyMMdd-HHmmss>" and returns the new path
// (empty when the rename failed).
QString moveAside(const QString &path);

} // namespace parlix::files
