// A full disk while Parlix saves: what was stored before stays intact and the failure is said in
// plain words. Each save runs in a child whose files cannot grow (see FileSizeLimit.h).
#include "audio/AudioRecorder.h"
#include "core/JsonFileKeyValueStore.h"
#include "history/HistoryStore.h"

#include "FakeAudioInput.h"
#include "Files.h"
#include "FileSizeLimit.h"
#include "MemoryKeyValueStore.h"
#include "WavReader.h"
#include "core/Coro.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

namespace {

// Saves that replace a whole file: the old file must survive a new one that cannot be written.
TEST(DiskFull, FailedSaveKeepsTheStoredFileAndSaysWhy)
{
    struct Case {
        const char *name;
        // Stores something in the parent, under `dir`; returns the file that holds it.
        std::function<QString(const QString &dir)> store;
        // The child's change that no longer fits.
        std::function<void(const QString &path)> change;
        QString message;
    };
    const QString longText(2000, QLatin1Char('x'));
    const Case cases[] = {
        {"settings",
         [](const QString &dir) {
             const QString path = dir + QStringLiteral("/settings.json");
             JsonFileKeyValueStore(path).setString(QStringLiteral("language"), QStringLiteral("fr"));
             return path;
         },
         [&](const QString &path) { JsonFileKeyValueStore(path).setString(QStringLiteral("vocabulary"), longText); },
         QStringLiteral("com.quorvane.parlix.Settings: Failed to write settings to %1: ")},
        {"history",
         [](const QString &dir) {
             const QString path = dir + QStringLiteral("/history.json");
             test::MemoryKeyValueStore store;
             SettingsModel settings(store);
             HistoryStore history(settings, path);
             history.add(QStringLiteral("first transcript"));
             history.add(QStringLiteral("second transcript"));
             return path;
         },
         [&](const QString &path) {
             test::MemoryKeyValueStore store;
             SettingsModel settings(store);
             HistoryStore(settings, path).add(longText);
         },
         QStringLiteral("com.quorvane.parlix.History: Failed to save history: ")},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString path = c.store(dir.path());
        const QByteArray before = test::fileBytes(path);
        ASSERT_FALSE(before.isEmpty()) << c.name;

        const auto child = test::runWithFileSizeLimit(rlim_t(before.size() + 100), [&] {
            c.change(path);
            return 0;
        });

        EXPECT_EQ(child.exitCode, 0) << c.name;
        EXPECT_EQ(test::fileBytes(path), before) << c.name;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()})
            << c.name << ": a partial file was left behind";
        const QString expected = c.message.contains(QLatin1String("%1")) ? c.message.arg(path) : c.message;
        EXPECT_TRUE(std::any_of(child.messages.begin(), child.messages.end(), [&](const QString &m) { return m.startsWith(expected); }))
            << c.name << ": " << child.messages.join(QLatin1Char('\n')).toStdString();
    }
}

// A recording that fills the disk: the clip keeps every sample written before, as a valid WAV
// file, and the recording ends with the reason.
TEST(DiskFull, RecordingKeepsWhatWasWrittenAndIsInterrupted)
{
    QTemporaryDir dir;
    constexpr int kSecond = 16000;
    const auto child = test::runWithFileSizeLimit(rlim_t(44 + 2 * kSecond + 1000), [&] {
        test::FakeAudioInput input;
        test::MemoryKeyValueStore store;
        SettingsModel settings(store);
        AudioRecorder recorder(input, settings);
        recorder.setTemporaryDirectory(dir.path());
        bool interrupted = false;
        recorder.onRecordingInterrupted = [&](const AudioRecorderError &) { interrupted = true; };
        coro::waitFor(recorder.startRecording());
        input.deliverFloats(std::vector<float>(kSecond, 0.25f));
        input.deliverFloats(std::vector<float>(kSecond, 0.5f));
        QCoreApplication::processEvents();
        recorder.stopRecording();
        return interrupted ? 0 : 1;
    });

    EXPECT_EQ(child.exitCode, 0) << "the recorder was not told";
    EXPECT_TRUE(child.messages.contains(
        QStringLiteral("com.quorvane.parlix.AudioRecorder: Recording interrupted: Cannot write the recording: File too large")))
        << child.messages.join(QLatin1Char('\n')).toStdString();
    const QStringList clips = QDir(dir.path()).entryList({QStringLiteral("*.wav")}, QDir::Files);
    ASSERT_EQ(clips.size(), 1);
    QString error;
    const auto wav = test::readWav(QDir(dir.path()).filePath(clips[0]), &error);
    ASSERT_TRUE(wav) << error.toStdString();
    EXPECT_EQ(wav->samples, std::vector<int16_t>(kSecond, 8192));
    EXPECT_EQ(wav->fileSize, 44 + 2 * kSecond);
}

} // namespace
