// The direct PulseAudio input's pieces: the format a recording stream asks for, from the
// source's own (nothing the source has is lost and the recorders can read every result), and
// byte runs cut anywhere coming out as whole frames, in order, with nothing lost or shifted.
#include "platform/pulse/PulseFormat.h"
#include "platform/pulse/FrameAssembler.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using parlix::AudioFormat;
using parlix::pulse::captureFormatFor;
using parlix::pulse::wireFormat;
using parlix::pulse::FrameAssembler;

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

struct Output {
    std::vector<char> bytes;
    std::vector<long long> runs;
};

// Feeds `stream` cut at the given lengths (the rest in one last piece).
Output feed(size_t frameBytes, const std::vector<char> &stream, const std::vector<size_t> &cuts)
{
    FrameAssembler assembler;
    assembler.reset(frameBytes);
    Output out;
    auto deliver = [&](const char *data, long long frames) {
        out.runs.push_back(frames);
        out.bytes.insert(out.bytes.end(), data, data + frames * static_cast<long long>(frameBytes));
    };
    size_t at = 0;
    for (size_t cut : cuts) {
        assembler.push(stream.data() + at, cut, deliver);
        at += cut;
    }
    assembler.push(stream.data() + at, stream.size() - at, deliver);
    return out;
}

std::vector<char> counting(size_t n)
{
    std::vector<char> v(n);
    std::iota(v.begin(), v.end(), char(1));
    return v;
}

struct AssemblerCase {
    const char *name;
    size_t frameBytes;
    size_t totalBytes;
    std::vector<size_t> cuts;
    std::vector<long long> runs; // frames per delivery
};

TEST(FrameAssemblerCases, DeliversEveryWholeFrameInOrder)
{
    const AssemblerCase cases[] = {
        {"splitInsideAFrame", 4, 16, {6}, {1, 1, 2}},
        {"frameSpreadOverThreeRuns", 8, 16, {3, 2}, {1, 1}},
        {"emptyRunsInBetween", 4, 12, {0, 5, 0, 0}, {1, 1, 1}},
        {"trailingPartialFrameWaits", 6, 15, {}, {2}},
        {"stereoFloatCutOddly", 8, 80, {7, 9, 33}, {1, 1, 4, 1, 3}},
    };
    for (const AssemblerCase &c : cases) {
        SCOPED_TRACE(c.name);
        const auto stream = counting(c.totalBytes);
        const Output out = feed(c.frameBytes, stream, c.cuts);
        EXPECT_EQ(out.runs, c.runs);
        const size_t whole = c.totalBytes / c.frameBytes * c.frameBytes;
        EXPECT_EQ(out.bytes, std::vector<char>(stream.begin(), stream.begin() + std::ptrdiff_t(whole)));
    }
}

TEST(FrameAssembler, ResetDropsAHalfFrameFromTheStreamBefore)
{
    FrameAssembler assembler;
    assembler.reset(4);
    std::vector<char> got;
    auto deliver = [&](const char *data, long long frames) { got.insert(got.end(), data, data + frames * 4); };
    const std::vector<char> half{9, 9};
    assembler.push(half.data(), half.size(), deliver);
    EXPECT_EQ(assembler.pendingBytes(), 2u);
    assembler.reset(4);
    const std::vector<char> frame{1, 2, 3, 4};
    assembler.push(frame.data(), frame.size(), deliver);
    EXPECT_EQ(got, frame);
}

} // namespace
