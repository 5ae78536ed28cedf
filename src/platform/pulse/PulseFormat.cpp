#include "platform/pulse/PulseFormat.h"

namespace parlix::pulse {

AudioFormat captureFormatFor(const pa_sample_spec &source)
{
    if (!pa_sample_spec_valid(&source))
        return {};
    AudioFormat::SampleType type = AudioFormat::SampleType::unknown;
    switch (source.format) {
    case PA_SAMPLE_U8: type = AudioFormat::SampleType::uint8; break;
    case PA_SAMPLE_ALAW:
    case PA_SAMPLE_ULAW:
    case PA_SAMPLE_S16LE:
    case PA_SAMPLE_S16BE: type = AudioFormat::SampleType::int16; break;
    case PA_SAMPLE_S24LE:
    case PA_SAMPLE_S24BE:
    case PA_SAMPLE_S24_32LE:
    case PA_SAMPLE_S24_32BE:
    case PA_SAMPLE_S32LE:
    case PA_SAMPLE_S32BE: type = AudioFormat::SampleType::int32; break;
    case PA_SAMPLE_FLOAT32LE:
    case PA_SAMPLE_FLOAT32BE: type = AudioFormat::SampleType::float32; break;
    default: return {};
    }
    return {int(source.rate), int(source.channels), type};
}

pa_sample_format_t wireFormat(AudioFormat::SampleType type)
{
    switch (type) {
    case AudioFormat::SampleType::uint8: return PA_SAMPLE_U8;
    case AudioFormat::SampleType::int16: return PA_SAMPLE_S16NE;
    case AudioFormat::SampleType::int32: return PA_SAMPLE_S32NE;
    case AudioFormat::SampleType::float32: return PA_SAMPLE_FLOAT32NE;
    case AudioFormat::SampleType::unknown: break;
    }
    return PA_SAMPLE_INVALID;
}

} // namespace parlix::pulse
