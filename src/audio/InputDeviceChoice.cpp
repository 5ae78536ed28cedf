#include "audio/InputDeviceChoice.h"

#include <QCoreApplication>

namespace parlix {

InputDeviceChoice chooseInputDevice(AudioInput &input, const std::optional<QString> &savedDeviceId, log::Category category)
{
    const QList<AudioDevice> devices = input.devices();
    if (devices.isEmpty())
        return {{}, QCoreApplication::translate("parlix::InputDeviceChoice", "No audio input device")};
    if (!savedDeviceId || savedDeviceId->isEmpty())
        return {};
    const QByteArray wanted = savedDeviceId->toUtf8();
    for (const AudioDevice &device : devices) {
        if (device.id == wanted)
            return {wanted, std::nullopt};
    }
    log::info(category, "Audio input device %s is not available, using the system default", *savedDeviceId);
    return {};
}

} // namespace parlix
