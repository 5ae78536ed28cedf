#include "ui/settings/HistoryPage.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "history/HistoryStore.h"
#include "ui/TrayIcon.h"
#include "ui/settings/history/HistoryEmptyState.h"
#include "ui/settings/history/HistoryFilterModel.h"
#include "ui/settings/history/HistoryItemDelegate.h"
#include "ui/settings/history/HistoryListModel.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {

// The search bar's magnifying glass, in the secondary colour.
QIcon magnifierIcon(const QColor &ink)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(QRectF(5, 5, 16, 16));
    p.drawLine(QPointF(19, 19), QPointF(27, 27));
    return QIcon(pixmap);
}

// The footer's two icons, drawn: two overlapping sheets (copy) and a red bin (delete).
QIcon drawnIcon(bool bin, const QColor &ink)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 2.5));
    if (bin) {
        p.drawLine(QPointF(6, 8), QPointF(26, 8));
        p.drawLine(QPointF(12, 8), QPointF(13, 4));
        p.drawLine(QPointF(13, 4), QPointF(19, 4));
        p.drawLine(QPointF(19, 4), QPointF(20, 8));
        p.drawRoundedRect(QRectF(9, 8, 14, 20), 2, 2);
        p.drawLine(QPointF(14, 13), QPointF(14, 23));
        p.drawLine(QPointF(18, 13), QPointF(18, 23));
    } else {
        p.drawRoundedRect(QRectF(10, 4, 16, 19), 2, 2);
        p.setBrush(Qt::transparent);
        p.drawRoundedRect(QRectF(5, 10, 16, 19), 2, 2);
    }
    return QIcon(pixmap);
}

QToolButton *iconButton(const QIcon &icon, const QString &name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setToolTip(name);
    button->setAccessibleName(name);
    return button;
}

} // namespace

HistoryPage::HistoryPage(const SettingsPageServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_store(services.history())
    , m_model(new HistoryListModel(m_store, this))
    , m_filter(new HistoryFilterModel(*m_model, this))
    , m_delegate(new HistoryItemDelegate(*m_model, this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Search bar.
    auto *searchBar = new QHBoxLayout;
    searchBar->setContentsMargins(16, 12, 16, 8);
    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(tr("Search history..."));
    m_search->setAccessibleName(tr("Search history"));
    m_search->setClearButtonEnabled(true);
    m_search->addAction(magnifierIcon(palette().color(QPalette::PlaceholderText)), QLineEdit::LeadingPosition);
    m_search->installEventFilter(this);
    searchBar->addWidget(m_search);
    column->addLayout(searchBar);

    // The list, or the empty state in its place.
    m_content = new QStackedWidget(this);
    m_list = new QListView(m_content);
    m_list->setModel(m_filter);
    m_list->setItemDelegate(m_delegate);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAlternatingRowColors(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Rows are as tall as their text; with many records they are measured in batches between
    // paints, so the tab shows at once and the scroll range completes soon after. The vertical
    // bar stays so that its coming and going does not change the width they were measured for.
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(200);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setMouseTracking(true);
    m_list->setAccessibleName(tr("History"));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_empty = new HistoryEmptyState(m_content);
    m_content->addWidget(m_list);
    m_content->addWidget(m_empty);
    column->addWidget(m_content, 1);

    // Copy and Delete of the list, as the platform's keys for them (eventFilter).
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex index = m_list->indexAt(at);
        if (index.isValid())
            contextMenuFor(index)->popup(m_list->viewport()->mapToGlobal(at));
    });

    m_exportStatus = new QLabel(this);
    m_exportStatus->setWordWrap(true);
    m_exportStatus->setContentsMargins(16, 6, 16, 0);
    m_exportStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_exportStatus->hide();
    column->addWidget(m_exportStatus);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    // Footer.
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(16, 10, 16, 10);
    m_count = new QLabel(this);
    QFont small = m_count->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_count->setFont(small);
    m_count->setForegroundRole(QPalette::PlaceholderText);
    footer->addWidget(m_count);
    footer->addStretch();
    m_copy = iconButton(drawnIcon(false, palette().color(QPalette::Text)), tr("Copy selected"), this);
    m_delete = iconButton(drawnIcon(true, QColor(255, 59, 48)), tr("Delete selected"), this);
    footer->addWidget(m_copy);
    footer->addWidget(m_delete);
    m_format = new QComboBox(this);
    for (ExportFormat format : allExportFormats())
        m_format->addItem(label(format), int(format));
    m_format->setAccessibleName(tr("Export format"));
    m_format->setMinimumWidth(100);
    footer->addWidget(m_format);
    m_export = new QPushButton(tr("&Export..."), this);
    m_clearAll = new QPushButton(tr("C&lear All"), this);
    footer->addWidget(m_export);
    footer->addWidget(m_clearAll);
    column->addLayout(footer);

    connect(m_copy, &QToolButton::clicked, this, &HistoryPage::copySelectedItems);
    connect(m_delete, &QToolButton::clicked, this, &HistoryPage::confirmDeleteSelected);
    connect(m_export, &QPushButton::clicked, this, &HistoryPage::exportHistory);
    connect(m_clearAll, &QPushButton::clicked, this, &HistoryPage::confirmClearAll);
    connect(m_search, &QLineEdit::textChanged, m_filter, &HistoryFilterModel::setSearchText);

    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_filter, signal, this, &HistoryPage::refresh);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &HistoryPage::refresh);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &HistoryPage::refresh);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryPage::refresh);
    refresh();
}

HistoryPage::~HistoryPage() = default;

void HistoryPage::refresh()
{
    const int shown = m_filter->rowCount();
    const qsizetype all = m_store.items().size();
    const qsizetype selected = m_list->selectionModel()->selectedRows().size();
    m_empty->showFor(!m_filter->searchText().isEmpty());
    m_content->setCurrentWidget(shown == 0 ? static_cast<QWidget *>(m_empty) : m_list);
    m_count->setText(selected == 0 ? tr("%1 of %2 items").arg(shown).arg(all)
                                   : tr("Selected %1 of %2").arg(selected).arg(shown));
    m_copy->setVisible(selected > 0);
    m_delete->setVisible(selected > 0);
    m_export->setEnabled(all > 0);
    m_clearAll->setEnabled(all > 0);
}

QSet<QUuid> HistoryPage::selectedIds() const
{
    QSet<QUuid> ids;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        ids.insert(index.data(HistoryListModel::IdRole).toUuid());
    return ids;
}

void HistoryPage::copyText(const QString &text)
{
    if (m_services.copyToClipboard)
        m_services.copyToClipboard(text);
    else
        QGuiApplication::clipboard()->setText(text);
}

void HistoryPage::copySelectedItems()
{
    const QSet<QUuid> ids = selectedIds();
    QStringList texts;
    for (const TranscriptItem &record : m_store.items()) {
        if (ids.contains(record.id))
            texts.append(m_model->shownText(record));
    }
    if (!texts.isEmpty())
        copyText(texts.join(QStringLiteral("\n\n")));
    m_list->clearSelection();
}

QString HistoryPage::confirmationTitle(qsizetype count)
{
    return count == 1 ? tr("Delete 1 item?") : tr("Delete %1 items?").arg(count);
}

QMessageBox *HistoryPage::confirmDeleteSelected()
{
    return confirmDelete(selectedIds());
}

QMessageBox *HistoryPage::confirmClearAll()
{
    QSet<QUuid> all;
    for (const TranscriptItem &record : m_store.items())
        all.insert(record.id);
    return confirmDelete(all);
}

QMessageBox *HistoryPage::confirmDelete(const QSet<QUuid> &ids)
{
    if (ids.isEmpty() || m_confirmation)
        return m_confirmation;
    auto *box = new QMessageBox(QMessageBox::Warning, confirmationTitle(ids.size()), confirmationTitle(ids.size()),
                                QMessageBox::NoButton, this);
    box->setInformativeText(tr("This action cannot be undone."));
    QPushButton *remove = box->addButton(tr("&Delete"), QMessageBox::DestructiveRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    // The ids are taken now: what the user confirms is what was counted in the question. Records
    // added meanwhile are kept.
    connect(box, &QMessageBox::finished, this, [this, box, remove, ids] {
        if (box->clickedButton() == remove)
            m_store.remove(ids);
        m_list->clearSelection();
    });
    m_confirmation = box;
    box->open();
    return box;
}

QMenu *HistoryPage::contextMenuFor(const QModelIndex &viewIndex)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QUuid id = viewIndex.data(HistoryListModel::IdRole).toUuid();
    const QPersistentModelIndex row(viewIndex);
    menu->addAction(tr("Copy"), this, [this, id] {
        const int at = m_model->rowOf(id);
        if (at >= 0)
            copyText(m_model->shownText(m_model->item(at)));
    });
    const int at = m_model->rowOf(id);
    if (at >= 0 && HistoryListModel::hasDistinctOriginal(m_model->item(at))) {
        menu->addAction(m_model->showsOriginal(id) ? tr("Show Formatted") : tr("Show Original"), this,
                        [this, row] {
                            if (row.isValid())
                                m_delegate->toggleOriginal(row);
                        });
    }
    menu->addSeparator();
    QAction *remove = menu->addAction(tr("Delete"), this, [this, id] { m_store.remove(QSet<QUuid>{id}); });
    remove->setIcon(drawnIcon(true, QColor(255, 59, 48)));
    return menu;
}

void HistoryPage::exportHistory()
{
    const ExportFormat format = ExportFormat(m_format->currentData().toInt());
    auto *dialog = new QFileDialog(this, tr("Export History"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setMimeTypeFilters({mimeType(format)});
    dialog->setDefaultSuffix(rawValue(format));
    dialog->selectFile(m_store.suggestedFileName(format));
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        if (!path.isEmpty())
            exportTo(path);
    });
    dialog->open();
}

bool HistoryPage::exportTo(const QString &path)
{
    const ExportFormat format = ExportFormat(m_format->currentData().toInt());
    QString error;
    const bool saved = saveExport(path, m_store.exportAs(format), &error);
    m_exportStatus->setText(saved ? tr("Exported %1 items to %2").arg(m_store.items().size()).arg(path)
                                  : tr("Could not export to %1: %2").arg(path, error));
    m_exportStatus->setForegroundRole(saved ? QPalette::PlaceholderText : QPalette::NoRole);
    m_exportStatus->setStyleSheet(saved ? QString() : QStringLiteral("QLabel { color: rgb(215, 0, 21); }"));
    m_exportStatus->show();
    return saved;
}

void HistoryPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_search->setFocus();
}

bool HistoryPage::eventFilter(QObject *watched, QEvent *event)
{
    // Once the list has been drawn, the dates the search needs are prepared while the user reads.
    if (watched == m_list->viewport() && event->type() == QEvent::Paint && !m_searchPrepared) {
        m_searchPrepared = true;
        QTimer::singleShot(0, m_model, &HistoryListModel::prepareSearch);
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool copy = key->matches(QKeySequence::Copy);
        const bool remove = key->matches(QKeySequence::Delete) || key->key() == Qt::Key_Backspace;
        if (copy || remove) {
            if (!selectedIds().isEmpty())
                copy ? copySelectedItems() : void(confirmDeleteSelected());
            return true;
        }
    }
    // Down in the search field moves into the list, onto its first row.
    if (watched == m_search && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down && m_filter->rowCount() > 0) {
        m_list->setFocus();
        const QModelIndex first = m_filter->index(0, 0);
        m_list->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace parlix::ui
