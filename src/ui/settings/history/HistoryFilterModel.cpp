#include "ui/settings/history/HistoryFilterModel.h"

#include "ui/settings/history/HistoryListModel.h"

namespace parlix::ui {

HistoryFilterModel::HistoryFilterModel(HistoryListModel &source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_source(source)
{
    setSourceModel(&source);
    // The store's order (newest first) is the order shown; nothing is sorted.
    setDynamicSortFilter(true);
}

void HistoryFilterModel::setSearchText(const QString &text)
{
    if (text == m_search)
        return;
    m_search = text;
    invalidateRowsFilter();
}

bool HistoryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (m_search.isEmpty())
        return true;
    const TranscriptItem &record = m_source.item(sourceRow);
    return record.text.contains(m_search, Qt::CaseInsensitive)
        || (record.modelName && record.modelName->contains(m_search, Qt::CaseInsensitive))
        || m_source.searchableDate(sourceRow).contains(m_search, Qt::CaseInsensitive);
}

} // namespace parlix::ui
