#pragma once
// The transcript history: records newest first, kept in memory and mirrored in a JSON file that
// is rewritten (atomically) after every change.
#include "history/DateContext.h"
#include "history/ExportFormat.h"
#include "history/TranscriptItem.h"

#include <QList>
#include <QSet>
#include <QUuid>
#include <QObject>

#include <optional>

namespace parlix {

class SettingsModel;

class HistoryStore : public QObject {
    Q_OBJECT
public:
    // Loads `historyFilePath` at once. `settings` supplies the size limit, read at each add.
    HistoryStore(SettingsModel &settings, QString historyFilePath, DateContext dates = DateContext::system(),
                 QObject *parent = nullptr);

    // $XDG_DATA_HOME/Parlix/history.json
    static QString defaultFilePath();

    const QList<TranscriptItem> &items() const { return m_items; }
    QString historyFilePath() const { return m_path; }
    const DateContext &dateContext() const { return m_dates; }
    // Why the file could not be read when the store was created; empty when it loaded or was absent.
    QString loadError() const { return m_loadError; }

    // Adds a record at the front (text and original text trimmed), applies the size limit and
    // saves. Text that is blank after trimming is ignored.
    void add(const QString &text, const std::optional<QString> &originalText = std::nullopt,
             const std::optional<QString> &modelName = std::nullopt);
    // Removes every record with `item`'s id and saves (even when none matched).
    void remove(const TranscriptItem &item);
    // Removes every record whose id is in `ids` and saves once (even when none matched).
    void remove(const QSet<QUuid> &ids);
    // Empties the history and saves an empty array.
    void clear();

    QByteArray exportAsText() const;
    QByteArray exportAsCSV() const;
    QByteArray exportAsJSON() const;
    QByteArray exportAs(ExportFormat format) const;
    QString suggestedFileName(ExportFormat format) const;

    QString detailedTimestamp(const TranscriptItem &item) const { return item.detailedTimestamp(m_dates); }
    QString tooltipText(const TranscriptItem &item) const { return item.tooltipText(m_dates); }

signals:
    // Around every change of items(): before it (views may still read the old list) and after it.
    void itemsAboutToChange();
    void itemsChanged();

private:
    void loadHistory();
    bool saveHistory();

    SettingsModel &m_settings;
    const QString m_path;
    const DateContext m_dates;
    QList<TranscriptItem> m_items;
    QString m_loadError;
    // The file on disk could not be read; it is moved aside before the first save replaces it.
    bool m_fileUnreadable = false;
};

} // namespace parlix
