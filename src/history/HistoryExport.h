#pragma once
// The three export formats of the history (UTF-8, no byte-order mark), all records newest first,
// and the file name proposed for an export.
#include "history/DateContext.h"
#include "history/ExportFormat.h"
#include "history/TranscriptItem.h"

#include <QByteArray>
#include <QList>

namespace parlix::exports {

// Readable text: a header (title, export time, count, a rule of "="), then one block per record
// with its time in the locale's medium styles, the model, the text and a differing original.
QByteArray asText(const QList<TranscriptItem> &items, const DateContext &context);
// "timestamp,model,word_count,text,original_text", one line per record, quotes doubled.
QByteArray asCSV(const QList<TranscriptItem> &items);
// An array of objects with sorted keys, two-space indentation and " : " between key and value.
QByteArray asJSON(const QList<TranscriptItem> &items);
QByteArray as(ExportFormat format, const QList<TranscriptItem> &items, const DateContext &context);

// "parlix_history_2025-03-04_200102.csv": the context's current local time, to the second.
QString suggestedFileName(ExportFormat format, const DateContext &context);
// UTC, whole seconds, literal "Z": 2025-03-04T20:01:02Z.
QString iso8601(const QDateTime &moment);

} // namespace parlix::exports
