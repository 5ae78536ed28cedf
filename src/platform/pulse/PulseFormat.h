#pragma once
// Which format a recording stream asks the server for, given the source's own format: the
// source's rate and channels, and a sample type the recorders read that loses nothing the source
// has (the server converts; 24-bit sources come as 32-bit, companded 8-bit as 16-bit).
#include "platform/AudioInput.h"

#include <pulse/sample.h>

namespace parlix::pulse {

// Invalid when the source's format is unusable.
AudioFormat captureFormatFor(const pa_sample_spec &source);
// The native-endian wire format for a sample type; PA_SAMPLE_INVALID for unknown.
pa_sample_format_t wireFormat(AudioFormat::SampleType type);

} // namespace parlix::pulse
