#pragma once
// Where Parlix keeps its files on this system.
#include <QString>

namespace parlix::Paths {

// $XDG_DATA_HOME/Parlix (history, models).
QString dataDirectory();
// $XDG_DATA_HOME/Parlix/models
QString modelsDirectory();
// $XDG_DATA_HOME/Parlix/unsent: recordings kept for a retry.
QString unsentDirectory();
// A private (0700) per-user directory for temporary audio: $XDG_RUNTIME_DIR/parlix when set,
// else <system temporary directory>/parlix-<uid>, created on first use. Anyone can create that
// name first, so it is used only when it is a real directory of this user's that nobody else may
// enter; otherwise (logged) a fresh directory with a random name takes its place for the
// process's lifetime.
QString temporaryDirectory();
// The directory holding bundled helper programs (whisper-cli): $PARLIX_RESOURCE_DIR when set,
// else <directory of the executable>/../libexec/parlix.
QString resourceDirectory();

} // namespace parlix::Paths
