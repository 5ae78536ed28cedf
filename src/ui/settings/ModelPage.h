#pragma once
// The Model tab: which model file the engine runs (a downloaded one, or any file on disk), the
// language it is told to expect, translation to English (experimental), and the catalogue's
// models with their download state: download, cancel, select and delete through the downloader.
// With no model at all it offers the recommended one as a single button.
#include "models/ModelCatalog.h"
#include "ui/settings/SettingsPageServices.h"

#include <QStringList>
#include <QWidget>

class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QPushButton;

namespace parlix {
class ModelDownloadManager;
}

namespace parlix::ui {

class EngineChoiceSection;
class ExperimentalFeatureToggle;
class ModelRow;

class ModelPage : public QWidget {
    Q_OBJECT
public:
    // What a newcomer is offered first: fast on any machine, good for English dictation.
    static inline const QString recommendedModelId = QStringLiteral("base.en");

    // `services.models` must be set.
    explicit ModelPage(const SettingsPageServices &services, QWidget *parent = nullptr);

    // Downloads `model`; once it is in place it becomes the selected model.
    void downloadModel(const Constants::Models::ModelInfo &model);
    // Deletes `model`'s file; when it was the selected model, the first model left is selected
    // (or none).
    void deleteModel(const Constants::Models::ModelInfo &model);
    // The chooser for a model file anywhere on disk (it deletes itself when closed).
    QFileDialog *openCustomModelChooser();

    QWidget *modelPickerRow() const { return m_pickerRow; }
    QComboBox *modelPicker() const { return m_picker; }
    QWidget *selectedRow() const { return m_selectedRow; }
    QLabel *selectedName() const { return m_selectedName; }
    QLabel *noModelLabel() const { return m_noModel; }
    QPushButton *recommendedButton() const { return m_recommended; }
    QComboBox *languagePicker() const { return m_language; }
    QLabel *englishOnlyWarning() const { return m_englishOnly; }
    QWidget *translateRow() const { return m_translateRow; }
    ExperimentalFeatureToggle *translateToggle() const { return m_translateToggle; }
    QList<ModelRow *> rows() const { return m_rows; }
    ModelRow *row(const QString &modelId) const;
    QLabel *errorLabel() const { return m_error; }
    QPushButton *customModelButton() const { return m_custom; }
    QPushButton *clearButton() const { return m_clear; }
    EngineChoiceSection *engineChoice() const { return m_engine; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildSelectedSection(QGroupBox *section);
    void buildCustomSection(QGroupBox *section);
    // Reads the model files again and redraws everything that depends on them.
    void reloadModels();
    void fillModelPicker();
    void refreshSelection();
    void refreshRows();
    // The recommended model's button: only while there is no model and no download.
    void refreshRecommended();
    void refreshSettings(const QString &key);
    QString localPath(const Constants::Models::ModelInfo &model) const;

    SettingsPageServices m_services;
    ModelDownloadManager &m_models;
    QStringList m_downloaded;
    QWidget *m_pickerRow = nullptr;
    QComboBox *m_picker = nullptr;
    EngineChoiceSection *m_engine = nullptr;
    QWidget *m_selectedRow = nullptr;
    QLabel *m_selectedName = nullptr;
    QLabel *m_noModel = nullptr;
    bool m_noModelShown = false;
    QPushButton *m_recommended = nullptr;
    QComboBox *m_language = nullptr;
    QLabel *m_englishOnly = nullptr;
    QWidget *m_translateRow = nullptr;
    ExperimentalFeatureToggle *m_translateToggle = nullptr;
    QList<ModelRow *> m_rows;
    QLabel *m_error = nullptr;
    QPushButton *m_custom = nullptr;
    QPushButton *m_clear = nullptr;
};

} // namespace parlix::ui
