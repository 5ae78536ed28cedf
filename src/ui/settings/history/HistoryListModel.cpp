#include "ui/settings/history/HistoryListModel.h"

#include "history/HistoryStore.h"

namespace parlix::ui {

HistoryListModel::HistoryListModel(HistoryStore &store, QObject *parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_items(store.items())
    , m_searchFormat(DateFormatter::shortDateMediumTime(store.dateContext()))
{
    connect(&m_store, &HistoryStore::itemsChanged, this, &HistoryListModel::followStore);
}

void HistoryListModel::prepareSearch()
{
    if (!m_items.isEmpty())
        searchableDate(0);
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const TranscriptItem &record = m_items[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return shownText(record);
    case Qt::ToolTipRole:
        return record.tooltipText(m_store.dateContext());
    case Qt::AccessibleTextRole:
        return detailedTimestamp(index.row()) + QStringLiteral(": ") + shownText(record);
    case IdRole:
        return record.id;
    case ShowsOriginalRole:
        return showsOriginal(record.id);
    default:
        return {};
    }
}

int HistoryListModel::rowOf(const QUuid &id) const
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items[row].id == id)
            return row;
    }
    return -1;
}

bool HistoryListModel::hasDistinctOriginal(const TranscriptItem &item)
{
    return item.originalText && *item.originalText != item.text;
}

void HistoryListModel::setShowsOriginal(const QUuid &id, bool on)
{
    m_showOriginal.insert(id, on);
    const int row = rowOf(id);
    if (row >= 0)
        emit dataChanged(index(row), index(row), {Qt::DisplayRole, ShowsOriginalRole});
}

QString HistoryListModel::shownText(const TranscriptItem &item) const
{
    if (showsOriginal(item.id) && item.originalText)
        return *item.originalText;
    return item.text;
}

const QString &HistoryListModel::searchableDate(int row) const
{
    // Formatted on first use for all rows at once: filtering asks for every one of them.
    if (m_searchDates.size() != m_items.size()) {
        m_searchDates.clear();
        m_searchDates.reserve(m_items.size());
        for (const TranscriptItem &record : m_items)
            m_searchDates.append(m_searchFormat.format(record.timestamp));
    }
    return m_searchDates[row];
}

QString HistoryListModel::detailedTimestamp(int row) const
{
    const DateContext &dates = m_store.dateContext();
    const QDate today = dates.localDate(dates.currentDateTime());
    if (today != m_detailedDay) {
        m_detailed.clear();
        m_detailedDay = today;
    }
    const TranscriptItem &record = m_items[row];
    auto found = m_detailed.constFind(record.id);
    if (found != m_detailed.constEnd())
        return *found;
    return *m_detailed.insert(record.id, record.detailedTimestamp(dates));
}

void HistoryListModel::followStore()
{
    // The store only ever puts new records in front and removes records (deletions, the size
    // limit); it never reorders. So the new list is some fresh records followed by the old list
    // with gaps, and the view is told exactly that.
    const QList<TranscriptItem> &next = m_store.items();
    QSet<QUuid> nextIds;
    nextIds.reserve(next.size());
    for (const TranscriptItem &record : next)
        nextIds.insert(record.id);
    QSet<QUuid> oldIds;
    oldIds.reserve(m_items.size());
    for (const TranscriptItem &record : m_items)
        oldIds.insert(record.id);

    int fresh = 0;
    while (fresh < next.size() && !oldIds.contains(next[fresh].id))
        ++fresh;
    bool shapeKnown = true;
    for (int i = fresh; i < next.size() && shapeKnown; ++i)
        shapeKnown = oldIds.contains(next[i].id);
    if (!shapeKnown) {
        beginResetModel();
        m_items = next;
        m_searchDates.clear();
        endResetModel();
        return;
    }

    // Removals, last range first so the rows before it keep their numbers.
    for (int end = int(m_items.size()) - 1; end >= 0;) {
        if (nextIds.contains(m_items[end].id)) {
            --end;
            continue;
        }
        int begin = end;
        while (begin > 0 && !nextIds.contains(m_items[begin - 1].id))
            --begin;
        beginRemoveRows({}, begin, end);
        m_items.remove(begin, end - begin + 1);
        if (m_searchDates.size() > end)
            m_searchDates.remove(begin, end - begin + 1);
        else
            m_searchDates.clear();
        endRemoveRows();
        end = begin - 1;
    }
    if (fresh > 0) {
        beginInsertRows({}, 0, fresh - 1);
        for (int i = fresh - 1; i >= 0; --i) {
            m_items.prepend(next[i]);
            if (!m_searchDates.isEmpty())
                m_searchDates.prepend(m_searchFormat.format(next[i].timestamp));
        }
        endInsertRows();
    }
    for (const QUuid &id : m_showOriginal.keys()) {
        if (!nextIds.contains(id))
            m_showOriginal.remove(id);
    }
}

} // namespace parlix::ui
