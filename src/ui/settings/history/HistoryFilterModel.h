#pragma once
// The records a search shows: all of them for an empty search, else those whose delivered text,
// time (short date and medium time of the user's locale) or model name contains the search,
// ignoring case. The original text is not searched.
#include <QSortFilterProxyModel>

namespace parlix::ui {

class HistoryListModel;

class HistoryFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit HistoryFilterModel(HistoryListModel &source, QObject *parent = nullptr);

    void setSearchText(const QString &text);
    const QString &searchText() const { return m_search; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    HistoryListModel &m_source;
    QString m_search;
};

} // namespace parlix::ui
