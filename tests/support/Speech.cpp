#include "Speech.h"

#include "WavReader.h"

#include <QProcess>
#include <QTemporaryDir>

namespace parlix::test {

namespace {

bool runToEnd(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

std::vector<int16_t> spokenSamples(const QString &text)
{
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("raw.wav"));
    const QString converted = dir.filePath(QStringLiteral("speech.wav"));
    if (!runToEnd(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), raw, text})
        || !runToEnd(QStringLiteral("sox"), {raw, QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"), QStringLiteral("1"),
                                             QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-e"), QStringLiteral("signed-integer"),
                                             converted}))
        return {};
    const auto wav = readWav(converted);
    return wav ? wav->samples : std::vector<int16_t>{};
}

} // namespace parlix::test
