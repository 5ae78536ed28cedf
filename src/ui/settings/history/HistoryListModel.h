#pragma once
// The history store's records as a list model, newest first, following the store live: a record
// added while a view is open is inserted at the top and removed ones disappear, so selections and
// scroll positions of the view survive. Also keeps, per record, whether the view shows the
// engine's original text instead of the delivered one (forgotten with the model).
#include "history/DateContext.h"
#include "history/TranscriptItem.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

namespace parlix {
class HistoryStore;
}

namespace parlix::ui {

class HistoryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1, ShowsOriginalRole };

    explicit HistoryListModel(HistoryStore &store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    HistoryStore &store() const { return m_store; }
    const TranscriptItem &item(int row) const { return m_items[row]; }
    const QList<TranscriptItem> &items() const { return m_items; }
    int rowOf(const QUuid &id) const;

    // Whether the record can switch to its original text: it has one and it differs.
    static bool hasDistinctOriginal(const TranscriptItem &item);
    bool showsOriginal(const QUuid &id) const { return m_showOriginal.value(id, false); }
    void setShowsOriginal(const QUuid &id, bool on);
    // The text the row shows and a copy takes: the original when switched to it and present.
    QString shownText(const TranscriptItem &item) const;

    // The record's time as the search matches it (the locale's short date and medium time).
    const QString &searchableDate(int row) const;
    // Formats every record's searchable date now rather than on the first keystroke.
    void prepareSearch();
    // "Today at …" and the like, remembered until the day changes.
    QString detailedTimestamp(int row) const;

private:
    void followStore();

    HistoryStore &m_store;
    QList<TranscriptItem> m_items;
    QHash<QUuid, bool> m_showOriginal;
    DateFormatter m_searchFormat;
    mutable QList<QString> m_searchDates;
    mutable QHash<QUuid, QString> m_detailed;
    mutable QDate m_detailedDay;
};

} // namespace parlix::ui
