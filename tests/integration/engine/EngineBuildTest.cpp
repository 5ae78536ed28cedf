// How set-up builds the engine. For this machine: whisper-cli's own report names exactly the vector
// instructions this processor has (a portable build stops at AVX2; a build for another CPU would
// name ones this one lacks, or crash). For packages: every CPU variant beside the engine, the best
// one loaded at start, and the baseline enough to transcribe.
#include "EngineTestSupport.h"
#include "ProcessRunner.h"
#include "TestEnvironment.h"
#include "WavReader.h"

#include <QDir>
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

// The file name of the CPU variant the engine says it loaded.
QString loadedVariant(const QByteArray &standardError)
{
    static const QByteArray marker = "loaded CPU backend from ";
    for (const QByteArray &line : standardError.split('\n')) {
        if (const qsizetype at = line.indexOf(marker); at >= 0)
            return QString::fromUtf8(line.mid(at + marker.size()).trimmed()).section(u'/', -1);
    }
    return {};
}

TEST(EngineBuild, DispatchingEngineLoadsTheBestVariantAndRunsOnTheBaseline)
{
    const QString built = QStringLiteral(PARLIX_TEST_DISPATCH_ENGINE_DIR);
    if (built.isEmpty())
        GTEST_SKIP() << "set-up built no dispatching engine (it does with the test tools and the pinned source)";
    if (!QFile::exists(built + QStringLiteral("/libggml-cpu-x64.so")))
        GTEST_SKIP() << "the variants here are not x86-64 ones";
    QTemporaryDir dir;
    const QString model = parlix::test::makeSyntheticModel(QStringLiteral("for-tests-ggml-tiny.bin"),
                                                           dir.filePath(QStringLiteral("synthetic.bin")), QStringLiteral(" Hello world!"));
    ASSERT_FALSE(model.isEmpty());
    const QString clip = dir.filePath(QStringLiteral("silence.wav"));
    ASSERT_TRUE(parlix::test::writeSilentWav(clip));
    // The oldest CPU's view: the engine with the baseline variant as the only one beside it.
    const QString baseline = dir.filePath(QStringLiteral("baseline"));
    ASSERT_TRUE(QDir().mkpath(baseline));
    for (const QFileInfo &file : QDir(built).entryInfoList(QDir::Files)) {
        const QString name = file.fileName();
        if (name.startsWith(QLatin1String("libggml-cpu-")) && name != QLatin1String("libggml-cpu-x64.so"))
            continue;
        ASSERT_TRUE(QFile::copy(file.absoluteFilePath(), baseline + u'/' + name)) << name.toStdString();
    }

    for (const QString &engineDir : {built, baseline}) {
        const auto run = parlix::test::runProcess(engineDir + QStringLiteral("/whisper-cli"),
                                                  {QStringLiteral("-m"), model, QStringLiteral("-f"), clip, QStringLiteral("-nt")});
        ASSERT_TRUE(run.finished && run.exitCode == 0) << engineDir.toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(run.out.trimmed(), "Hello world!") << engineDir.toStdString();
        const QString variant = loadedVariant(run.err);
        if (engineDir == baseline)
            EXPECT_EQ(variant, QStringLiteral("libggml-cpu-x64.so"));
        else // any x86-64 CPU of today has more than the baseline
            EXPECT_TRUE(variant.startsWith(QLatin1String("libggml-cpu-")) && variant != QLatin1String("libggml-cpu-x64.so"))
                << variant.toStdString();
    }
}

} // namespace
