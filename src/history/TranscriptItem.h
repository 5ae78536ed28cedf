#pragma once
// One history record: what was delivered, what the engine said before the replacement rules,
// when, and with which model.
#include "history/DateContext.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace parlix {

struct TranscriptItem {
    QUuid id;
    QString text;
    std::optional<QString> originalText;
    QDateTime timestamp;
    std::optional<QString> modelName;

    bool operator==(const TranscriptItem &) const = default;

    // Pieces of `text` between space characters (U+0020 only), empty pieces not counted.
    qsizetype wordCount() const;
    // "Today at 3:04:05 PM", "Yesterday at …", "Monday at …" within the current week, else
    // "Mar 4, 2025 at …", in the context's locale and time zone, relative to its clock.
    QString detailedTimestamp(const DateContext &context) const;
    // The detailed timestamp, the word count, the model when known, an empty line, the text.
    QString tooltipText(const DateContext &context) const;
};

// "1 word", "0 words", "2 words".
QString wordCountText(qsizetype count);

} // namespace parlix
