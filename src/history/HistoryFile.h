#pragma once
// The history file: a UTF-8 JSON array, newest record first, each record an object with "id"
// (upper-case UUID), "text", "timestamp" (seconds since 2001-01-01 00:00:00 UTC) and, only when
// present, "originalText" and "modelName". Written compactly.
#include "history/TranscriptItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace parlix::historyfile {

QByteArray encode(const QList<TranscriptItem> &items);

// The records in file order. A missing or mistyped required key anywhere makes the whole file
// unreadable: returns false and describes the first problem in `error`.
bool decode(const QByteArray &bytes, QList<TranscriptItem> &items, QString &error);

// Seconds since 2001-01-01 00:00:00 UTC and back (millisecond precision).
double referenceSeconds(const QDateTime &moment);
QDateTime fromReferenceSeconds(double seconds);

} // namespace parlix::historyfile
