#pragma once
// How long a PCM WAV file plays, from its format chunk's byte rate and the bytes after its data
// chunk's header. The file's size is used rather than the data chunk's stated size, so a clip
// whose header was never finished (the recorder was killed) still gets its real length.
#include <QString>

#include <optional>

namespace parlix {

// Seconds of audio; nothing when the file cannot be read or is not a RIFF/WAVE file.
std::optional<double> wavDurationSeconds(const QString &path);

} // namespace parlix
