// Sample arithmetic and the WAV byte layouts.
#include "Files.h"
#include "WavReader.h"
#include "audio/AudioDsp.h"
#include "audio/WavFile.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using namespace parlix;

namespace {

std::vector<float> ramp(size_t n, float step = 1.0f)
{
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = float(i) * step;
    return v;
}

qint16 s16At(const QByteArray &b, int offset) { return qFromLittleEndian<qint16>(b.constData() + offset); }

} // namespace

TEST(Resampler, InterpolatesLinearlyAtFractionalPositions)
{
    struct Case {
        double rate;
        std::vector<float> input;
        std::vector<float> expected;
    };
    const Case cases[] = {
        // Every third sample at 48 kHz.
        {48000, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 3, 6}},
        // 24 kHz: positions 0, 1.5, 3 -> halfway between neighbours.
        {24000, {0, 10, 20, 30, 40, 50, 60}, {0, 15, 30, 45}},
        // Upsampling: the last output past the final pair repeats the last sample.
        {8000, {0, 2, 4}, {0, 1, 2, 3, 4, 4}},
        // 16 kHz passes through.
        {16000, {0.25f, -0.5f, 1.0f}, {0.25f, -0.5f, 1.0f}},
    };
    for (const Case &c : cases) {
        const auto out = dsp::resampleTo16k(c.input, c.rate);
        ASSERT_EQ(out.size(), c.expected.size()) << c.rate;
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_NEAR(out[i], c.expected[i], 1e-4) << c.rate << " Hz, sample " << i;
    }
}

TEST(StreamResampler, SplittingIntoBuffersChangesNothing)
{
    // A clip is resampled buffer by buffer; where the buffers meet no sample may be lost or doubled.
    struct Case {
        double rate;
        std::vector<size_t> bufferSizes;
    };
    const Case cases[] = {
        {48000, {1024, 1024, 1024, 1024}},
        {44100, {441, 1000, 7, 1, 2000, 960}},
        {8000, {3, 100, 160}},
    };
    for (const Case &c : cases) {
        const size_t total = std::accumulate(c.bufferSizes.begin(), c.bufferSizes.end(), size_t(0));
        std::vector<float> signal(total);
        for (size_t i = 0; i < total; ++i)
            signal[i] = float(std::sin(double(i) * 0.01));

        dsp::StreamResampler whole(c.rate);
        std::vector<float> expected;
        whole.process(signal, expected);

        dsp::StreamResampler pieces(c.rate);
        std::vector<float> joined, out;
        size_t at = 0;
        for (size_t size : c.bufferSizes) {
            pieces.process(std::span<const float>(signal).subspan(at, size), out);
            joined.insert(joined.end(), out.begin(), out.end());
            at += size;
        }
        ASSERT_EQ(joined.size(), expected.size()) << c.rate;
        for (size_t i = 0; i < joined.size(); ++i)
            ASSERT_NEAR(joined[i], expected[i], 1e-5) << c.rate << " Hz, sample " << i;
        // Length follows the rate; only the outputs that still wait for the last input sample's
        // right neighbour are missing.
        EXPECT_NEAR(double(joined.size()), double(total) * 16000.0 / c.rate, 16000.0 / c.rate + 1.0) << c.rate;
    }
}

TEST(SampleConversion, IntegerFormatsBecomeUnitFloats)
{
    const int16_t s16[] = {0, 16384, -32768, 32767};
    const int32_t s32[] = {0, 1073741824, INT32_MIN};
    const uint8_t u8[] = {128, 192, 0};
    struct Case {
        AudioFormat::SampleType type;
        const void *data;
        qint64 frames;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {AudioFormat::SampleType::int16, s16, 4, {0.0f, 0.5f, -1.0f, 32767.0f / 32768.0f}},
        {AudioFormat::SampleType::int32, s32, 3, {0.0f, 0.5f, -1.0f}},
        {AudioFormat::SampleType::uint8, u8, 3, {0.0f, 0.5f, -1.0f}},
        {AudioFormat::SampleType::unknown, s16, 4, {}},
    };
    for (const Case &c : cases) {
        std::vector<float> out;
        dsp::firstChannel({{16000, 1, c.type}, static_cast<const char *>(c.data), c.frames}, out);
        ASSERT_EQ(out.size(), c.expected.size()) << int(c.type);
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_FLOAT_EQ(out[i], c.expected[i]) << int(c.type) << " sample " << i;
    }
}

TEST(SampleConversion, FirstChannelAndMonoMixOfInterleavedStereo)
{
    const float stereo[] = {0.5f, -0.5f, 1.0f, 0.0f, -1.0f, -0.5f};
    const AudioBufferView view{{48000, 2, AudioFormat::SampleType::float32}, reinterpret_cast<const char *>(stereo), 3};
    std::vector<float> first, mono;
    dsp::firstChannel(view, first);
    dsp::mixToMono(view, mono);
    EXPECT_EQ(first, (std::vector<float>{0.5f, 1.0f, -1.0f}));
    EXPECT_EQ(mono, (std::vector<float>{0.0f, 0.5f, -0.75f}));
}

TEST(SampleConversion, SixteenBitSurvivesTheRoundTripThroughFloat)
{
    // The clip path turns 16-bit input into floats and back; a 16 kHz mono 16-bit microphone must
    // come out bit for bit.
    std::vector<int16_t> all;
    for (int v = -32768; v <= 32767; ++v)
        all.push_back(int16_t(v));
    std::vector<float> f;
    dsp::firstChannel({{16000, 1, AudioFormat::SampleType::int16}, reinterpret_cast<const char *>(all.data()), qint64(all.size())}, f);
    for (size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(dsp::toInt16Rounded(f[i]), all[i]) << i;
    EXPECT_EQ(dsp::toInt16Rounded(2.0f), 32767);
    EXPECT_EQ(dsp::toInt16Rounded(-2.0f), -32768);
}

TEST(Levels, PowerMeterAveragesWhatArrivedSinceTheLastRead)
{
    dsp::PowerMeter meter;
    EXPECT_FLOAT_EQ(meter.read(), -160.0f);

    std::vector<float> sine(1600);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = float(std::sin(2 * M_PI * 440.0 * double(i) / 16000.0));
    meter.add(sine);
    EXPECT_NEAR(meter.read(), -3.0103f, 0.01);

    // Two buffers before one read: their average, not the last one alone.
    meter.add(std::vector<float>(100, 1.0f));
    meter.add(std::vector<float>(100, 0.0f));
    EXPECT_NEAR(meter.read(), -3.0103f, 0.01);

    // Nothing new: the previous reading stands.
    EXPECT_NEAR(meter.read(), -3.0103f, 0.01);

    meter.add(std::vector<float>(100, 0.0f));
    EXPECT_FLOAT_EQ(meter.read(), -160.0f);
    meter.add(std::vector<float>(100, 1e-9f));
    EXPECT_FLOAT_EQ(meter.read(), -160.0f);
}

TEST(ChunkFile, HeaderDescribesSixteenKilohertzMonoPcm)
{
    const auto bytes = wav::chunkBytes(std::vector<float>(8000, 0.1f));
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 44 + 16000);
    // RIFF size 16036, fmt: PCM, 1 channel, 16000 Hz, 32000 bytes/s, 2-byte frames, 16 bits; data size 16000.
    EXPECT_EQ(bytes->left(44).toHex(), QByteArray("52494646a43e000057415645666d74201000000001000100803e0000007d0000"
                                                  "0200100064617461803e0000"));
    EXPECT_EQ(wav::chunkBytes({})->size(), 44);
}

TEST(ChunkFile, SamplesAreClampedScaledBy32767AndTruncated)
{
    struct Case {
        float in;
        qint16 out;
    };
    const Case cases[] = {
        {1.5f, 32767}, {-1.5f, -32767}, {-0.5f, -16383}, {0.99999f, 32766}, {-0.00002f, 0}, {0.00004f, 1},
    };
    std::vector<float> in;
    for (const Case &c : cases)
        in.push_back(c.in);
    const auto bytes = wav::chunkBytes(in);
    ASSERT_TRUE(bytes);
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_EQ(s16At(*bytes, 44 + 2 * int(i)), cases[i].out) << cases[i].in;
}

TEST(ClipFileWriter, FileIsValidAfterEveryAppendAndPrivate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clip.wav"));
    wav::FileWriter writer;
    ASSERT_TRUE(writer.open(path)) << writer.errorString().toStdString();
    EXPECT_EQ(test::fileMode(path), 0600);

    std::vector<int16_t> expected;
    const std::vector<std::vector<int16_t>> appends = {{1, 2, 3}, {}, {-32768, 32767}, std::vector<int16_t>(5000, 7)};
    for (const auto &a : appends) {
        ASSERT_TRUE(writer.append(a));
        expected.insert(expected.end(), a.begin(), a.end());
        // Read while the writer is still open, as a crash at this moment would leave it.
        QString error;
        const auto wav = test::readWav(path, &error);
        ASSERT_TRUE(wav) << error.toStdString();
        EXPECT_EQ(wav->riffSize, 36 + 2 * expected.size());
        EXPECT_EQ(wav->dataSize, 2 * expected.size());
        EXPECT_EQ(wav->fileSize, qint64(44 + 2 * expected.size()));
        EXPECT_EQ(wav->sampleRate, 16000);
        EXPECT_EQ(wav->channels, 1);
        EXPECT_EQ(wav->samples, expected);
    }
    writer.close();
    EXPECT_FALSE(writer.append(std::vector<int16_t>{1}));
}
