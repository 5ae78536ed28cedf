#pragma once
// Where Parlix keeps its files on this system.
#include <QString>

namespace parlix::Paths {

// $XDG_DATA_HOME/Parlix (history, models).
QString dataDirectory();
// $XDG_DATA_HOME/Parlix/models
QString modelsDirectory();
// A private (0700) per-user directory for temporary audio: $XDG_RUNTIME_DIR/parlix when set,
// else a directory under the system temporary directory. Created on first use.
QString temporaryDirectory();
// The directory holding bundled helper programs (whisper-cli): $PARLIX_RESOURCE_DIR when set,
// else <directory of the executable>/../libexec/parlix.
QString resourceDirectory();

} // namespace parlix::Paths
