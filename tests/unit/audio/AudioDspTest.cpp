// Sample arithmetic, the WAV byte layouts, and the conversion to 16 kHz: speech-band tones pass
// at their level, tones above 8 kHz are removed instead of folding back, and how a stream is cut
// into buffers changes nothing.
#include "Files.h"
#include "WavReader.h"
#include "audio/AudioDsp.h"
#include "audio/WavFile.h"
#include "audio/Resampler.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>

using namespace parlix;

namespace {

qint16 s16At(const QByteArray &b, int offset) { return qFromLittleEndian<qint16>(b.constData() + offset); }

} // namespace

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

namespace {

std::vector<float> tone(double hz, double rate, size_t n)
{
    std::vector<float> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = float(0.5 * std::sin(2 * M_PI * hz * double(i) / rate));
    return v;
}

// Fed in 1024-frame buffers as a capture delivers them, then flushed.
std::vector<float> convert(const std::vector<float> &input, double rate, const std::vector<size_t> &bufferSizes = {1024})
{
    dsp::Resampler resampler(rate);
    std::vector<float> all, out;
    size_t at = 0;
    for (size_t i = 0; at < input.size(); ++i) {
        const size_t n = std::min(bufferSizes[i % bufferSizes.size()], input.size() - at);
        resampler.process(std::span<const float>(input).subspan(at, n), out);
        all.insert(all.end(), out.begin(), out.end());
        at += n;
    }
    resampler.flush(out);
    all.insert(all.end(), out.begin(), out.end());
    return all;
}

// Level of the steady middle half relative to the input's, in dB.
double gainDb(const std::vector<float> &out)
{
    double sum = 0;
    const size_t from = out.size() / 4, to = out.size() * 3 / 4;
    for (size_t i = from; i < to; ++i)
        sum += double(out[i]) * double(out[i]);
    const double rms = std::sqrt(sum / double(to - from));
    return 20 * std::log10(std::max(rms, 1e-12) / (0.5 / std::sqrt(2.0)));
}

} // namespace

TEST(Resampler, SpeechBandPassesAndEverythingAboveEightKilohertzIsRemoved)
{
    struct Case {
        double rate;
        double hz;
        double minDb, maxDb;
    };
    const Case cases[] = {
        {48000, 1000, -0.1, 0.1},
        {44100, 1000, -0.1, 0.1},
        {48000, 3400, -0.1, 0.1},
        // Linear interpolation kept 12 kHz at full level, folded to 4 kHz.
        {48000, 12000, -1000, -60},
        {44100, 12000, -1000, -60},
        {48000, 9000, -1000, -60},
        {16000, 1000, -0.01, 0.01},
    };
    for (const Case &c : cases) {
        const double db = gainDb(convert(tone(c.hz, c.rate, size_t(c.rate)), c.rate));
        EXPECT_GE(db, c.minDb) << c.hz << " Hz at " << c.rate;
        EXPECT_LE(db, c.maxDb) << c.hz << " Hz at " << c.rate;
    }
}

TEST(Resampler, BufferBoundariesLeaveNoTraceAndNothingIsLost)
{
    struct Case {
        double rate;
        std::vector<size_t> bufferSizes;
    };
    const Case cases[] = {
        {48000, {1024}},
        {44100, {441, 1000, 7, 1, 2000, 960}},
        {16000, {3, 100, 160}},
    };
    for (const Case &c : cases) {
        const std::vector<float> input = tone(440, c.rate, size_t(c.rate / 2));
        const std::vector<float> whole = convert(input, c.rate, {input.size()});
        const std::vector<float> pieces = convert(input, c.rate, c.bufferSizes);
        ASSERT_EQ(pieces.size(), whole.size()) << c.rate;
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_NEAR(pieces[i], whole[i], 1e-6) << c.rate << " Hz, sample " << i;
        // With the filter flushed the length follows the rate exactly.
        EXPECT_NEAR(double(whole.size()), double(input.size()) * 16000.0 / c.rate, 1.0) << c.rate;
    }
}
