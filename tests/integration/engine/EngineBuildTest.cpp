// The engine set-up builds for this machine: whisper-cli's own report names exactly the vector
// instructions this processor has (a portable build stops at AVX2; a build for another CPU would
// name ones this one lacks, or crash).
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "WavReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList cpuFlags()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
        if (line.startsWith("flags"))
            return QString::fromLatin1(line).section(u':', 1).split(u' ', Qt::SkipEmptyParts);
    }
    return {};
}

TEST(EngineBuild, ReportsTheVectorInstructionsOfThisCpu)
{
    if (!PARLIX_TEST_NATIVE_ENGINE)
        GTEST_SKIP() << "whisper-cli did not come from set-up's build for this CPU";
    const QStringList flags = cpuFlags();
    ASSERT_FALSE(flags.isEmpty()) << "no CPU flags in /proc/cpuinfo";
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("silence.wav"));
    ASSERT_TRUE(parlix::test::writeWav(clip, std::vector<int16_t>(16000, 0)));

    // Without -np the engine prints its "system_info:" line.
    const auto run = parlix::test::runProcess(parlix::test::resourceDirectory() + QStringLiteral("/whisper-cli"),
        {QStringLiteral("-m"), parlix::test::fixturesDirectory() + QStringLiteral("/for-tests-ggml-tiny.bin"),
         QStringLiteral("-f"), clip, QStringLiteral("-nt")});
    ASSERT_TRUE(run.finished && run.exitCode == 0) << run.err.toStdString();
    QString report;
    for (const QByteArray &line : run.err.split('\n')) {
        if (line.startsWith("system_info:"))
            report = QString::fromUtf8(line);
    }
    ASSERT_FALSE(report.isEmpty()) << run.err.toStdString();

    const std::pair<const char *, const char *> features[] = {
        {"avx2", "AVX2"}, {"fma", "FMA"}, {"f16c", "F16C"}, {"avx512f", "AVX512"},
        {"avx512_vnni", "AVX512_VNNI"}, {"avx512_bf16", "AVX512_BF16"}, {"avx_vnni", "AVX_VNNI"},
    };
    for (const auto &[flag, name] : features) {
        EXPECT_EQ(report.contains(QStringLiteral(" %1 = 1 ").arg(QLatin1String(name))), flags.contains(QLatin1String(flag)))
            << name << " in: " << report.toStdString();
    }
}

} // namespace
