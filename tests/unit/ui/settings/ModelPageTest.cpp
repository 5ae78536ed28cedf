// The Model tab over a real downloader on a temporary models directory: what the first section
// shows for each selection (and the English-only rules), the rows' states and actions, the
// delete-selected rule. (A download through the tab: SettingsScreenshotsTest.)
#include "Files.h"
#include "PageFixture.h"
#include "models/ModelDownloadManager.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/ModelPage.h"
#include "ui/settings/ModelRow.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

class ModelPageTest : public PageFixture {
protected:
    ModelPageTest()
    {
        ModelDownloadConfig config;
        config.modelsDirectory = dir.filePath(QStringLiteral("models"));
        config.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:9/"));
        models = std::make_unique<ModelDownloadManager>(config);
        QDir().mkpath(config.modelsDirectory);
    }

    QString modelPath(const QString &fileName) const { return dir.filePath(QStringLiteral("models/") + fileName); }
    static void place(const QString &path) { writeFile(path, "model"); }
    // The models directory holding exactly `files`.
    void placeModels(const QStringList &files)
    {
        QDir(dir.filePath(QStringLiteral("models"))).removeRecursively();
        QDir().mkpath(dir.filePath(QStringLiteral("models")));
        for (const QString &file : files)
            place(modelPath(file));
    }
    std::unique_ptr<ModelPage> makePage()
    {
        SettingsPageServices pages = services();
        pages.models = models.get();
        return std::make_unique<ModelPage>(pages);
    }
    // The row's controls as a user sees them.
    static QString controls(const ModelRow *row)
    {
        if (row->selectButton()->isVisibleTo(row))
            return row->selectButton()->text() + (row->selectButton()->isEnabled() ? QString() : QStringLiteral(" (off)"));
        return row->downloadButton()->isVisibleTo(row) ? QStringLiteral("Download") : QStringLiteral("?");
    }

    std::unique_ptr<ModelDownloadManager> models;
};

TEST_F(ModelPageTest, FirstSectionFollowsTheSelectionAndTheEnglishOnlyRules)
{
    const QString custom = dir.filePath(QStringLiteral("my-model.bin"));
    const struct {
        const char *name;
        QStringList files;
        QString selected; // a file name in the models directory, the custom file, or none
        bool experimental;
        QString picker; // its text; empty: the picker is hidden
        QString selectedName; // the "Selected:" row; empty: hidden
        bool noModel, recommended, languageEnabled, englishWarning, translate;
    } cases[] = {
        {"nothing", {}, {}, true, {}, {}, true, true, true, false, true},
        {"a custom file and no downloads", {}, custom, true, {}, QStringLiteral("my-model"), false, false, true, false, true},
        {"English-only selected", {"ggml-base.en.bin", "ggml-large-v3.bin"}, "ggml-base.en.bin", true, "Base (English)", {}, false, false, false, true, false},
        {"multilingual selected", {"ggml-base.en.bin", "ggml-large-v3.bin"}, "ggml-large-v3.bin", true, "Large v3", {}, false, false, true, false, true},
        {"custom file beside downloads", {"ggml-tiny.en.bin"}, custom, true, "my-model", {}, false, false, true, false, true},
    };
    place(custom);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        placeModels(c.files);
        settings.setModelPath(c.selected.isEmpty() ? std::nullopt : std::optional(c.selected.startsWith(u'/') ? c.selected : modelPath(c.selected)));
        settings.setExperimentalFeaturesEnabled(c.experimental);
        const auto page = makePage();

        EXPECT_EQ(page->modelPickerRow()->isVisibleTo(page.get()) ? page->modelPicker()->currentText() : QString(), c.picker);
        EXPECT_EQ(page->selectedRow()->isVisibleTo(page.get()) ? page->selectedName()->text() : QString(), c.selectedName);
        EXPECT_EQ(page->noModelLabel()->isVisibleTo(page.get()), c.noModel);
        EXPECT_EQ(page->recommendedButton()->isVisibleTo(page.get()), c.recommended);
        EXPECT_EQ(page->languagePicker()->isEnabled(), c.languageEnabled);
        EXPECT_EQ(page->englishOnlyWarning()->isVisibleTo(page.get()), c.englishWarning);
        EXPECT_EQ(page->translateRow()->isVisibleTo(page.get()), c.translate);
        EXPECT_EQ(page->clearButton()->isVisibleTo(page.get()), !c.selected.isEmpty());
    }
}

TEST_F(ModelPageTest, PickerAssignsAModelButNoneChangesNothing)
{
    placeModels({"ggml-base.en.bin", "ggml-tiny.en.bin"});
    settings.setModelPath(modelPath("ggml-tiny.en.bin"));
    const auto page = makePage();
    QComboBox *picker = page->modelPicker();
    ASSERT_EQ(picker->count(), 3);

    emit picker->activated(2);
    EXPECT_EQ(settings.modelPath(), modelPath("ggml-base.en.bin"));
    picker->setCurrentIndex(0);
    emit picker->activated(0);
    EXPECT_EQ(settings.modelPath(), modelPath("ggml-base.en.bin"));
    EXPECT_EQ(picker->currentText(), u"Base (English)");
}

TEST_F(ModelPageTest, RowsShowTheirStateAndDeletingTheSelectedModelSelectsTheFirstLeft)
{
    const struct {
        const char *name;
        QStringList files;
        QString selected;
        QString deleted; // catalogue id
        std::optional<QString> selectedAfter;
    } cases[] = {
        {"selected, others left", {"ggml-large-v3.bin", "ggml-base.en.bin", "ggml-small.en.bin"}, "ggml-base.en.bin", "base.en", modelPath("ggml-small.en.bin")},
        {"selected, the last one", {"ggml-base.en.bin"}, "ggml-base.en.bin", "base.en", std::nullopt},
        {"not the selected one", {"ggml-base.en.bin", "ggml-small.en.bin"}, "ggml-base.en.bin", "small.en", modelPath("ggml-base.en.bin")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        placeModels(c.files);
        settings.setModelPath(modelPath(c.selected));
        const auto page = makePage();
        for (ModelRow *row : page->rows()) {
            const bool present = c.files.contains(row->model().fileName);
            const bool selected = row->model().fileName == c.selected;
            EXPECT_EQ(controls(row), selected ? u"Selected (off)" : present ? u"Select" : u"Download") << row->model().id.toStdString();
            EXPECT_EQ(row->nameLabel()->foregroundRole(), selected ? QPalette::Highlight : QPalette::WindowText);
        }

        page->row(c.deleted)->deleteButton()->click();
        QCoreApplication::processEvents();
        EXPECT_FALSE(QFile::exists(modelPath(Constants::Models::find(c.deleted)->fileName)));
        EXPECT_EQ(settings.modelPath(), c.selectedAfter);
        EXPECT_EQ(controls(page->row(c.deleted)), u"Download");
    }
}

} // namespace
