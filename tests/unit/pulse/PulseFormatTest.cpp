// The format a recording stream asks for, from the source's own: nothing the source has is lost
// and the recorders can read every result.
#include "platform/pulse/PulseFormat.h"

#include <gtest/gtest.h>

using parlix::AudioFormat;
using parlix::pulse::captureFormatFor;
using parlix::pulse::wireFormat;

namespace {

using Type = AudioFormat::SampleType;

struct Case {
    const char *name;
    pa_sample_format_t source;
    Type expected;
};

TEST(CaptureFormat, KeepsRateAndChannelsAndPicksALosslessType)
{
    const Case cases[] = {
        {"u8", PA_SAMPLE_U8, Type::uint8}, {"s16be", PA_SAMPLE_S16BE, Type::int16},
        {"alaw", PA_SAMPLE_ALAW, Type::int16}, {"s24le", PA_SAMPLE_S24LE, Type::int32},
        {"float32be", PA_SAMPLE_FLOAT32BE, Type::float32},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const pa_sample_spec spec{c.source, 44100, 2};
        const AudioFormat format = captureFormatFor(spec);
        EXPECT_EQ(format.sampleType, c.expected);
        EXPECT_EQ(format.sampleRate, 44100);
        EXPECT_EQ(format.channelCount, 2);
        // What goes on the wire is that type, in this machine's byte order.
        const pa_sample_format_t wire = wireFormat(format.sampleType);
        EXPECT_TRUE(pa_sample_format_is_ne(wire) == 1 || wire == PA_SAMPLE_U8) << pa_sample_format_to_string(wire);
        const pa_sample_spec wireSpec{wire, 44100, 2};
        EXPECT_EQ(int(pa_frame_size(&wireSpec)), format.bytesPerFrame());
    }
}

TEST(CaptureFormat, UnusableSourceFormatsAreInvalid)
{
    EXPECT_FALSE(captureFormatFor(pa_sample_spec{PA_SAMPLE_INVALID, 48000, 2}).isValid());
    EXPECT_FALSE(captureFormatFor(pa_sample_spec{PA_SAMPLE_S16LE, 0, 2}).isValid());
    EXPECT_FALSE(captureFormatFor(pa_sample_spec{PA_SAMPLE_S16LE, 48000, 0}).isValid());
    EXPECT_EQ(wireFormat(Type::unknown), PA_SAMPLE_INVALID);
}

} // namespace
