#include "ui/settings/ModelPage.h"

#include "core/Constants.h"
#include "core/SettingsModel.h"
#include "models/ModelDownloadManager.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "engine/RemoteServerToken.h"
#include "ui/TrayIconArt.h"
#include "ui/settings/EngineChoiceSection.h"
#include "ui/settings/ModelRow.h"
#include "ui/settings/PageParts.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace parlix::ui {

using Constants::Models::ModelInfo;

namespace {

void tint(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QLabel *orangeText(const QString &text, bool small, QWidget *parent)
{
    QLabel *label = small ? caption(text, parent) : new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::WindowText);
    tint(label, QPalette::WindowText, systemOrange);
    return label;
}

// The download step of one row; a free coroutine, so the page may go away while it waits.
QCoro::Task<> downloadAndSelect(QPointer<ModelPage> page, ModelDownloadManager &models, SettingsModel &settings,
                                ModelInfo model)
{
    QString path;
    try {
        path = co_await models.downloadModel(std::move(model));
    } catch (const ModelDownloadError &) {
        // The downloader logs the failure and publishes its text, which the page shows.
        co_return;
    }
    if (page)
        settings.selectModel(path);
}

} // namespace

ModelPage::ModelPage(const SettingsPageServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_models(*services.models)
{
    QVBoxLayout *column = scrollingColumn(this);
    buildSelectedSection(addSection(column, tr("Selected Model")));
    QGroupBox *engine = addSection(column, tr("Engine"));
    m_engine = new EngineChoiceSection(m_services.settings,
                                       m_services.remoteTokenPath.isEmpty() ? RemoteServerToken::defaultPath()
                                                                            : m_services.remoteTokenPath,
                                       engine);
    sectionColumn(engine)->addWidget(m_engine);

    QGroupBox *downloads = addSection(column, tr("Download Models"));
    for (const ModelInfo &model : Constants::Models::available()) {
        auto *row = new ModelRow(model, downloads);
        connect(row, &ModelRow::downloadRequested, this, [this, model] { downloadModel(model); });
        connect(row, &ModelRow::cancelRequested, &m_models, &ModelDownloadManager::cancelDownload);
        connect(row, &ModelRow::selectRequested, this, [this, model] { m_services.settings.selectModel(localPath(model)); });
        // Queued: the row goes on drawing its click while the file is removed.
        connect(row, &ModelRow::deleteRequested, this, [this, model] { deleteModel(model); }, Qt::QueuedConnection);
        sectionColumn(downloads)->addWidget(row);
        m_rows.append(row);
    }
    m_error = caption(QString(), downloads);
    m_error->setForegroundRole(QPalette::WindowText);
    tint(m_error, QPalette::WindowText, systemRed);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_error->setAccessibleName(tr("Download error"));
    sectionColumn(downloads)->addWidget(m_error);

    buildCustomSection(addSection(column, tr("Custom Model")));
    column->addStretch();

    connect(&m_services.settings, &SettingsModel::changed, this, &ModelPage::refreshSettings);
    connect(&m_models, &ModelDownloadManager::isDownloadingChanged, this, [this](bool downloading) {
        if (!downloading)
            reloadModels();
        else
            refreshRows();
    });
    connect(&m_models, &ModelDownloadManager::currentDownloadIdChanged, this, &ModelPage::refreshRows);
    connect(&m_models, &ModelDownloadManager::downloadProgressChanged, this, &ModelPage::refreshRows);
    connect(&m_models, &ModelDownloadManager::modelsChanged, this, &ModelPage::reloadModels);
    connect(&m_models, &ModelDownloadManager::downloadErrorChanged, this, [this](const QString &message) {
        m_error->setText(message);
        m_error->setVisible(!message.isEmpty());
    });
    m_error->setText(m_models.downloadError());
    m_error->setVisible(!m_error->text().isEmpty());
    reloadModels();
    refreshSettings(QLatin1String(SettingsKey::language));
}

void ModelPage::buildSelectedSection(QGroupBox *section)
{
    QVBoxLayout *layout = sectionColumn(section);
    SettingsModel &settings = m_services.settings;

    m_pickerRow = new QWidget(section);
    auto *pickerLayout = new QHBoxLayout(m_pickerRow);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    m_picker = new QComboBox(m_pickerRow);
    auto *pickerLabel = new QLabel(tr("&Model:"), m_pickerRow);
    pickerLabel->setBuddy(m_picker);
    pickerLayout->addWidget(pickerLabel);
    pickerLayout->addWidget(m_picker, 1);
    layout->addWidget(m_pickerRow);
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        const QString path = m_picker->itemData(index).toString();
        if (path.isEmpty())
            fillModelPicker(); // "None" changes nothing: show the selection again
        else
            m_services.settings.setModelPath(path);
    });

    m_selectedRow = new QWidget(section);
    auto *selectedLayout = new QHBoxLayout(m_selectedRow);
    selectedLayout->setContentsMargins(0, 0, 0, 0);
    selectedLayout->addWidget(new QLabel(tr("Selected:"), m_selectedRow));
    m_selectedName = new QLabel(m_selectedRow);
    m_selectedName->setForegroundRole(QPalette::PlaceholderText);
    selectedLayout->addWidget(m_selectedName, 1);
    layout->addWidget(m_selectedRow);

    m_noModel = orangeText(tr("No model selected - download one below"), false, section);
    layout->addWidget(m_noModel);
    const ModelInfo *recommended = Constants::Models::find(recommendedModelId);
    m_recommended = new QPushButton(tr("&Download %1 (recommended, %2)").arg(recommended->displayName, recommended->size), section);
    m_recommended->setDefault(true);
    auto *recommendedRow = new QHBoxLayout;
    recommendedRow->addWidget(m_recommended);
    recommendedRow->addStretch();
    layout->addLayout(recommendedRow);
    connect(m_recommended, &QPushButton::clicked, this, [this, recommended] { downloadModel(*recommended); });

    m_language = new QComboBox(section);
    for (const Constants::WhisperLanguage &language : Constants::supportedLanguages())
        m_language->addItem(QCoreApplication::translate("parlix::Constants", language.name.toUtf8().constData()), language.code);
    m_language->setMaxVisibleItems(15);
    auto *languageRow = new QHBoxLayout;
    auto *languageLabel = new QLabel(tr("&Language:"), section);
    languageLabel->setBuddy(m_language);
    languageRow->addWidget(languageLabel);
    languageRow->addWidget(m_language, 1);
    layout->addLayout(languageRow);
    connect(m_language, &QComboBox::activated, this,
            [this](int index) { m_services.settings.setLanguage(m_language->itemData(index).toString()); });

    m_englishOnly = orangeText(
        tr("English-only model selected. Switch to a multilingual model for other languages."), true, section);
    layout->addWidget(m_englishOnly);

    m_translateRow = new QWidget(section);
    auto *translateLayout = new QVBoxLayout(m_translateRow);
    translateLayout->setContentsMargins(0, 0, 0, 0);
    m_translateToggle = new ExperimentalFeatureToggle(
        settings, tr("&Translate to English"), [&settings] { return settings.translateToEnglish(); },
        [&settings](bool on) { settings.setTranslateToEnglish(on); }, m_translateRow);
    translateLayout->addWidget(m_translateToggle);
    translateLayout->addWidget(
        caption(tr("Transcribe speech in the selected language and output English text."), m_translateRow));
    layout->addWidget(m_translateRow);
}

void ModelPage::buildCustomSection(QGroupBox *section)
{
    QVBoxLayout *layout = sectionColumn(section);
    m_custom = new QPushButton(tr("&Select Custom Model..."), section);
    m_clear = new QPushButton(tr("C&lear"), section);
    m_clear->setAccessibleName(tr("Clear the model selection"));
    tint(m_clear, QPalette::ButtonText, systemRed);
    auto *row = new QHBoxLayout;
    row->addWidget(m_custom);
    row->addWidget(m_clear);
    row->addStretch();
    layout->addLayout(row);
    // The platform's file chooser has no message line of its own.
    layout->addWidget(caption(tr("Choose a .bin model file (e.g., ggml-large-v3.bin)"), section));
    connect(m_custom, &QPushButton::clicked, this, &ModelPage::openCustomModelChooser);
    connect(m_clear, &QPushButton::clicked, this, [this] { m_services.settings.setModelPath(std::nullopt); });
}

ModelRow *ModelPage::row(const QString &modelId) const
{
    for (ModelRow *r : m_rows)
        if (r->model().id == modelId)
            return r;
    return nullptr;
}

QString ModelPage::localPath(const ModelInfo &model) const
{
    return m_models.localPath(model);
}

void ModelPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    reloadModels();
}

void ModelPage::downloadModel(const ModelInfo &model)
{
    downloadAndSelect(this, m_models, m_services.settings, model);
}

void ModelPage::deleteModel(const ModelInfo &model)
{
    SettingsModel &settings = m_services.settings;
    const bool wasSelected = settings.modelPath() == localPath(model);
    try {
        m_models.deleteModel(model);
    } catch (const ModelDownloadError &) {
        return; // logged by the downloader; the selection stays
    }
    reloadModels();
    if (!wasSelected)
        return;
    const QStringList left = m_models.downloadedModels();
    if (left.isEmpty())
        settings.setModelPath(std::nullopt);
    else
        settings.selectModel(left.first());
}

QFileDialog *ModelPage::openCustomModelChooser()
{
    auto *dialog = new QFileDialog(this, tr("Select Whisper Model"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // One existing file; no folders; any name (the engine tells whether it can load it).
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (QFileInfo(m_models.modelsDirectory()).isDir())
        dialog->setDirectory(m_models.modelsDirectory());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        if (!path.isEmpty())
            m_services.settings.setModelPath(path);
    });
    dialog->open();
    return dialog;
}

void ModelPage::reloadModels()
{
    m_downloaded = m_models.downloadedModels();
    fillModelPicker();
    refreshSelection();
    refreshRows();
}

void ModelPage::fillModelPicker()
{
    const std::optional<QString> selected = m_services.settings.modelPath();
    const QSignalBlocker quiet(m_picker);
    m_picker->clear();
    m_picker->addItem(tr("None"), QString());
    for (const QString &path : m_downloaded)
        m_picker->addItem(Constants::modelDisplayName(path), path);
    // A file chosen elsewhere on disk is listed too, so the picker never shows another model
    // than the one the engine runs.
    if (selected && !m_downloaded.contains(*selected)) {
        const QString name = Constants::modelDisplayName(*selected);
        m_picker->addItem(QFileInfo::exists(*selected) ? name : tr("%1 (missing)").arg(name), *selected);
    }
    m_picker->setCurrentIndex(selected ? m_picker->findData(*selected) : 0);
}

void ModelPage::refreshSelection()
{
    const SettingsModel &settings = m_services.settings;
    const bool anyDownloaded = !m_downloaded.isEmpty();
    const bool selectedExists = settings.modelFile().has_value();
    m_pickerRow->setVisible(anyDownloaded);
    m_selectedRow->setVisible(!anyDownloaded && selectedExists);
    m_selectedName->setText(settings.modelDisplayName());
    m_noModelShown = !anyDownloaded && !selectedExists;
    m_noModel->setVisible(m_noModelShown);
    refreshRecommended();
    const bool englishOnly = settings.isEnglishOnlyModel();
    m_language->setEnabled(!englishOnly);
    m_englishOnly->setVisible(englishOnly);
    m_translateRow->setVisible(!englishOnly && settings.experimentalFeaturesEnabled());
    m_clear->setVisible(settings.modelPath().has_value());
}

void ModelPage::refreshRows()
{
    const std::optional<QString> selected = m_services.settings.modelPath();
    for (ModelRow *r : m_rows) {
        const ModelInfo &model = r->model();
        const auto status = m_models.status(model);
        ModelRow::State state;
        state.isDownloading = status == ModelDownloadManager::ModelStatus::downloading;
        state.isDownloaded = QFileInfo(localPath(model)).isFile();
        state.isSelected = selected == localPath(model);
        state.progress = state.isDownloading ? m_models.downloadProgress() : 0.0;
        state.downloadBlocked = m_models.isDownloading() && !state.isDownloading;
        r->setState(state);
    }
    refreshRecommended();
}

void ModelPage::refreshRecommended()
{
    const ModelInfo *recommended = Constants::Models::find(recommendedModelId);
    m_recommended->setVisible(m_noModelShown && !m_models.isDownloading()
                              && m_models.status(*recommended) == ModelDownloadManager::ModelStatus::absent);
}

void ModelPage::refreshSettings(const QString &key)
{
    const SettingsModel &s = m_services.settings;
    const bool all = key.isEmpty();
    const auto is = [&key, all](const char *name) { return all || key == QLatin1String(name); };
    if (is(SettingsKey::language)) {
        const QSignalBlocker quiet(m_language);
        m_language->setCurrentIndex(std::max(0, m_language->findData(s.language())));
    }
    if (is(SettingsKey::modelPath)) {
        fillModelPicker();
        refreshRows();
    }
    if (is(SettingsKey::modelPath) || is(SettingsKey::experimentalFeaturesEnabled))
        refreshSelection();
}

} // namespace parlix::ui
