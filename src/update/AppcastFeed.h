#pragma once
// The update feed: an RSS 2.0 "appcast" with Sparkle's namespace, one <item> per release.
// Parsing, version ordering and the decision whether a feed offers something newer than the
// running version; no network here.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace parlix::update {

inline constexpr auto sparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

struct AppcastItem {
    QString title;
    // The version compared with the running one (sparkle:version).
    QString version;
    // The version shown to people (sparkle:shortVersionString); may be empty.
    QString shortVersionString;
    QUrl enclosureUrl;
    QUrl link;
    // Release notes as the feed gives them: usually HTML, sometimes plain text.
    QString description;
    QUrl releaseNotesLink;
    QDateTime pubDate;

    QString displayVersion() const { return shortVersionString.isEmpty() ? version : shortVersionString; }
    // The page to send people to: the download itself, else the release page.
    QUrl downloadUrl() const { return enclosureUrl.isValid() ? enclosureUrl : link; }
    bool operator==(const AppcastItem &) const = default;
};

struct Appcast {
    // The items in feed order; those without a version are left out.
    QList<AppcastItem> items;
    // Empty when the feed was read; else why it could not be.
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Relative URLs in the feed are resolved against `feedUrl`.
Appcast parseAppcast(const QByteArray &xml, const QUrl &feedUrl = {});

// Orders versions the way Sparkle does: numbers compare numerically ("1.10" > "1.9"), missing
// trailing zeros do not count ("1.0" == "1.0.0"), a letter part marks a pre-release of what
// precedes it ("1.2b1" < "1.2" < "1.2.1"). Returns <0, 0 or >0.
int compareVersions(const QString &a, const QString &b);

// The item with the greatest version (the first of equals); none for an empty list.
std::optional<AppcastItem> newestItem(const QList<AppcastItem> &items);

// What one check concluded from the feed it fetched.
struct CheckOutcome {
    enum class Kind { updateFound, noUpdate, failed };
    Kind kind = Kind::noUpdate;
    AppcastItem update;
    QString error;
};
CheckOutcome evaluateAppcast(const QByteArray &xml, const QUrl &feedUrl, const QString &runningVersion);

} // namespace parlix::update
