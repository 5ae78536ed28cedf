#pragma once
// How speech becomes text: a whisper-cli run per clip (the default), a whisper-server child that
// keeps the model loaded, or a whisper-server elsewhere.
#include <QString>

#include <optional>

namespace parlix {

enum class EngineMode { perClip, keepLoaded, remote };

// "per-clip", "server", "remote": stored in the settings and spoken by parlixctl --engine.
QString rawValue(EngineMode mode);
// Nothing for an unknown name.
std::optional<EngineMode> engineModeFromRaw(const QString &raw);
// The settings row's words.
QString label(EngineMode mode);

} // namespace parlix
