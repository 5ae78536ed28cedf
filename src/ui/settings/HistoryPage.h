#pragma once
// The History tab: search, the list of records (newest first, several can be selected), copying,
// deleting with a confirmation, exporting and clearing. Every change goes through the history
// store; the list follows the store while the tab is open.
#include "history/ExportFormat.h"
#include "ui/settings/SettingsPageServices.h"

#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace parlix {
class HistoryStore;
}

namespace parlix::ui {

class HistoryEmptyState;
class HistoryFilterModel;
class HistoryItemDelegate;
class HistoryListModel;

class HistoryPage : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPage(const SettingsPageServices &services, QWidget *parent = nullptr);
    ~HistoryPage() override;

    // The ids of the selected rows.
    QSet<QUuid> selectedIds() const;
    // Puts the shown texts of the selected records on the clipboard, newest first, separated by
    // an empty line, and clears the selection.
    void copySelectedItems();
    // Asks to delete the selected records, or (Clear All) every record in the store.
    QMessageBox *confirmDeleteSelected();
    QMessageBox *confirmClearAll();
    // The context menu of the row at `viewIndex`.
    QMenu *contextMenuFor(const QModelIndex &viewIndex);
    // Writes the chosen format's export of the whole history to `path`, atomically, and tells the
    // outcome under the list. Returns whether it was written.
    bool exportTo(const QString &path);

    // "Delete 1 item?", "Delete 5 items?".
    static QString confirmationTitle(qsizetype count);

    QLineEdit *searchField() const { return m_search; }
    QListView *list() const { return m_list; }
    HistoryEmptyState *emptyState() const { return m_empty; }
    QLabel *countLabel() const { return m_count; }
    QToolButton *copyButton() const { return m_copy; }
    QToolButton *deleteButton() const { return m_delete; }
    QComboBox *formatPicker() const { return m_format; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *clearAllButton() const { return m_clearAll; }
    QLabel *exportStatus() const { return m_exportStatus; }
    QMessageBox *confirmation() const { return m_confirmation; }
    HistoryFilterModel *filter() const { return m_filter; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void copyText(const QString &text);
    QMessageBox *confirmDelete(const QSet<QUuid> &ids);
    void exportHistory();

    SettingsPageServices m_services;
    HistoryStore &m_store;
    HistoryListModel *m_model;
    HistoryFilterModel *m_filter;
    HistoryItemDelegate *m_delegate;
    QLineEdit *m_search;
    QStackedWidget *m_content;
    QListView *m_list;
    HistoryEmptyState *m_empty;
    QLabel *m_exportStatus;
    QLabel *m_count;
    QToolButton *m_copy;
    QToolButton *m_delete;
    QComboBox *m_format;
    QPushButton *m_export;
    QPushButton *m_clearAll;
    QPointer<QMessageBox> m_confirmation;
    bool m_searchPrepared = false;
};

} // namespace parlix::ui
