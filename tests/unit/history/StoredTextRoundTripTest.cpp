// Values read from the settings and history files that the next save used to change or drop.
// Found by the fuzz targets in tests/fuzz (their inputs are in its seed corpus as well).
#include "core/Categories.h"
#include "core/JsonFileKeyValueStore.h"
#include "history/HistoryFile.h"

#include "CategoryLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;

namespace {

TEST(StoredTextRoundTrip, HistoryTextWithAnUnpairedSurrogateIsWrittenBackAsItWasRead)
{
    const char *const texts[] = {
        R"(lone high \ud83d)", R"(\ude00 lone low)", R"(reversed \ude00\ud83d pair)", R"(paired \ud83d\ude00 \ud83d)",
    };
    for (const char *text : texts) {
        const QByteArray file = QByteArray(R"([{"id":"0B7D2A3E-5F11-4C3A-9C55-2B1E7A4D9F10","text":")") + text + R"(","timestamp":1.5}])";
        QList<TranscriptItem> read, reread;
        QString error;
        ASSERT_TRUE(historyfile::decode(file, read, error)) << text;
        ASSERT_TRUE(historyfile::decode(historyfile::encode(read), reread, error)) << text;
        EXPECT_EQ(reread, read) << text;
    }
}

TEST(StoredTextRoundTrip, SettingANumberItsTypeCannotHoldIsUnreadable)
{
    const char *const values[] = {
        R"({"float": 1e39})", // infinite as a float; the next save would write null
        R"({"int": 1.5})", // was read as 0
    };
    for (const char *value : values) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.json"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(R"({"kept": {"int": 7}, "number": )") + value + "}");
        file.close();
        test::CategoryLog log(lcSettings());

        const JsonFileKeyValueStore store(path);

        EXPECT_EQ(store.object(QStringLiteral("number")), std::nullopt) << value;
        EXPECT_EQ(store.object(QStringLiteral("kept")), std::optional<QVariant>(qlonglong(7))) << value;
        EXPECT_EQ(log.lines, QStringList{QStringLiteral("error Ignoring unreadable setting number")}) << value;
    }
}

} // namespace
