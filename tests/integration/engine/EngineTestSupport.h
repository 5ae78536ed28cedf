#pragma once
// Helpers shared by the engine runner's integration tests: audio files, child processes and the
// synthetic model tool.
#include "TestEnvironment.h"

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace parlix::test {

// 16 kHz, mono, 16-bit PCM silence.
inline bool writeSilentWav(const QString &path, int samples = 16000)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream s(&file);
    s.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = quint32(samples) * 2;
    s.writeRawData("RIFF", 4);
    s << quint32(36 + dataBytes);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2) << quint16(16);
    s.writeRawData("data", 4);
    s << dataBytes;
    file.write(QByteArray(qsizetype(dataBytes), '\0'));
    return s.status() == QDataStream::Ok;
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
