// Sample arithmetic and the WAV byte layouts.
#include "Files.h"
#include "WavReader.h"
#include "audio/AudioDsp.h"
#include "audio/WavFile.h"

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
