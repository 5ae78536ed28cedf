#include "core/TextReplacementRule.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

namespace parlix {

namespace {

// Applied top to bottom, each on the result of the row before. A command always comes before
// any shorter command that is a prefix of it ("\num" before "\n", "\trademark" before "\t",
// "\codeblock" before "\code"), so the longer one is never cut short.
const std::pair<const char *, const char *> kCommands[] = {
    {"\\num", "1. "},
    {"\\trademark", "\u2122"},
    {"\\n", "\n"},
    {"\\t", "\t"},
    {"\\bold", "**"},
    {"\\italic", "_"},
    {"\\strike", "~~"},
    {"\\codeblock", "```"},
    {"\\code", "`"},
    {"\\bullet", "\u2022 "},
    {"\\dash", "- "},
    {"\\arrow", "\u2192 "},
    {"\\checkbox", "\u2610 "},
    {"\\checked", "\u2611 "},
    {"\\h1", "# "},
    {"\\h2", "## "},
    {"\\h3", "### "},
    {"\\ellipsis", "\u2026"},
    {"\\emdash", "\u2014"},
    {"\\endash", "\u2013"},
    {"\\copyright", "\u00A9"},
    {"\\registered", "\u00AE"},
    {"\\degree", "\u00B0"},
    {"\\lquote", "\u201C"},
    {"\\rquote", "\u201D"},
    {"\\lsquote", "\u2018"},
    {"\\rsquote", "\u2019"},
    {"\\blockquote", "> "},
};

// Canonical 8-4-4-4-12 hexadecimal form, either letter case. QUuid::fromString alone would
// also take braces and answer the nil id for garbage.
std::optional<QUuid> parseId(const QString &text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return std::nullopt;
        } else if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(text);
}

QByteArray jsonString(const QString &s)
{
    // Let Qt do the JSON escaping; strip the array brackets around the one element.
    const QByteArray array = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

QString TextReplacementRule::expandCommands(const QString &text)
{
    QString result = text;
    if (!result.contains(u'\\'))
        return result;
    for (const auto &[command, output] : kCommands)
        result.replace(QLatin1String(command), QString::fromUtf8(output), Qt::CaseSensitive);
    return result;
}

const QList<TextReplacementRule> &TextReplacementRule::examples()
{
    static const QList<TextReplacementRule> list = [] {
        const std::pair<const char *, const char *> rows[] = {
            {"new paragraph", "\\n\\n"},
            {"new line", "\\n"},
            {"tab", "\\t"},
            {"period", "."},
            {"comma", ","},
            {"question mark", "?"},
            {"exclamation mark", "!"},
            {"ellipsis", "\\ellipsis"},
            {"bold", "\\bold"},
            {"italic", "\\italic"},
            {"strikethrough", "\\strike"},
            {"inline code", "\\code"},
            {"code block", "\\n\\codeblock\\n"},
            {"bullet point", "\\n\\bullet"},
            {"next bullet", "\\n\\bullet"},
            {"dash point", "\\n\\dash"},
            {"numbered item", "\\n\\num"},
            {"checkbox", "\\n\\checkbox"},
            {"checked box", "\\n\\checked"},
            {"arrow point", "\\n\\arrow"},
            {"heading one", "\\n\\h1"},
            {"heading two", "\\n\\h2"},
            {"heading three", "\\n\\h3"},
            {"open quote", "\\lquote"},
            {"close quote", "\\rquote"},
            {"block quote", "\\n\\blockquote"},
            {"em dash", "\\emdash"},
            {"en dash", "\\endash"},
            {"copyright symbol", "\\copyright"},
            {"trademark symbol", "\\trademark"},
            {"registered symbol", "\\registered"},
            {"degree symbol", "\\degree"},
            {"my email", "name@example.com"},
            {"my phone", "(555) 123-4567"},
        };
        QList<TextReplacementRule> rules;
        for (const auto &[trigger, replacement] : rows)
            rules.append(TextReplacementRule(QString::fromUtf8(trigger), QString::fromUtf8(replacement), false));
        return rules;
    }();
    return list;
}

std::optional<QByteArray> TextReplacementRule::encode(const QList<TextReplacementRule> &rules)
{
    QByteArray out = "[";
    for (const auto &rule : rules) {
        if (!QStringView(rule.trigger).isValidUtf16() || !QStringView(rule.replacement).isValidUtf16())
            return std::nullopt;
        if (out.size() > 1)
            out += ',';
        out += "{\"id\":\"" + rule.id.toString(QUuid::WithoutBraces).toUpper().toLatin1() + '"';
        out += ",\"trigger\":" + jsonString(rule.trigger);
        out += ",\"replacement\":" + jsonString(rule.replacement);
        out += ",\"isEnabled\":";
        out += rule.isEnabled ? "true" : "false";
        out += '}';
    }
    out += ']';
    return out;
}

std::optional<QList<TextReplacementRule>> TextReplacementRule::decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<TextReplacementRule> rules;
    for (const QJsonValue &element : doc.array()) {
        if (!element.isObject())
            return std::nullopt;
        const QJsonObject o = element.toObject();
        const QJsonValue id = o.value(QLatin1String("id"));
        const QJsonValue trigger = o.value(QLatin1String("trigger"));
        const QJsonValue replacement = o.value(QLatin1String("replacement"));
        const QJsonValue enabled = o.value(QLatin1String("isEnabled"));
        if (!id.isString() || !trigger.isString() || !replacement.isString() || !enabled.isBool())
            return std::nullopt;
        const auto uuid = parseId(id.toString());
        if (!uuid)
            return std::nullopt;
        rules.append(TextReplacementRule(*uuid, trigger.toString(), replacement.toString(), enabled.toBool()));
    }
    return rules;
}

} // namespace parlix
