#include "history/HistoryStore.h"

#include "core/Categories.h"
#include "core/Files.h"
#include "core/Graphemes.h"
#include "core/Log.h"
#include "core/Paths.h"
#include "core/SettingsModel.h"
#include "history/HistoryExport.h"
#include "history/HistoryFile.h"

#include <QFile>
#include <QFileInfo>

namespace parlix {

HistoryStore::HistoryStore(SettingsModel &settings, QString historyFilePath, DateContext dates, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_path(std::move(historyFilePath))
    , m_dates(std::move(dates))
{
    loadHistory();
}

QString HistoryStore::defaultFilePath()
{
    return Paths::dataDirectory() + QStringLiteral("/history.json");
}

void HistoryStore::loadHistory()
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink()) {
        log::info(lcHistory, "No history file found, starting fresh");
        return;
    }
    QFile file(m_path);
    QList<TranscriptItem> loaded;
    QString error;
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            error = file.errorString();
        else
            historyfile::decode(bytes, loaded, error);
    }
    if (!error.isEmpty()) {
        m_loadError = error;
        m_fileUnreadable = true;
        log::error(lcHistory, "Failed to load history: %s", error);
        return;
    }
    emit itemsAboutToChange();
    m_items = std::move(loaded);
    emit itemsChanged();
    log::info(lcHistory, "Loaded %ld history items", m_items.size());
}

bool HistoryStore::saveHistory()
{
    if (m_fileUnreadable) {
        // Writing the new list over a file we could not read would destroy whatever it still
        // holds; keep it next to the new one instead.
        const QFileInfo info(m_path);
        if (info.exists() || info.isSymLink()) {
            const QString aside = files::moveAside(m_path);
            if (aside.isEmpty()) {
                log::error(lcHistory, "Failed to save history: %s",
                           QStringLiteral("the unreadable history file could not be moved aside"));
                return false;
            }
            log::info(lcHistory, "Moved unreadable history file to %s", aside);
        }
        m_fileUnreadable = false;
    }
    QString error;
    if (!files::writeAtomically(m_path, historyfile::encode(m_items), &error)) {
        log::error(lcHistory, "Failed to save history: %s", error);
        return false;
    }
    return true;
}

void HistoryStore::add(const QString &text, const std::optional<QString> &originalText,
                       const std::optional<QString> &modelName)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    TranscriptItem item{QUuid::createUuid(), trimmed,
                        originalText ? std::optional<QString>(originalText->trimmed()) : std::nullopt,
                        m_dates.currentDateTime().toUTC(), modelName};

    emit itemsAboutToChange();
    m_items.prepend(item);
    const qint64 limit = m_settings.maxHistoryItems();
    if (limit >= 1 && limit < m_items.size())
        m_items.resize(limit);
    emit itemsChanged();
    saveHistory();

    const QString preview = graphemes::count(trimmed) > 50 ? graphemes::prefix(trimmed, 50) + QStringLiteral("...") : trimmed;
    log::info(lcHistory, "Added transcript to history: %s", log::Private{preview});
}

void HistoryStore::remove(const TranscriptItem &item)
{
    // A copy: `item` may be an element of m_items itself, which the removal shifts.
    const QUuid id = item.id;
    emit itemsAboutToChange();
    m_items.removeIf([&id](const TranscriptItem &candidate) { return candidate.id == id; });
    emit itemsChanged();
    saveHistory();
}

void HistoryStore::remove(const QSet<QUuid> &ids)
{
    emit itemsAboutToChange();
    m_items.removeIf([&ids](const TranscriptItem &candidate) { return ids.contains(candidate.id); });
    emit itemsChanged();
    saveHistory();
}

void HistoryStore::clear()
{
    emit itemsAboutToChange();
    m_items.clear();
    emit itemsChanged();
    saveHistory();
    log::info(lcHistory, "History cleared");
}

QByteArray HistoryStore::exportAsText() const
{
    return exports::asText(m_items, m_dates);
}

QByteArray HistoryStore::exportAsCSV() const
{
    return exports::asCSV(m_items);
}

QByteArray HistoryStore::exportAsJSON() const
{
    return exports::asJSON(m_items);
}

QByteArray HistoryStore::exportAs(ExportFormat format) const
{
    return exports::as(format, m_items, m_dates);
}

QString HistoryStore::suggestedFileName(ExportFormat format) const
{
    return exports::suggestedFileName(format, m_dates);
}

} // namespace parlix
