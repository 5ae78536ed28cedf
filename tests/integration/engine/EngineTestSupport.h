#pragma once
// Helpers shared by the engine runner's integration tests: audio files and the synthetic model tool.
#include "Files.h"
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "WavReader.h"

#include <QString>
#include <QStringList>

namespace parlix::test {

// 16 kHz, mono, 16-bit PCM silence.
inline bool writeSilentWav(const QString &path, int samples = 16000)
{
    return writeWav(path, std::vector<int16_t>(size_t(samples), 0));
}

// Builds a model from a tests/fixtures for-tests model that transcribes any audio as `phrase`.
// Returns an empty string on failure.
inline QString makeSyntheticModel(const QString &fixtureName, const QString &out, const QString &phrase)
{
    const ProcessResult run = runProcess(testBinDirectory() + QStringLiteral("/make_synthetic_model"),
                                         {fixturesDirectory() + QLatin1Char('/') + fixtureName, out, phrase});
    return run.finished && run.exitCode == 0 ? out : QString();
}

} // namespace parlix::test
