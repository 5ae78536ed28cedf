// Both recorders against a real PulseAudio server whose virtual microphone speaks espeak-ng
// speech in real time: a clip holds whole frames mixed down to 16 kHz mono, and a
// server or microphone that disappears mid-recording loses nothing already captured. Every case
// runs over both inputs: Qt Multimedia's and the direct libpulse one.
#include "audio/AudioRecorder.h"
#include "platform/pulse/PulseAudioInput.h"
#include "platform/qtaudio/QtAudioInput.h"

#include "MemoryKeyValueStore.h"
#include "PulseAudioSession.h"
#include "Pump.h"
#include "Speech.h"
#include "WavReader.h"
#include "core/Coro.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace parlix;

using parlix::test::pumpFor;
using parlix::test::pumpUntil;
using parlix::test::spokenSamples;

namespace {

// The sentence the microphone speaks; made once.
const std::vector<int16_t> &sentence()
{
    static const std::vector<int16_t> samples = spokenSamples(QStringLiteral("The quick brown fox jumps over the lazy dog."));
    return samples;
}

// Without the silence the pipe source produced before and after the audio was written.
std::vector<int16_t> trimmed(const std::vector<int16_t> &samples)
{
    auto begin = std::find_if(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
    auto end = std::find_if(samples.rbegin(), samples.rend(), [](int16_t s) { return s != 0; }).base();
    return begin < end ? std::vector<int16_t>(begin, end) : std::vector<int16_t>{};
}

std::unique_ptr<AudioInput> makeInput(const std::string &kind)
{
    if (kind == "pulse")
        return std::make_unique<PulseAudioInput>();
    return std::make_unique<QtAudioInput>();
}

class AudioCaptureTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(sentence().empty()) << "espeak-ng and sox are needed";
        ASSERT_NO_FATAL_FAILURE(startMicrophone({}));
    }

    // A microphone of its own server with `options`, and the input under test reading it.
    void startMicrophone(test::PulseAudioSession::Options options)
    {
        ASSERT_TRUE(test::PulseAudioSession::toolsAvailable()) << "pulseaudio and pactl are needed (scripts/setup.sh installs them)";
        input.reset();
        pulse = std::make_unique<test::PulseAudioSession>(options);
        QString error;
        ASSERT_TRUE(pulse->start(&error)) << error.toStdString();
        input = makeInput(GetParam());
    }

    // Speaks `samples` into the microphone in real time and waits until they are written and
    // have had time to pass through the server.
    void speak(const std::vector<int16_t> &samples, bool silenceAfter = false)
    {
        pulse->enqueue(samples);
        pulse->startFeeding(silenceAfter);
        const int ms = int(samples.size() / 16) + 5000;
        ASSERT_TRUE(pumpUntil([&] { return pulse->waitUntilFed(0); }, ms));
    }

    std::unique_ptr<test::PulseAudioSession> pulse;
    std::unique_ptr<AudioInput> input;
    test::MemoryKeyValueStore store;
    SettingsModel settings{store};
    QTemporaryDir tmp;
    QString dir = tmp.filePath(QStringLiteral("audio"));
};

TEST_P(AudioCaptureTest, DevicesListTheVirtualMicrophoneAsDefaultAndAnUnknownOneIsRefused)
{
    const QList<AudioDevice> devices = input->devices();
    const auto mic = std::find_if(devices.begin(), devices.end(), [](const AudioDevice &d) { return d.id == "virtmic"; });
    ASSERT_NE(mic, devices.end());
    EXPECT_TRUE(mic->isDefault);
    const AudioFormat format = input->deviceFormat({});
    EXPECT_EQ(format.sampleRate, 16000);
    EXPECT_EQ(format.channelCount, 1);

    // Which device a recorder asks for is RecorderTest's; the input refuses one it does not have.
    EXPECT_FALSE(input->deviceFormat("alsa_input.unplugged").isValid());
    QFuture<QString> started = input->start("alsa_input.unplugged", {});
    ASSERT_TRUE(pumpUntil([&] { return started.isFinished(); }, 5000));
    EXPECT_EQ(started.result(), QStringLiteral("No audio input device"));
    input->stop();
}

TEST_P(AudioCaptureTest, ServerKilledMidRecordingKeepsTheClipAndTheNextStartWorks)
{
    AudioRecorder recorder(*input, settings);
    recorder.setTemporaryDirectory(dir);
    int interruptions = 0;
    recorder.onRecordingInterrupted = [&](const AudioRecorderError &) { ++interruptions; };
    const QString path = coro::waitFor(recorder.startRecording());
    const std::vector<int16_t> &all = sentence();
    speak(std::vector<int16_t>(all.begin(), all.begin() + std::ptrdiff_t(all.size() / 2)));
    pumpFor(300);
    pulse->kill();
    ASSERT_TRUE(pumpUntil([&] { return interruptions > 0; }, 10000));
    EXPECT_EQ(interruptions, 1);
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_EQ(recorder.stopRecording(), path);
    const auto wav = test::readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->fileSize, qint64(44 + wav->dataSize));
    EXPECT_NEAR(double(trimmed(wav->samples).size()), double(all.size() / 2), double(all.size()) * 0.02);

    // Once the server is back, recording works again (Qt reconnects on its own schedule).
    QString error;
    ASSERT_TRUE(pulse->start(&error)) << error.toStdString();
    std::optional<QString> second;
    ASSERT_TRUE(pumpUntil(
        [&] {
            try {
                second = coro::waitFor(recorder.startRecording());
                return true;
            } catch (const AudioRecorderError &) {
                QThread::msleep(200);
                return false;
            }
        },
        20000));
    speak(std::vector<int16_t>(all.begin(), all.begin() + 16000));
    pumpFor(300);
    recorder.stopRecording();
    const auto again = test::readWav(*second);
    ASSERT_TRUE(again);
    EXPECT_NEAR(double(trimmed(again->samples).size()), 16000.0, 400.0);
}

TEST_P(AudioCaptureTest, MicrophoneRemovedMidRecordingEndsItWithEverythingKept)
{
    AudioRecorder recorder(*input, settings);
    recorder.setTemporaryDirectory(dir);
    int interruptions = 0;
    QString description;
    recorder.onRecordingInterrupted = [&](const AudioRecorderError &e) {
        ++interruptions;
        description = e.errorDescription();
    };
    const QString path = coro::waitFor(recorder.startRecording());
    speak(std::vector<int16_t>(sentence().begin(), sentence().begin() + 24000));
    pumpFor(300);
    ASSERT_TRUE(pulse->unloadVirtualMic());
    ASSERT_TRUE(pumpUntil([&] { return interruptions > 0; }, 10000));
    EXPECT_EQ(description, QStringLiteral("Recording failed: The audio input device was removed"));
    ASSERT_EQ(recorder.stopRecording(), path);
    const auto wav = test::readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->fileSize, qint64(44 + wav->dataSize));
    EXPECT_NEAR(double(trimmed(wav->samples).size()), 24000.0, 500.0);

    // No microphone left: monitors of outputs are not microphones. What a recorder makes of an
    // empty list is RecorderTest's.
    EXPECT_TRUE(pumpUntil([&] { return input->devices().isEmpty(); }, 5000));
}

// A 48 kHz stereo microphone: whole frames arrive, and the clip holds the mix of both channels at
// 16 kHz (a frame cut in two would shift every later sample into the wrong channel or byte).
TEST_P(AudioCaptureTest, ClipOfAStereoMicrophoneHoldsTheMixOfBothChannelsAt16kHz)
{
    ASSERT_NO_FATAL_FAILURE(startMicrophone({48000, 2}));
    const AudioFormat format = input->deviceFormat("virtmic");
    EXPECT_EQ(format.sampleRate, 48000);
    EXPECT_EQ(format.channelCount, 2);
    AudioRecorder recorder(*input, settings);
    recorder.setTemporaryDirectory(dir);
    const QString path = coro::waitFor(recorder.startRecording());
    // One second of a 300 Hz tone on the left, three times as loud and inverted on the right.
    std::vector<int16_t> frames(2 * 48000);
    for (size_t i = 0; i < 48000; ++i) {
        frames[2 * i] = int16_t(4000 * std::sin(2 * M_PI * 300.0 * double(i) / 48000.0));
        frames[2 * i + 1] = int16_t(-12000 * std::sin(2 * M_PI * 300.0 * double(i) / 48000.0));
    }
    pulse->enqueue(frames);
    pulse->startFeeding(false);
    ASSERT_TRUE(pumpUntil([&] { return pulse->waitUntilFed(0); }, 6000));
    pumpFor(300);
    ASSERT_EQ(recorder.stopRecording(), path);
    const auto wav = test::readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->sampleRate, 16000);
    EXPECT_EQ(wav->channels, 1);
    const auto heard = trimmed(wav->samples);
    EXPECT_NEAR(double(heard.size()), 16000.0, 320.0);
    // (4000 - 12000) / 2 = a tone of amplitude 4000.
    EXPECT_NEAR(test::rms(heard), 4000.0 / std::sqrt(2.0), 100.0);
}

INSTANTIATE_TEST_SUITE_P(Inputs, AudioCaptureTest, ::testing::Values("qt", "pulse"),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

} // namespace
