#include "history/ExportFormat.h"

#include <QCoreApplication>

namespace parlix {

const QList<ExportFormat> &allExportFormats()
{
    static const QList<ExportFormat> formats{ExportFormat::txt, ExportFormat::csv, ExportFormat::json};
    return formats;
}

QString rawValue(ExportFormat format)
{
    switch (format) {
    case ExportFormat::txt: return QStringLiteral("txt");
    case ExportFormat::csv: return QStringLiteral("csv");
    case ExportFormat::json: return QStringLiteral("json");
    }
    return {};
}

QString label(ExportFormat format)
{
    switch (format) {
    case ExportFormat::txt: return QCoreApplication::translate("parlix::ExportFormat", "Text (.txt)");
    case ExportFormat::csv: return QStringLiteral("CSV (.csv)");
    case ExportFormat::json: return QStringLiteral("JSON (.json)");
    }
    return {};
}

QString mimeType(ExportFormat format)
{
    switch (format) {
    case ExportFormat::txt: return QStringLiteral("text/plain");
    case ExportFormat::csv: return QStringLiteral("text/csv");
    case ExportFormat::json: return QStringLiteral("application/json");
    }
    return {};
}

std::optional<ExportFormat> exportFormatFromRaw(const QString &raw)
{
    for (const ExportFormat format : allExportFormats()) {
        if (rawValue(format) == raw)
            return format;
    }
    return std::nullopt;
}

} // namespace parlix
