#pragma once
// The history export formats; the raw value is also the file extension.
#include <QList>
#include <QString>

#include <optional>

namespace parlix {

enum class ExportFormat { txt, csv, json };

// In picker order.
const QList<ExportFormat> &allExportFormats();
QString rawValue(ExportFormat format);
// "Text (.txt)", "CSV (.csv)", "JSON (.json)".
QString label(ExportFormat format);
// The content type a save dialog offers: text/plain, text/csv, application/json.
QString mimeType(ExportFormat format);
// The format whose raw value equals `raw` exactly.
std::optional<ExportFormat> exportFormatFromRaw(const QString &raw);

} // namespace parlix
