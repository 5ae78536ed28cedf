// The update feed: any document parses to items or an error, and the version order of the items
// it yields is a consistent order (reflexive, antisymmetric).
#include "update/AppcastFeed.h"

#include "FuzzSupport.h"

using namespace parlix;

namespace {
int sign(int v) { return (v > 0) - (v < 0); }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QUrl feedUrl(QStringLiteral("https://updates.example.org/parlix/appcast.xml"));
    const QByteArray xml = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const update::Appcast feed = update::parseAppcast(xml, feedUrl);
    fuzz::require(feed.ok() || feed.items.isEmpty(), "a feed that failed yields no items");
    for (const auto &a : feed.items) {
        fuzz::require(update::compareVersions(a.version, a.version) == 0, "a version equals itself");
        for (const auto &b : feed.items)
            fuzz::require(sign(update::compareVersions(a.version, b.version)) == -sign(update::compareVersions(b.version, a.version)),
                          "versions compare antisymmetrically");
    }
    (void)update::newestItem(feed.items);
    (void)update::evaluateAppcast(xml, feedUrl, QStringLiteral("1.0"));
    return 0;
}
