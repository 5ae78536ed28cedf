#include "ui/settings/ModelRow.h"

#include "models/ModelDownloadManager.h"
#include "ui/TrayIconArt.h"
#include "ui/settings/PageParts.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace parlix::ui {

namespace {

// Progress bar steps: the whole percent is what the row prints, the bar moves a little finer.
constexpr int kProgressSteps = 1000;

} // namespace

ModelRow::ModelRow(Constants::Models::ModelInfo model, QWidget *parent)
    : QWidget(parent)
    , m_model(std::move(model))
    , m_name(new QLabel(m_model.displayName, this))
    , m_cancel(new QPushButton(tr("Cancel"), this))
    , m_select(new QPushButton(tr("Select"), this))
    , m_delete(iconButton(QStringLiteral("edit-delete"), tr("Delete"), this))
    , m_download(new QPushButton(tr("Download"), this))
    , m_downloadIcon(iconButton(QStringLiteral("download"), QStringLiteral("↓"), this))
    , m_progressRow(new QWidget(this))
    , m_progress(new QProgressBar(m_progressRow))
    , m_percent(caption(QString(), m_progressRow))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(4);

    auto *row = new QHBoxLayout;
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    QFont medium = m_name->font();
    medium.setWeight(QFont::Medium);
    m_name->setFont(medium);
    texts->addWidget(m_name);
    QLabel *description = caption(QCoreApplication::translate("parlix::Constants::Models", m_model.description.toUtf8().constData()), this);
    description->setWordWrap(false);
    texts->addWidget(description);
    row->addLayout(texts);
    row->addStretch();
    QLabel *size = caption(m_model.size, this);
    size->setWordWrap(false);
    size->setMinimumWidth(60);
    size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(size);

    const QString name = m_model.displayName;
    m_cancel->setAccessibleName(tr("Cancel the download of %1").arg(name));
    m_select->setAccessibleName(tr("Select %1").arg(name));
    m_delete->setToolTip(tr("Delete model"));
    m_delete->setAccessibleName(tr("Delete %1").arg(name));
    m_delete->setStyleSheet(QStringLiteral("QToolButton { color: %1; }").arg(systemRed.name()));
    m_download->setAccessibleName(tr("Download %1").arg(name));
    m_downloadIcon->setToolTip(tr("Download model"));
    m_downloadIcon->setAccessibleName(tr("Download %1 (%2)").arg(name, m_model.size));
    // One column of controls as wide as its widest state, so the sizes line up from row to row.
    auto *controls = new QHBoxLayout;
    controls->setSpacing(8);
    controls->addStretch();
    for (QWidget *control : {static_cast<QWidget *>(m_cancel), static_cast<QWidget *>(m_select),
                             static_cast<QWidget *>(m_delete), static_cast<QWidget *>(m_download),
                             static_cast<QWidget *>(m_downloadIcon)})
        controls->addWidget(control);
    m_select->setText(tr("Selected"));
    m_select->setMinimumWidth(m_select->sizeHint().width());
    const int widest = std::max({m_cancel->sizeHint().width(),
                                 m_select->sizeHint().width() + 8 + m_delete->sizeHint().width(),
                                 m_download->sizeHint().width() + 8 + m_downloadIcon->sizeHint().width()});
    auto *controlColumn = new QWidget(this);
    controlColumn->setLayout(controls);
    controls->setContentsMargins(0, 0, 0, 0);
    controlColumn->setMinimumWidth(widest);
    row->addWidget(controlColumn);
    column->addLayout(row);

    auto *progressLayout = new QHBoxLayout(m_progressRow);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(tr("Download progress of %1").arg(name));
    m_percent->setWordWrap(false);
    progressLayout->addWidget(m_progress, 1);
    progressLayout->addWidget(m_percent);
    column->addWidget(m_progressRow);

    connect(m_cancel, &QPushButton::clicked, this, &ModelRow::cancelRequested);
    connect(m_select, &QPushButton::clicked, this, &ModelRow::selectRequested);
    connect(m_delete, &QToolButton::clicked, this, &ModelRow::deleteRequested);
    connect(m_download, &QPushButton::clicked, this, &ModelRow::downloadRequested);
    connect(m_downloadIcon, &QToolButton::clicked, this, &ModelRow::downloadRequested);

    m_state.isDownloaded = true; // differs from the default, so the first setState() draws
    setState(State{});
}

void ModelRow::setState(const State &state)
{
    if (state == m_state)
        return;
    m_state = state;
    const bool downloading = state.isDownloading;
    const bool downloaded = !downloading && state.isDownloaded;
    const bool absent = !downloading && !downloaded;

    m_name->setForegroundRole(state.isSelected ? QPalette::Highlight : QPalette::WindowText);
    m_cancel->setVisible(downloading);
    m_select->setVisible(downloaded);
    m_select->setText(state.isSelected ? tr("Selected") : tr("Select"));
    m_select->setEnabled(!state.isSelected);
    m_delete->setVisible(downloaded);
    m_download->setVisible(absent);
    m_downloadIcon->setVisible(absent);
    m_download->setEnabled(!state.downloadBlocked);
    m_downloadIcon->setEnabled(!state.downloadBlocked);
    m_progressRow->setVisible(downloading);
    const double progress = downloading ? state.progress : 0.0;
    m_progress->setValue(int(std::clamp(progress, 0.0, 1.0) * kProgressSteps));
    m_percent->setText(QString::number(ModelDownloadManager::wholePercent(progress)) + u'%');
}

} // namespace parlix::ui
