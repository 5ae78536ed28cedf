#pragma once
// The entries of the microphone picker: the system default first, then every input device by
// its description, and a stored device that is absent as "<name> (not connected)".
#include "platform/AudioInput.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace parlix::ui {

struct MicrophoneChoice {
    // The device id stored for this entry; none for the system default.
    std::optional<QString> deviceId;
    QString label;

    bool operator==(const MicrophoneChoice &) const = default;
};

// `knownNames` maps device ids to the descriptions seen earlier, so a device unplugged while the
// picker is open keeps its name.
QList<MicrophoneChoice> microphoneChoices(const QList<AudioDevice> &devices, const std::optional<QString> &stored,
                                          const QHash<QString, QString> &knownNames);

} // namespace parlix::ui
