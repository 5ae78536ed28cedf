#pragma once
// A replacement rule: when the user speaks `trigger`, `replacement` takes its place. The
// replacement may hold backslash commands ("\n", "\bold", …) that processedReplacement() turns
// into the characters they stand for; the stored text keeps them as typed.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace parlix {

struct TextReplacementRule {
    QUuid id;
    QString trigger;
    QString replacement;
    bool isEnabled = true;

    // A new rule gets a fresh random id; editing keeps it.
    TextReplacementRule() : id(QUuid::createUuid()) {}
    TextReplacementRule(QString trigger, QString replacement, bool isEnabled)
        : id(QUuid::createUuid()), trigger(std::move(trigger)), replacement(std::move(replacement)), isEnabled(isEnabled)
    {
    }
    TextReplacementRule(QUuid id, QString trigger, QString replacement, bool isEnabled)
        : id(id), trigger(std::move(trigger)), replacement(std::move(replacement)), isEnabled(isEnabled)
    {
    }

    // `replacement` with every backslash command expanded; computed on each call.
    QString processedReplacement() const { return expandCommands(replacement); }
    static QString expandCommands(const QString &text);

    // The 34 built-in example rules, all disabled; their ids are drawn once per process.
    static const QList<TextReplacementRule> &examples();

    // Stored form: a compact JSON array of {"id","trigger","replacement","isEnabled"} objects,
    // ids in upper-case canonical form. Nothing when a text cannot be written as UTF-8 (an
    // unpaired surrogate), so a damaged list never overwrites a good stored one.
    static std::optional<QByteArray> encode(const QList<TextReplacementRule> &rules);
    // Nothing unless the document is an array of objects that all carry the four members with
    // the right types and a valid id; extra members are ignored.
    static std::optional<QList<TextReplacementRule>> decode(const QByteArray &bytes);

    bool operator==(const TextReplacementRule &) const = default;
};

} // namespace parlix
