#pragma once
// Which microphone a recording opens: the device saved in the settings when it is present, else
// the system default. Linux asks no permission for the microphone; recording is possible exactly
// when an input device exists.
#include "core/Log.h"
#include "platform/AudioInput.h"

#include <optional>

namespace parlix {

struct InputDeviceChoice {
    QByteArray deviceId;          // empty: the system default
    std::optional<QString> error; // set when there is nothing to record from
};

InputDeviceChoice chooseInputDevice(AudioInput &input, const std::optional<QString> &savedDeviceId, log::Category category);

} // namespace parlix
