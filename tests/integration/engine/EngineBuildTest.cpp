// How set-up builds the engine for packages: every CPU variant beside the engine, the best one
// loaded at start, and the baseline enough to transcribe.
#include "EngineTestSupport.h"
#include "ProcessRunner.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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
