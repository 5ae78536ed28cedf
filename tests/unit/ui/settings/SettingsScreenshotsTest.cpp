// The settings window (one for every request, of a fixed size) at its default size with every
// tab built so far (Model through a first download; History empty, filled, searching and asking
// to delete; About before and after its secret), the rule sheet, its command list and the
// formatting reference, drawn offscreen and kept as PNG artifacts (PARLIX_ARTIFACTS_DIR, by
// default <build>/artifacts/screenshots). Every text and button on them must have the room it
// asks for. The German run (ctest SettingsScreenshotsGerman, with LANG=de_DE.UTF-8) draws every
// tab once more in German, whose texts are longer.
#include "Files.h"
#include "LoopbackHttpServer.h"
#include "PageFixture.h"
#include "ScopedEnvironment.h"
#include "Pump.h"
#include "Screenshots.h"
#include "models/ModelDownloadManager.h"
#include "core/LoginItemManager.h"
#include "ui/SettingsWindow.h"
#include "ui/settings/CommandCompletionField.h"
#include "ui/settings/EngineChoiceSection.h"
#include "ui/settings/AboutPage.h"
#include "ui/settings/GeneralPage.h"
#include "ui/settings/FormattingReferenceWindow.h"
#include "ui/settings/ModelPage.h"
#include "ui/settings/ModelRow.h"
#include "ui/settings/HistoryPage.h"
#include "ui/settings/OutputPage.h"
#include "ui/settings/RuleEditDialog.h"
#include "ui/settings/RecordingPage.h"
#include "ui/settings/CompositorBindingPanel.h"
#include "ui/settings/HotkeyRecorderButton.h"
#include <QPlainTextEdit>
#include "hotkey/HotkeyManager.h"
#include "ui/Translations.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QListView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QTabWidget>
#include <QTreeView>

using namespace parlix;
using namespace parlix::test;
using namespace parlix::ui;

namespace {

QStringList cramped(QWidget *top);

// The window as shown, and once more with its page scrolled to the end; the page's texts fit.
void keepScrolled(SettingsView *window, const char *name, const char *endName)
{
    QCoreApplication::processEvents();
    keepScreenshot(window->grab().toImage(), QString::fromLatin1(name));
    auto *scroll = window->tabView()->currentWidget()->findChild<QScrollArea *>();
    ASSERT_TRUE(scroll);
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    keepScreenshot(window->grab().toImage(), QString::fromLatin1(endName));
    scroll->verticalScrollBar()->setValue(0);
    EXPECT_EQ(cramped(window->tabView()->currentWidget()), QStringList()) << name;
}

// Visible labels and buttons narrower than their text needs, or reaching past the left or right
// edge of `top` (pages scroll vertically, so only the width is bounded).
QStringList cramped(QWidget *top)
{
    QStringList found;
    const auto check = [&](QWidget *w, const QString &text) {
        if (!w->isVisibleTo(top) || text.isEmpty())
            return;
        const QRect inTop(w->mapTo(top, QPoint()), w->size());
        if (w->width() < w->minimumSizeHint().width() || inTop.left() < 0 || inTop.right() >= top->width())
            found << QStringLiteral("%1 (%2 of %3 wide at %4)")
                         .arg(text)
                         .arg(w->width())
                         .arg(w->minimumSizeHint().width())
                         .arg(inTop.left());
    };
    for (QLabel *label : top->findChildren<QLabel *>())
        if (!label->wordWrap())
            check(label, label->text());
    for (QAbstractButton *button : top->findChildren<QAbstractButton *>())
        check(button, button->text());
    return found;
}

// `base` drawn with `top` over it at `at` (in base's coordinates), on a canvas that holds both.
QImage overlaid(QWidget *base, QWidget *top, const QPoint &at)
{
    const QImage under = base->grab().toImage(), over = top->grab().toImage();
    QImage canvas(under.width(), std::max(under.height(), at.y() + over.height()), QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, under);
    painter.drawImage(at, over);
    return canvas;
}

// `shown` kept as `name` once pending events are drawn, and every text in `checked` (if any) fits.
void shoot(QWidget *shown, const char *name, QWidget *checked = nullptr)
{
    QCoreApplication::processEvents();
    keepScreenshot(shown->grab().toImage(), QString::fromLatin1(name));
    if (checked)
        EXPECT_EQ(cramped(checked), QStringList()) << name;
}

class SettingsScreenshotsTest : public PageFixture {
protected:
    void SetUp() override
    {
        settings.setSilenceDetectionEnabled(true);
        settings.setLiveDictationEnabled(true);
        input.deviceList = {{"usb", QStringLiteral("USB Audio Device Analog Stereo"), false},
                            {"builtin", QStringLiteral("Built-in Audio Analog Stereo"), true}};
        history.add(QStringLiteral("first"));
    }
};

TEST_F(SettingsScreenshotsTest, TabsSheetListAndReferenceHaveRoomForTheirTexts)
{
    const SettingsPageServices pages = services();
    SettingsWindowHost host([pages](SettingsTab tab) { return buildSettingsPage(tab, pages); });

    host.openSettingsToTab(SettingsTab::recording);
    SettingsView *window = host.settingsWindow();
    QCoreApplication::processEvents();
    recorder.stopAudioPreview();
    keepScrolled(window, "settings-recording-tab.png", "settings-recording-tab-end.png");

    host.openSettingsToTab(SettingsTab::output);
    EXPECT_EQ(host.settingsWindow(), window); // one window for every request
    keepScrolled(window, "settings-output-tab.png", "settings-output-tab-end.png");

    auto *output = qobject_cast<OutputPage *>(window->tabView()->currentWidget());
    ASSERT_TRUE(output);
    RuleEditDialog *sheet = output->openAddSheet();
    sheet->triggerField()->setText(QStringLiteral("bullet point"));
    shoot(sheet, "settings-rule-sheet.png", sheet);

    // The list under the field, drawn where it opens.
    sheet->replacementField()->setFocus();
    for (const QChar c : QStringLiteral("\\c"))
        press(sheet->replacementField(), 0, Qt::NoModifier, QString(c));
    ASSERT_TRUE(sheet->replacementField()->isPopupShown());
    QTreeView *popup = sheet->replacementField()->popup();
    keepScreenshot(overlaid(sheet, popup, sheet->mapFromGlobal(popup->mapToGlobal(QPoint()))),
                   QStringLiteral("settings-completion-popup.png"));
    press(sheet->replacementField(), Qt::Key_Escape);

    sheet->helpButton()->click();
    FormattingReferenceWindow *reference = output->formattingReference().window();
    ASSERT_TRUE(reference);
    shoot(reference, "settings-formatting-reference.png", reference);
    reference->close();
    sheet->helpButton()->click(); // the one reference window, shown again
    EXPECT_EQ(output->formattingReference().window(), reference);
    EXPECT_TRUE(reference->isVisible());
    sheet->close();

    // A fixed size with only a close button; closed, it is hidden, and shown again on the next request.
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    const QPointer<SettingsView> kept = window;
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    host.openSettingsToTab(SettingsTab::history);
    ASSERT_EQ(host.settingsWindow(), kept.data());
    EXPECT_TRUE(kept->isVisible());
    EXPECT_EQ(kept->selectedTab(), SettingsTab::history);
}

// The Model tab through a first download: empty; the recommended model stalled at 37.9 % by the
// loopback server (its row only shows the cut percent, the other rows wait); cancelled; downloaded
// for real and selected; a failed download saying why; with two models; then the engine choice
// with the remote server's fields.
TEST_F(SettingsScreenshotsTest, ModelTabFromEmptyThroughADownloadToModels)
{
    const QByteArray body(1000, 'm');
    LoopbackHttpServer server;
    LoopbackHttpServer::Response stalled = LoopbackHttpServer::Response::ok(body);
    stalled.stallAfter = 379;
    server.setResponse(QStringLiteral("/ggml-base.en.bin"), stalled);
    ModelDownloadConfig config;
    config.modelsDirectory = dir.filePath(QStringLiteral("models"));
    config.baseUrl = server.url(QStringLiteral("/"));
    config.freeBytes = [](const QString &) { return std::optional<qint64>(qint64(1) << 40); };
    config.digestOverrides.insert(QStringLiteral("ggml-base.en.bin"),
                                  QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex()));
    ModelDownloadManager models(config);
    SettingsPageServices pages = services();
    pages.models = &models;
    pages.remoteTokenPath = dir.filePath(QStringLiteral("config/remote-server-token"));
    SettingsWindowHost host([pages](SettingsTab tab) { return buildSettingsPage(tab, pages); });

    host.openSettingsToTab(SettingsTab::model);
    SettingsView *window = host.settingsWindow();
    auto *page = qobject_cast<ModelPage *>(window->tabView()->currentWidget());
    ASSERT_TRUE(page);
    EngineChoiceSection *engine = page->engineChoice();
    EXPECT_FALSE(engine->remoteFields()->isVisibleTo(page));
    keepScrolled(window, "settings-model-tab-empty.png", "settings-model-tab-empty-end.png");

    page->recommendedButton()->click();
    ModelRow *base = page->row(QStringLiteral("base.en"));
    ASSERT_TRUE(pumpUntil([&] { return base->percentLabel()->text() == u"37%"; })) << base->percentLabel()->text().toStdString();
    EXPECT_TRUE(base->cancelButton()->isVisible() && base->progressBar()->isVisible());
    EXPECT_FALSE(page->recommendedButton()->isVisible());
    ModelRow *tiny = page->row(QStringLiteral("tiny.en"));
    EXPECT_TRUE(tiny->downloadButton()->isVisible() && !tiny->downloadButton()->isEnabled());
    EXPECT_FALSE(tiny->progressBar()->isVisible());
    shoot(window, "settings-model-tab-downloading.png", page);

    base->cancelButton()->click();
    EXPECT_TRUE(base->downloadButton()->isVisible() && !base->cancelButton()->isVisible());
    EXPECT_FALSE(page->errorLabel()->isVisible());
    server.setResponse(QStringLiteral("/ggml-base.en.bin"), LoopbackHttpServer::Response::ok(body));
    base->downloadButton()->click();
    ASSERT_TRUE(pumpUntil([&] { return settings.modelPath().has_value(); }));
    EXPECT_EQ(settings.modelPath(), models.localPath(base->model()));
    tiny->downloadIconButton()->click();
    ASSERT_TRUE(pumpUntil([&] { return page->errorLabel()->isVisible(); }));
    EXPECT_EQ(page->errorLabel()->text(), u"Download failed: HTTP 404 Not Found");

    const QString large = config.modelsDirectory + QStringLiteral("/ggml-large-v3.bin");
    writeFile(large, {});
    settings.setModelPath(large);
    emit models.modelsChanged();
    keepScrolled(window, "settings-model-tab-models.png", "settings-model-tab-models-end.png");

    QComboBox *mode = engine->modePicker();
    mode->setCurrentIndex(2);
    emit mode->activated(2);
    EXPECT_EQ(settings.engineMode(), EngineMode::remote);
    EXPECT_TRUE(engine->remoteFields()->isVisibleTo(page));
    EXPECT_TRUE(engine->problemLabel()->isVisibleTo(page)); // no address yet
    engine->addressField()->setText(QStringLiteral("ftp://example.org"));
    emit engine->addressField()->editingFinished();
    shoot(window, "settings-model-tab-engine-remote-bad-address.png", page);

    engine->addressField()->setText(QStringLiteral(" https://192.168.1.20:8080 "));
    emit engine->addressField()->editingFinished();
    engine->tokenField()->setText(QStringLiteral("s3cret"));
    emit engine->tokenField()->editingFinished();
    EXPECT_EQ(settings.remoteServerUrl(), u"https://192.168.1.20:8080");
    EXPECT_FALSE(engine->problemLabel()->isVisibleTo(page));
    EXPECT_EQ(fileBytes(pages.remoteTokenPath), "s3cret");
    EXPECT_EQ(fileMode(pages.remoteTokenPath), 0600);
    shoot(window, "settings-model-tab-engine-remote.png", page);
}

TEST_F(SettingsScreenshotsTest, HistoryGeneralAndAboutTabs)
{
    LoginItemManager login(dir.filePath(QStringLiteral("autostart/com.quorvane.parlix.desktop")), QStringLiteral("/usr/bin/parlix"));
    SettingsPageServices pages = services();
    pages.loginItem = &login;
    // First a desktop without synthetic keys, then a wlroots compositor's virtual keyboard.
    auto virtualKeyboard = std::make_shared<bool>(false);
    pages.typing = [virtualKeyboard] {
        return TypingSupport{*virtualKeyboard, *virtualKeyboard ? QStringLiteral("virtual keyboard (wlroots)") : QString(),
                             QStringLiteral("This desktop offers applications no virtual keyboard: Parlix copies each "
                                            "transcript to the clipboard for you to paste with Ctrl+V.")};
    };
    SettingsWindowHost host([pages](SettingsTab tab) { return buildSettingsPage(tab, pages); });
    history.clear();
    host.openSettingsToTab(SettingsTab::history);
    SettingsView *window = host.settingsWindow();
    auto *page = qobject_cast<HistoryPage *>(window->tabView()->currentWidget());
    ASSERT_TRUE(page);
    shoot(window, "settings-history-empty.png");

    history.add(QStringLiteral("Buy milk and eggs on the way home, and call the plumber about the kitchen sink before "
                               "Friday; he said the part should arrive this week, so ask whether Saturday works too."),
                QStringLiteral("buy milk and eggs on the way home comma and call the plumber"), QStringLiteral("Base (English)"));
    history.add(QStringLiteral("Meeting notes:\n- ship the beta\n- review the installer\n- update the docs"),
                std::nullopt, QStringLiteral("Small (English)"));
    history.add(QStringLiteral("Hello"));
    shoot(window, "settings-history-filled.png", page);

    page->searchField()->setText(QStringLiteral("milk"));
    shoot(window, "settings-history-search.png");
    page->searchField()->clear();

    for (int row : {0, 1})
        page->list()->selectionModel()->select(page->list()->model()->index(row, 0), QItemSelectionModel::Select);
    QMessageBox *confirm = page->confirmDeleteSelected();
    ASSERT_TRUE(confirm);
    QCoreApplication::processEvents();
    keepScreenshot(overlaid(window, confirm, QPoint((window->width() - confirm->width()) / 2, (window->height() - confirm->height()) / 3)),
                   QStringLiteral("settings-history-confirm.png"));
    EXPECT_EQ(cramped(confirm), QStringList());
    confirm->reject();

    hotkey.registerHotkey();
    host.openSettingsToTab(SettingsTab::general);
    shoot(window, "settings-general-tab.png", window->tabView()->currentWidget());
    // sway: a virtual keyboard, and the compositor binds the key.
    *virtualKeyboard = true;
    backend.choosesTrigger = false;
    backend.registerStatus = ShortcutStatus::boundByCompositor;
    hotkey.registerHotkey();
    auto *general = qobject_cast<GeneralPage *>(window->tabView()->currentWidget());
    ASSERT_TRUE(general);
    general->refreshPermissions();
    shoot(window, "settings-general-tab-wayland.png", general);

    host.openSettingsToTab(SettingsTab::about);
    auto *about = qobject_cast<AboutPage *>(window->tabView()->currentWidget());
    ASSERT_TRUE(about);
    shoot(window, "settings-about-tab.png", about);
    for (int i = 0; i < 5; ++i)
        about->iconClicked();
    QTest::qWait(1000);
    shoot(window, "settings-about-secret.png", about);
}

TEST_F(SettingsScreenshotsTest, RecordingTabWhereTheDesktopBindsTheKey)
{
    const struct {
        const char *desktop;
        int status;
        RecordingMode mode;
        const char *file;
        const char *firstLine; // of the compositor binding; none where the portal binds the key
    } cases[] = {
        {"sway", ShortcutStatus::boundByCompositor, RecordingMode::pushToTalk, "settings-recording-sway.png",
         "bindsym Ctrl+Mod1+space exec "},
        {"GNOME", ShortcutStatus::boundByCompositor, RecordingMode::pushToTalk, "settings-recording-gnome.png",
         "s=org.gnome.settings-daemon.plugins.media-keys"},
        {"KDE", ShortcutStatus::success, RecordingMode::toggle, "settings-recording-portal.png", nullptr},
    };
    QStringList copied;
    SettingsPageServices pages = services();
    pages.copyToClipboard = [&](const QString &text) { copied << text; };
    backend.choosesTrigger = false;
    backend.boundTrigger = QStringLiteral("Ctrl+Alt+Space");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.desktop);
        const ScopedEnvironment desktop("XDG_CURRENT_DESKTOP", c.desktop);
        backend.registerStatus = c.status;
        settings.setRecordingMode(c.mode);
        hotkey.registerHotkey();
        SettingsWindowHost host([&pages](SettingsTab tab) { return buildSettingsPage(tab, pages); });
        host.openSettingsToTab(SettingsTab::recording);
        SettingsView *window = host.settingsWindow();
        auto *page = qobject_cast<RecordingPage *>(window->tabView()->currentWidget());
        ASSERT_TRUE(page);
        shoot(window, c.file, page);

        EXPECT_FALSE(page->hotkeyRecorder()->isVisible());
        EXPECT_EQ(page->desktopTriggerRow()->isVisible(), !c.firstLine);
        EXPECT_EQ(page->compositorBinding()->isVisible(), bool(c.firstLine));
        if (!c.firstLine) {
            EXPECT_EQ(page->desktopTrigger()->text(), "Ctrl+Alt+Space");
            continue;
        }
        const QString lines = page->compositorBinding()->linesField()->toPlainText();
        EXPECT_TRUE(lines.startsWith(QString::fromLatin1(c.firstLine))) << lines.toStdString();
        page->compositorBinding()->copyButton()->click();
        EXPECT_EQ(copied.takeLast(), lines);
    }
}

// Run by ctest as SettingsScreenshotsGerman, under a German locale: the catalogue the build made
// is loaded the way the app loads it, and every tab keeps its German picture.
TEST_F(SettingsScreenshotsTest, DISABLED_GermanTabsHaveRoomForTheirTexts)
{
    ASSERT_EQ(QLocale().language(), QLocale::German) << "run with LANG=de_DE.UTF-8";
    const QStringList loaded = installTranslations(*QCoreApplication::instance(), QLocale(), QStringLiteral(PARLIX_TRANSLATIONS_DIR));
    ASSERT_TRUE(loaded.contains(QStringLiteral(PARLIX_TRANSLATIONS_DIR "/parlix_de.qm"))) << loaded.join(u' ').toStdString();
    LoginItemManager login(dir.filePath(QStringLiteral("autostart/com.quorvane.parlix.desktop")), QStringLiteral("/usr/bin/parlix"));
    ModelDownloadConfig config;
    config.modelsDirectory = dir.filePath(QStringLiteral("models"));
    config.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:9/"));
    ModelDownloadManager models(config);
    SettingsPageServices pages = services();
    pages.loginItem = &login;
    pages.typing = [] { return TypingSupport{false, {}, QStringLiteral("no XTEST")}; };
    pages.models = &models;
    hotkey.registerHotkey();
    history.add(QStringLiteral("Einkaufsliste: Milch, Eier und Brot"), std::nullopt, QStringLiteral("Base (English)"));
    SettingsWindowHost host([pages](SettingsTab tab) { return buildSettingsPage(tab, pages); });
    for (const SettingsTabInfo &tab : settingsTabs()) {
        SCOPED_TRACE(tab.name);
        host.openSettingsToTab(tab.tab);
        SettingsView *window = host.settingsWindow();
        QCoreApplication::processEvents();
        recorder.stopAudioPreview();
        EXPECT_EQ(window->windowTitle(), u"Parlix-Einstellungen");
        EXPECT_EQ(window->tabView()->tabText(window->tabView()->currentIndex()), QCoreApplication::translate("parlix::SettingsTab", tab.label));
        const QByteArray name = QByteArray("settings-") + tab.name + "-tab-de";
        if (auto *scroll = window->tabView()->currentWidget()->findChild<QScrollArea *>()) {
            keepScrolled(window, name + ".png", name + "-end.png");
            // Pages scroll vertically only: wider content is cut off at the right.
            EXPECT_LE(scroll->widget()->minimumSizeHint().width(), scroll->viewport()->width());
        } else {
            shoot(window, name + ".png", window->tabView()->currentWidget());
        }
    }
}

} // namespace
