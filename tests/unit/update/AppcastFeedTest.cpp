// The appcast: fields of an item in both of Sparkle's spellings, feeds that cannot be read,
// version order, and which item counts as an update for the running version.
#include "update/AppcastFeed.h"

#include <gtest/gtest.h>

using namespace parlix::update;

namespace parlix::update {
void PrintTo(const AppcastItem &i, std::ostream *os)
{
    *os << QStringList{i.title, i.version, i.shortVersionString, i.enclosureUrl.toString(), i.link.toString(), i.description,
                       i.releaseNotesLink.toString(), i.pubDate.toString(Qt::ISODate)}.join(u'|').toStdString();
}
} // namespace parlix::update

namespace {

QByteArray feed(const QByteArray &items, const QByteArray &channelExtra = {})
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\""
           " xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n<channel><title>Parlix</title>"
           + channelExtra + items + "</channel></rss>\n";
}

const QUrl feedUrl(QStringLiteral("https://updates.example.org/parlix/appcast.xml"));

TEST(AppcastParseTest, ItemFields)
{
    const struct {
        const char *name;
        QByteArray item;
        AppcastItem expected;
    } cases[] = {
        {"elements",
         "<item><title>Version 1.2</title>"
         "<link>https://example.org/parlix/1.2</link>"
         "<sparkle:version>1.2.0</sparkle:version>"
         "<sparkle:shortVersionString>1.2</sparkle:shortVersionString>"
         "<sparkle:releaseNotesLink>https://example.org/notes/1.2.html</sparkle:releaseNotesLink>"
         "<pubDate>Tue, 04 Mar 2025 15:04:05 +0000</pubDate>"
         "<description><![CDATA[<h2>New</h2><p>Faster &amp; smaller</p>]]></description>"
         "<enclosure url=\"https://example.org/parlix-1.2.tar.gz\" length=\"123\" type=\"application/octet-stream\"/>"
         "</item>",
         {"Version 1.2", "1.2.0", "1.2", QUrl("https://example.org/parlix-1.2.tar.gz"),
          QUrl("https://example.org/parlix/1.2"), "<h2>New</h2><p>Faster &amp; smaller</p>",
          QUrl("https://example.org/notes/1.2.html"), QDateTime(QDate(2025, 3, 4), QTime(15, 4, 5), Qt::UTC)}},
        {"versionsOnTheEnclosure",
         "<item><title>1.3</title><enclosure url=\"https://example.org/p-1.3.tgz\" sparkle:version=\"13\""
         " sparkle:shortVersionString=\"1.3\"/></item>",
         {"1.3", "13", "1.3", QUrl("https://example.org/p-1.3.tgz"), {}, {}, {}, {}}},
        // Escaped HTML and markup that is not in CDATA both come out as the notes' text.
        {"escapedDescription", "<item><sparkle:version>2</sparkle:version><description>&lt;b&gt;Bold&lt;/b&gt;</description></item>",
         {{}, "2", {}, {}, {}, "<b>Bold</b>", {}, {}}},
        {"relativeUrls",
         "<item><sparkle:version>3</sparkle:version><link>releases/3</link><enclosure url=\"../files/p-3.tgz\"/>"
         "<sparkle:releaseNotesLink>notes/3.html</sparkle:releaseNotesLink></item>",
         {{}, "3", {}, QUrl("https://updates.example.org/files/p-3.tgz"), QUrl("https://updates.example.org/parlix/releases/3"),
          {}, QUrl("https://updates.example.org/parlix/notes/3.html"), {}}},
        // Elements of other namespaces (and Sparkle's nested ones) are passed over, enclosures inside them too.
        {"foreignAndNestedElements",
         "<item><dc:creator>someone</dc:creator><sparkle:version>4</sparkle:version>"
         "<sparkle:deltas><enclosure url=\"https://example.org/delta\" sparkle:version=\"4\"/></sparkle:deltas></item>",
         {{}, "4", {}, {}, {}, {}, {}, {}}},
    };
    for (const auto &c : cases) {
        const Appcast parsed = parseAppcast(feed(c.item), feedUrl);
        ASSERT_TRUE(parsed.ok()) << c.name << ": " << parsed.error.toStdString();
        ASSERT_EQ(parsed.items.size(), 1) << c.name;
        EXPECT_EQ(parsed.items[0], c.expected) << c.name;
    }
}

// Items without a version are left out; of equal versions the first listed is the newest.
TEST(AppcastParseTest, ItemsWithoutVersionAreLeftOutAndTheFirstOfEqualVersionsIsNewest)
{
    const Appcast parsed = parseAppcast(feed("<item><title>no version</title><enclosure url=\"https://x/a\"/></item>"
                                             "<item><title>older</title><sparkle:version>1.5</sparkle:version></item>"
                                             "<item><title>first</title><sparkle:version>2.0</sparkle:version></item>"
                                             "<item><title>empty</title><sparkle:version> </sparkle:version></item>"
                                             "<item><title>second</title><sparkle:version>2</sparkle:version></item>"));
    ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.items.size(), 3);
    EXPECT_EQ(newestItem(parsed.items)->title, QStringLiteral("first"));
    EXPECT_FALSE(newestItem({}).has_value());
    EXPECT_TRUE(parseAppcast(feed("")).ok());
}

TEST(AppcastParseTest, UnreadableFeedsAreErrors)
{
    const struct {
        const char *name;
        QByteArray xml;
        const char *errorStart;
    } cases[] = {
        {"empty", "", "The update feed is not valid XML: "},
        {"html", "<html><body>Not Found</body></html>", "The update feed is not an RSS feed (its root element is <html>)"},
        {"noChannel", "<rss version=\"2.0\"></rss>", "The update feed has no <channel>"},
    };
    for (const auto &c : cases) {
        const Appcast parsed = parseAppcast(c.xml);
        EXPECT_FALSE(parsed.ok()) << c.name;
        EXPECT_TRUE(parsed.items.isEmpty()) << c.name;
        EXPECT_TRUE(parsed.error.startsWith(QString::fromUtf8(c.errorStart))) << c.name << ": " << parsed.error.toStdString();
    }
}

TEST(VersionOrderTest, ComparesLikeSparkle)
{
    const struct {
        const char *a;
        const char *b;
        int order;
    } cases[] = {
        {"1.10", "1.9", 1},
        {"1.0", "1.0.0", 0},
        {"1.2b1", "1.2", -1},
        {"1.2rc1", "1.2b3", 1},
        {"1.2-beta", "1.2", -1},
        {"1.99999999999999999999", "1.99999999999999999998", 1},
        {"", "0.1", -1},
    };
    for (const auto &c : cases) {
        const QString a = QString::fromUtf8(c.a);
        const QString b = QString::fromUtf8(c.b);
        EXPECT_EQ(compareVersions(a, b), c.order) << c.a << " vs " << c.b;
        EXPECT_EQ(compareVersions(b, a), -c.order) << c.b << " vs " << c.a;
    }
}

TEST(AppcastEvaluateTest, NewestItemAgainstTheRunningVersion)
{
    const QByteArray three = feed("<item><sparkle:version>1.9</sparkle:version></item>"
                                  "<item><sparkle:version>1.10</sparkle:version><sparkle:shortVersionString>1.10 (ten)</sparkle:shortVersionString>"
                                  "<enclosure url=\"https://example.org/1.10.tgz\"/></item>"
                                  "<item><sparkle:version>1.10b2</sparkle:version></item>");
    const struct {
        const char *name;
        QByteArray xml;
        const char *running;
        CheckOutcome::Kind kind;
        const char *foundVersion;
    } cases[] = {
        {"newerThanRunning", three, "1.2", CheckOutcome::Kind::updateFound, "1.10"},
        {"sameAsRunning", three, "1.10", CheckOutcome::Kind::noUpdate, ""},
        {"runningPreRelease", three, "1.10b3", CheckOutcome::Kind::updateFound, "1.10"},
        {"malformed", "<rss><channel>", "0.1.0", CheckOutcome::Kind::failed, ""},
    };
    for (const auto &c : cases) {
        const CheckOutcome outcome = evaluateAppcast(c.xml, feedUrl, QString::fromUtf8(c.running));
        EXPECT_EQ(outcome.kind, c.kind) << c.name;
        EXPECT_EQ(outcome.kind == CheckOutcome::Kind::failed, !outcome.error.isEmpty()) << c.name;
        if (c.kind == CheckOutcome::Kind::updateFound) {
            EXPECT_EQ(outcome.update.version, QString::fromUtf8(c.foundVersion)) << c.name;
            EXPECT_EQ(outcome.update.displayVersion(), QStringLiteral("1.10 (ten)")) << c.name;
            EXPECT_EQ(outcome.update.downloadUrl(), QUrl("https://example.org/1.10.tgz")) << c.name;
        }
    }
}

} // namespace
