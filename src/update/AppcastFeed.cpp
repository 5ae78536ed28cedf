#include "update/AppcastFeed.h"

#include <QXmlStreamReader>

namespace parlix::update {

namespace {

const QString sparkleNs = QString::fromLatin1(sparkleNamespace);

QUrl urlFrom(const QString &text, const QUrl &feedUrl)
{
    const QUrl url(text.trimmed());
    if (url.isEmpty() || !url.isValid())
        return {};
    return url.isRelative() && feedUrl.isValid() ? feedUrl.resolved(url) : url;
}

AppcastItem readItem(QXmlStreamReader &r, const QUrl &feedUrl)
{
    AppcastItem item;
    // The enclosure's attributes are the older way to give the versions; elements win.
    QString enclosureVersion;
    QString enclosureShortVersion;
    while (r.readNextStartElement()) {
        const auto name = r.name();
        if (r.namespaceUri() == sparkleNs) {
            if (name == QLatin1String("version"))
                item.version = r.readElementText().trimmed();
            else if (name == QLatin1String("shortVersionString"))
                item.shortVersionString = r.readElementText().trimmed();
            else if (name == QLatin1String("releaseNotesLink"))
                item.releaseNotesLink = urlFrom(r.readElementText(), feedUrl);
            else
                r.skipCurrentElement();
        } else if (!r.namespaceUri().isEmpty()) {
            r.skipCurrentElement();
        } else if (name == QLatin1String("title")) {
            item.title = r.readElementText().trimmed();
        } else if (name == QLatin1String("link")) {
            item.link = urlFrom(r.readElementText(), feedUrl);
        } else if (name == QLatin1String("description")) {
            // Unescaped markup inside the element still counts as its text.
            item.description = r.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (name == QLatin1String("pubDate")) {
            item.pubDate = QDateTime::fromString(r.readElementText().trimmed(), Qt::RFC2822Date);
        } else if (name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes a = r.attributes();
            item.enclosureUrl = urlFrom(a.value(QLatin1String("url")).toString(), feedUrl);
            enclosureVersion = a.value(sparkleNs, QLatin1String("version")).toString().trimmed();
            enclosureShortVersion = a.value(sparkleNs, QLatin1String("shortVersionString")).toString().trimmed();
            r.skipCurrentElement();
        } else {
            r.skipCurrentElement();
        }
    }
    if (item.version.isEmpty())
        item.version = enclosureVersion;
    if (item.shortVersionString.isEmpty())
        item.shortVersionString = enclosureShortVersion;
    return item;
}

void readChannel(QXmlStreamReader &r, Appcast &feed, const QUrl &feedUrl)
{
    while (r.readNextStartElement()) {
        if (r.name() == QLatin1String("item") && r.namespaceUri().isEmpty()) {
            AppcastItem item = readItem(r, feedUrl);
            if (!item.version.isEmpty())
                feed.items.append(std::move(item));
        } else {
            r.skipCurrentElement();
        }
    }
}

QString describeXmlError(const QXmlStreamReader &r)
{
    return QStringLiteral("The update feed is not valid XML: %1 (line %2, column %3)")
        .arg(r.errorString())
        .arg(r.lineNumber())
        .arg(r.columnNumber());
}

Appcast failure(const QString &error)
{
    Appcast feed;
    feed.error = error;
    return feed;
}

// A version as alternating runs of digits and letters; everything else only separates them.
struct VersionPart {
    bool isNumber;
    QString text;
};

QList<VersionPart> splitVersion(const QString &version)
{
    QList<VersionPart> parts;
    bool inRun = false;
    for (const QChar c : version) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digit && !c.isLetter()) {
            inRun = false;
            continue;
        }
        if (!inRun || parts.last().isNumber != digit)
            parts.append({digit, QString()});
        parts.last().text += c;
        inRun = true;
    }
    // Numbers without their leading zeros, so that comparing them never overflows.
    for (VersionPart &p : parts) {
        if (!p.isNumber)
            continue;
        qsizetype zeros = 0;
        while (zeros < p.text.size() && p.text[zeros] == QLatin1Char('0'))
            ++zeros;
        p.text.remove(0, zeros);
    }
    return parts;
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

int compareParts(const VersionPart &a, const VersionPart &b)
{
    if (a.isNumber != b.isNumber)
        return a.isNumber ? 1 : -1; // a release number beats a pre-release tag
    if (a.isNumber && a.text.size() != b.text.size())
        return a.text.size() < b.text.size() ? -1 : 1;
    return sign(QString::compare(a.text, b.text, a.isNumber ? Qt::CaseSensitive : Qt::CaseInsensitive));
}

} // namespace

Appcast parseAppcast(const QByteArray &xml, const QUrl &feedUrl)
{
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement())
        return failure(r.hasError() ? describeXmlError(r) : QStringLiteral("The update feed is empty"));
    if (r.name() != QLatin1String("rss"))
        return failure(QStringLiteral("The update feed is not an RSS feed (its root element is <%1>)")
                           .arg(r.qualifiedName().toString()));
    Appcast feed;
    bool sawChannel = false;
    while (r.readNextStartElement()) {
        if (r.name() == QLatin1String("channel") && r.namespaceUri().isEmpty()) {
            sawChannel = true;
            readChannel(r, feed, feedUrl);
        } else {
            r.skipCurrentElement();
        }
    }
    // Read to the end so that anything broken after the channel is noticed too.
    while (!r.atEnd())
        r.readNext();
    if (r.hasError())
        return failure(describeXmlError(r));
    if (!sawChannel)
        return failure(QStringLiteral("The update feed has no <channel>"));
    return feed;
}

int compareVersions(const QString &a, const QString &b)
{
    const QList<VersionPart> pa = splitVersion(a);
    const QList<VersionPart> pb = splitVersion(b);
    const qsizetype common = std::min(pa.size(), pb.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (const int c = compareParts(pa[i], pb[i]))
            return c;
    }
    // The longer one is newer if what it adds is a non-zero number, older if it adds a
    // pre-release tag, the same if it only adds zeros.
    const QList<VersionPart> &longer = pa.size() > pb.size() ? pa : pb;
    const int longerIsA = pa.size() > pb.size() ? 1 : -1;
    for (qsizetype i = common; i < longer.size(); ++i) {
        const VersionPart &p = longer[i];
        if (p.isNumber && p.text.isEmpty())
            continue;
        return p.isNumber ? longerIsA : -longerIsA;
    }
    return 0;
}

std::optional<AppcastItem> newestItem(const QList<AppcastItem> &items)
{
    std::optional<AppcastItem> newest;
    for (const AppcastItem &item : items) {
        if (!newest || compareVersions(item.version, newest->version) > 0)
            newest = item;
    }
    return newest;
}

CheckOutcome evaluateAppcast(const QByteArray &xml, const QUrl &feedUrl, const QString &runningVersion)
{
    const Appcast feed = parseAppcast(xml, feedUrl);
    CheckOutcome outcome;
    if (!feed.ok()) {
        outcome.kind = CheckOutcome::Kind::failed;
        outcome.error = feed.error;
        return outcome;
    }
    const std::optional<AppcastItem> newest = newestItem(feed.items);
    if (newest && compareVersions(newest->version, runningVersion) > 0) {
        outcome.kind = CheckOutcome::Kind::updateFound;
        outcome.update = *newest;
    }
    return outcome;
}

} // namespace parlix::update
