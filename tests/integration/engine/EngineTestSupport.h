#pragma once
// Helpers shared by the engine runner's integration tests: audio files, child processes and the
// synthetic model tool.
#include "TestEnvironment.h"
#include "WavReader.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace parlix::test {

// 16 kHz, mono, 16-bit PCM silence.
inline bool writeSilentWav(const QString &path, int samples = 16000)
{
    return writeWav(path, std::vector<int16_t>(size_t(samples), 0));
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

struct ProcessResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end (a generous limit guards against a hung child taking the suite down).
inline ProcessResult runProcess(const QString &program, const QStringList &arguments,
                                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProcessResult run;
    if (!process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        run.err = "did not finish: " + process.errorString().toUtf8();
        return run;
    }
    run.finished = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = run.finished ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
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
