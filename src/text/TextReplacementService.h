#pragma once
// Rewrites a finished transcript with the user's replacement rules: spoken commands become
// punctuation, line breaks, list prefixes, symbols and Markdown-style emphasis, and the spacing
// and punctuation the recogniser put around a spoken command are absorbed. Patterns use ICU
// syntax and are matched case-insensitively against the lower-cased, escaped trigger.
#include "core/SettingsModel.h"
#include "core/TextReplacementRule.h"

#include <QList>
#include <QMap>
#include <QString>

namespace parlix {

class TextReplacementService {
public:
    explicit TextReplacementService(const SettingsModel &settings);

    // The input unchanged unless experimental features and text replacement are both on;
    // otherwise rewrite() with the enabled rules. Never fails.
    QString applyReplacements(const QString &text) const;

    // The rules part on its own: enabled rules in three groups (paired markers, insertions,
    // plain substitutions), then the final tidy-up. The input unchanged when no rule applies.
    static QString rewrite(const QString &text, const QList<TextReplacementRule> &rules);

    // Processed replacements that wrap a span of text, and the marker each wraps it in.
    static const QMap<QString, QString> &pairedMarkers();

private:
    const SettingsModel &m_settings;
};

} // namespace parlix
