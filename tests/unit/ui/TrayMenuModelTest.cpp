// The tray menu's contents: items, order, titles, enabled states and commands for each state of
// the application, the model and history submenus, and the history titles.
#include "ui/TrayMenuModel.h"

#include "Printers.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::ui;

namespace {

// "-" for a separator, else the title.
QStringList titles(const QList<MenuEntry> &entries)
{
    QStringList out;
    for (const MenuEntry &e : entries)
        out << (e.isSeparator ? QStringLiteral("-") : e.title);
    return out;
}

const MenuEntry *find(const QList<MenuEntry> &entries, const QString &title)
{
    for (const MenuEntry &e : entries)
        if (!e.isSeparator && e.title == title)
            return &e;
    return nullptr;
}

MenuInputs readyInputs()
{
    MenuInputs in;
    in.canRecord = true;
    in.modelPath = QStringLiteral("/m/ggml-base.en.bin");
    in.modelFileExists = true;
    in.modelDisplayName = QStringLiteral("Base (English)");
    in.downloadedModels = {QStringLiteral("/m/ggml-base.en.bin")};
    return in;
}

struct StateCase {
    const char *name;
    std::function<void(MenuInputs &)> change;
    QStringList topLevel;
    // The item the row is about: the recording item, or the warning or download in its place.
    QString itemTitle;
    bool itemEnabled;
    MenuCommand itemCommand;
    MenuTint itemTint;
};

const QStringList tail{QStringLiteral("History"), QStringLiteral("-"), QStringLiteral("Check for Updates..."),
                       QStringLiteral("Settings..."), QStringLiteral("Quit Parlix")};

TEST(StatusMenuStateTest, TopLevelItemsAndTheItemOfEachState)
{
    const StateCase cases[] = {
        {"ready", [](MenuInputs &) {}, QStringList{"Start Recording", "Model: Base (English)"} + tail, "Start Recording", true,
         MenuCommand::toggleRecording, MenuTint::none},
        {"recording", [](MenuInputs &in) { in.isRecording = true; in.canRecord = false; },
         QStringList{"Stop Recording", "Model: Base (English)"} + tail, "Stop Recording", true, MenuCommand::toggleRecording,
         MenuTint::red},
        {"transcribing", [](MenuInputs &in) { in.isTranscribing = true; in.canRecord = false; },
         QStringList{"Transcribing...", "Model: Base (English)"} + tail, "Transcribing...", false, MenuCommand::none,
         MenuTint::none},
        // The engine may be ended while it works on a clip.
        {"transcribingCancellable", [](MenuInputs &in) { in.isTranscribing = true; in.canRecord = false; in.canCancelTranscription = true; },
         QStringList{"Transcribing...", "Cancel Transcription", "Model: Base (English)"} + tail, "Cancel Transcription", true,
         MenuCommand::cancelTranscription, MenuTint::none},
        // A kept recording can be retried when a dictation could start.
        {"unsentRecording", [](MenuInputs &in) { in.hasUnsentRecording = true; },
         QStringList{"Start Recording", "Retry Last Recording", "Model: Base (English)"} + tail, "Retry Last Recording", true,
         MenuCommand::retryLastRecording, MenuTint::none},
        {"unsentWhileRecording", [](MenuInputs &in) { in.hasUnsentRecording = true; in.isRecording = true; in.canRecord = false; },
         QStringList{"Stop Recording", "Retry Last Recording", "Model: Base (English)"} + tail, "Retry Last Recording", false,
         MenuCommand::retryLastRecording, MenuTint::none},
        {"engineMissingAndNoModels", [](MenuInputs &in) { in = MenuInputs{}; in.engineMissing = true; },
         QStringList{"⚠️ Engine Missing", "-", "⚠️ No Models Downloaded", "-", "Start Recording", "Model"} + tail,
         "⚠️ No Models Downloaded", true, MenuCommand::openModelSettings, MenuTint::none},
        // A running download takes the warning's place, with its percent once the size is known.
        {"downloadingTheFirstModel", [](MenuInputs &in) { in = MenuInputs{}; in.modelDownload = MenuDownload{"Base (English)", 37}; },
         QStringList{"Downloading Base (English)… 37%", "-", "Start Recording", "Model"} + tail, "Downloading Base (English)… 37%",
         true, MenuCommand::openModelSettings, MenuTint::none},
        // A key bound in the compositor runs parlixctl: not registered, yet nothing to warn about
        // (a hotkey that is taken shows the warning: TrayTest).
        {"hotkeyBoundByCompositor", [](MenuInputs &in) { in.hotkey = {false, true, "Ctrl+Alt+Space", {}}; },
         QStringList{"Start Recording", "Model: Base (English)"} + tail, "Start Recording", true, MenuCommand::toggleRecording,
         MenuTint::none},
        // A stored path whose file is gone names no model.
        {"modelFileGone", [](MenuInputs &in) { in.modelFileExists = false; in.canRecord = false; },
         QStringList{"Start Recording", "Model"} + tail, "Start Recording", false, MenuCommand::toggleRecording, MenuTint::none},
    };
    for (const StateCase &c : cases) {
        SCOPED_TRACE(c.name);
        MenuInputs in = readyInputs();
        c.change(in);
        const QList<MenuEntry> menu = buildStatusMenu(in);
        EXPECT_EQ(titles(menu), c.topLevel);
        const MenuEntry *item = find(menu, c.itemTitle);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->enabled, c.itemEnabled);
        EXPECT_EQ(item->command, c.itemCommand);
        EXPECT_EQ(item->tint, c.itemTint);
    }
}

TEST(StatusMenuTest, UpdateItem)
{
    const struct {
        const char *name;
        bool canCheck;
        bool available;
        QString title;
        QString icon;
    } cases[] = {
        {"ready", true, false, "Check for Updates...", "view-refresh"},
        {"found", true, true, "Update Available", "software-update-available"},
        // A check running after one that found an update: the title stays, the item waits.
        {"foundAndChecking", false, true, "Update Available", "software-update-available"},
    };
    for (const auto &c : cases) {
        MenuInputs in = readyInputs();
        in.canCheckForUpdates = c.canCheck;
        in.updateAvailable = c.available;
        const QList<MenuEntry> menu = buildStatusMenu(in);
        // Between the separator after History and Settings.
        const QStringList all = titles(menu);
        const qsizetype at = all.indexOf(QStringLiteral("Settings...")) - 1;
        ASSERT_GE(at, 1) << c.name;
        EXPECT_EQ(all[at - 1], QStringLiteral("-")) << c.name;
        const MenuEntry &update = menu[at];
        EXPECT_EQ(update.title, c.title) << c.name;
        EXPECT_EQ(update.iconName, c.icon) << c.name;
        EXPECT_EQ(update.command, MenuCommand::checkForUpdates) << c.name;
        EXPECT_EQ(update.enabled, c.canCheck) << c.name;
    }
}

TEST(StatusMenuTest, ModelSubmenu)
{
    const struct {
        const char *name;
        QStringList files;
        std::optional<QString> modelPath;
        QStringList titles;
        QList<bool> checked;
    } cases[] = {
        {"catalogueAndOther",
         {"/m/ggml-base.en.bin", "/m/ggml-large-v3-turbo-q5_0.bin", "/m/custom.bin"},
         QString("/m/custom.bin"),
         {"Base (English)", "ggml-large-v3-turbo-q5_0", "custom"},
         {false, false, true}},
        // The checkmark needs the exact stored path.
        {"pathSpelledDifferently", {"/m/ggml-base.en.bin"}, QString("/m/../m/ggml-base.en.bin"), {"Base (English)"}, {false}},
        {"noFiles", {}, QString("/m/a.bin"), {"No models downloaded"}, {false}},
    };
    for (const auto &c : cases) {
        MenuInputs in;
        in.downloadedModels = c.files;
        in.modelPath = c.modelPath;
        const MenuEntry *model = nullptr;
        const QList<MenuEntry> menu = buildStatusMenu(in);
        for (const MenuEntry &e : menu)
            if (e.title.startsWith(QStringLiteral("Model")))
                model = &e;
        ASSERT_NE(model, nullptr) << c.name;
        EXPECT_EQ(titles(model->submenu), c.titles) << c.name;
        for (qsizetype i = 0; i < model->submenu.size(); ++i) {
            const MenuEntry &e = model->submenu[i];
            EXPECT_EQ(e.checked, c.checked[i]) << c.name << " " << i;
            if (c.files.isEmpty()) {
                EXPECT_FALSE(e.enabled) << c.name;
                EXPECT_EQ(e.command, MenuCommand::none) << c.name;
            } else {
                EXPECT_TRUE(e.checkable) << c.name;
                EXPECT_EQ(e.command, MenuCommand::selectModel) << c.name;
                EXPECT_EQ(e.modelPath, c.files[i]) << c.name;
            }
        }
    }
}

TEST(StatusMenuTest, HistoryTitles)
{
    const QString fifty = QString(50, QLatin1Char('a'));
    // A family emoji is one character of several code points; an "e" with a combining accent too.
    const QString family = QStringLiteral("👨‍👩‍👧");
    const QString accented = QStringLiteral("e\u0301");
    const struct {
        QString text;
        QString shown;
    } cases[] = {
        {fifty, fifty},
        {QString(49, QLatin1Char('x')) + family + QStringLiteral("y"), QString(49, QLatin1Char('x')) + family + QStringLiteral("...")},
        {accented.repeated(51), accented.repeated(50) + QStringLiteral("...")},
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(historyItemTitle(QStringLiteral("T"), c.text), QStringLiteral("T: ") + c.shown) << c.text.toStdString();
}

QList<RecentTranscript> transcripts(int count)
{
    QList<RecentTranscript> out;
    for (int i = 0; i < count; ++i)
        out.append({QStringLiteral("t%1").arg(i), QStringLiteral("text %1").arg(i), QStringLiteral("tip %1").arg(i)});
    return out;
}

TEST(StatusMenuTest, HistorySubmenu)
{
    const QStringList footer{"-", "Show All History...", "Export History", "-", "Clear History"};
    for (int count : {1, 25}) {
        MenuInputs in = readyInputs();
        in.recentHistory = transcripts(count);
        const QList<MenuEntry> menu = buildStatusMenu(in);
        const MenuEntry *history = find(menu, QStringLiteral("History"));
        ASSERT_NE(history, nullptr);
        const int listed = std::min(count, 20);
        ASSERT_EQ(history->submenu.size(), listed + footer.size()) << count;
        for (int i = 0; i < listed; ++i) {
            const MenuEntry &e = history->submenu[i];
            EXPECT_EQ(e.title, QStringLiteral("t%1: text %1").arg(i));
            EXPECT_EQ(e.historyIndex, i);
            EXPECT_EQ(e.command, MenuCommand::copyHistoryItem);
        }
        EXPECT_EQ(titles(history->submenu.mid(listed)), footer) << count;
        const MenuEntry *exportMenu = find(history->submenu, QStringLiteral("Export History"));
        EXPECT_EQ(exportMenu->submenu.value(1).exportFormat, ExportFormat::csv);
    }

    const QList<MenuEntry> plain = buildStatusMenu(readyInputs());
    const MenuEntry *empty = find(plain, QStringLiteral("History"));
    ASSERT_EQ(empty->submenu.size(), 1);
    EXPECT_EQ(empty->submenu[0].title, QStringLiteral("No history"));
    EXPECT_FALSE(empty->submenu[0].enabled);
}

TEST(StatusMenuTest, RecentTranscriptsUseShortDateAndMediumTime)
{
    const DateContext dates{QLocale(QStringLiteral("en_US")), QTimeZone::utc(), [] {
                                return QDateTime(QDate(2025, 3, 10), QTime(12, 0), QTimeZone::utc());
                            }};
    QList<TranscriptItem> items;
    for (int i = 0; i < 25; ++i) {
        TranscriptItem item;
        item.id = QUuid::createUuid();
        item.text = QStringLiteral("entry %1").arg(i);
        item.timestamp = QDateTime(QDate(2025, 3, 4), QTime(15, 4, 5), QTimeZone::utc()).addSecs(-i);
        items.append(item);
    }
    const QList<RecentTranscript> recent = recentTranscripts(items, dates);
    ASSERT_EQ(recent.size(), 20);
    // Short date "3/4/25", medium time with seconds "3:04:05 PM" (not "Mar 4, 2025", not "3:04 PM").
    EXPECT_TRUE(recent[0].timestampText.startsWith(QStringLiteral("3/4/25"))) << recent[0].timestampText.toStdString();
    EXPECT_TRUE(recent[0].timestampText.contains(QStringLiteral("3:04:05"))) << recent[0].timestampText.toStdString();
    EXPECT_TRUE(recent[2].timestampText.contains(QStringLiteral("3:04:03"))) << recent[2].timestampText.toStdString();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(recent[i].text, items[i].text);
        EXPECT_EQ(recent[i].toolTip, items[i].tooltipText(dates));
    }
    EXPECT_TRUE(recentTranscripts({}, dates).isEmpty());
}

} // namespace
