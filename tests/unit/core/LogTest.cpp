// Log lines: printf-style placeholders filled from typed arguments, and redaction of user text.
#include "CategoryLog.h"
#include "core/Categories.h"
#include "core/Log.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace parlix {
namespace {

using test::CategoryLog;

struct FormatCase {
    const char *name;
    QString actual;
    const char *expected;
};

QString s(const char *text) { return QString::fromUtf8(text); }

// Built when the table is: format() is called once per row.
const FormatCase formatCases[] = {
    {"double_as_d", log::format("%d", {2.9}), "2"},
    {"bool_true", log::format("Translate: %{bool}d", {true}), "Translate: true"},
    {"percent", log::format("100%% done", {}), "100% done"},
    {"several_in_order", log::format("%s failed with code %d: %s", {s("whisper-cli"), qint64(3), s("boom")}),
     "whisper-cli failed with code 3: boom"},
    {"missing_argument", log::format("%s and %s", {s("a")}), "a and (null)"},
    {"unknown_conversion_kept", log::format("%q %s", {s("x")}), "%q x"},
    {"argument_not_reparsed", log::format("%s", {s("%d %s")}), "%d %s"},
};

TEST(LogFormat, FillsPlaceholdersInOrder)
{
    for (const FormatCase &param : formatCases) {
        SCOPED_TRACE(param.name);
        EXPECT_EQ(param.actual, QString::fromUtf8(param.expected));
    }
}

// PARLIX_LOG_PRIVATE is read once per process, so only the default (unset) is checked here.
TEST(LogPrivate, UserTextIsRedactedByDefault)
{
    if (qEnvironmentVariableIsSet("PARLIX_LOG_PRIVATE"))
        GTEST_SKIP() << "PARLIX_LOG_PRIVATE is set in this environment";
    EXPECT_FALSE(log::privateDataShown());
    EXPECT_EQ(log::format("Transcription complete: %s...", {log::Private{s("my bank PIN is 1234")}}),
              "Transcription complete: <private>...");

    CategoryLog capture(lcWhisper());
    log::info(lcWhisper, "Using prompt context: %s... (%d)", log::Private{s("secret words")}, 7u);
    EXPECT_EQ(capture.lines, QStringList{"info Using prompt context: <private>... (7)"});
}

TEST(LogStderr, LineCarriesTimeLevelAndCategory)
{
    const QString line = log::stderrLine(QtCriticalMsg, "com.quorvane.parlix.Whisper", s("whisper-cli failed"));
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} error \[com\.quorvane\.parlix\.Whisper\] whisper-cli failed$)")
                    .match(line)
                    .hasMatch())
        << line.toStdString();
    EXPECT_TRUE(log::stderrLine(QtDebugMsg, nullptr, s("x")).endsWith(" debug [default] x"));
}

} // namespace
} // namespace parlix
