#include "ui/TrayMenuModel.h"

#include "core/Constants.h"
#include "core/Graphemes.h"
#include "models/ModelCatalog.h"

#include <QCoreApplication>

namespace parlix::ui {

QList<RecentTranscript> recentTranscripts(const QList<TranscriptItem> &items, const DateContext &dates)
{
    QList<RecentTranscript> recent;
    const qsizetype count = std::min(items.size(), historyMenuLimit);
    if (count == 0)
        return recent;
    const DateFormatter formatter = DateFormatter::shortDateMediumTime(dates);
    recent.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const TranscriptItem &item = items[i];
        recent.append({formatter.format(item.timestamp), item.text, item.tooltipText(dates)});
    }
    return recent;
}

QString historyItemTitle(const QString &timestampText, const QString &text)
{
    const QString shown = graphemes::count(text) <= historyTitleCharacters
        ? text
        : graphemes::prefix(text, historyTitleCharacters) + QStringLiteral("...");
    return timestampText + QStringLiteral(": ") + shown;
}

namespace {

MenuEntry item(const QString &title, const QString &iconName, MenuCommand command)
{
    MenuEntry e;
    e.title = title;
    e.iconName = iconName;
    e.command = command;
    return e;
}

MenuEntry disabledItem(const QString &title)
{
    MenuEntry e;
    e.title = title;
    e.enabled = false;
    return e;
}

MenuEntry recordingItem(const MenuInputs &in)
{
    if (in.isTranscribing) {
        MenuEntry e = disabledItem(QCoreApplication::translate("parlix::ui::TrayMenu", "Transcribing..."));
        e.iconName = QStringLiteral("process-working");
        return e;
    }
    if (in.isLiveTranscribing) {
        MenuEntry e = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Stop Live Recording"), QStringLiteral("media-playback-stop"),
                           MenuCommand::toggleRecording);
        e.tint = MenuTint::orange;
        return e;
    }
    if (in.isRecording) {
        MenuEntry e = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Stop Recording"), QStringLiteral("media-playback-stop"),
                           MenuCommand::toggleRecording);
        e.tint = MenuTint::red;
        return e;
    }
    MenuEntry e = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Start Recording"), QStringLiteral("audio-input-microphone"),
                       MenuCommand::toggleRecording);
    e.enabled = in.canRecord;
    return e;
}

MenuEntry modelItem(const MenuInputs &in)
{
    const bool hasModel = in.modelPath && in.modelFileExists;
    MenuEntry e = item(hasModel ? QCoreApplication::translate("parlix::ui::TrayMenu", "Model: %1").arg(in.modelDisplayName) : QCoreApplication::translate("parlix::ui::TrayMenu", "Model"),
                       QStringLiteral("cpu"), MenuCommand::none);
    for (const QString &path : in.downloadedModels) {
        MenuEntry model = item(Constants::modelDisplayName(path), QString(), MenuCommand::selectModel);
        model.modelPath = path;
        model.checkable = true;
        model.checked = in.modelPath && *in.modelPath == path;
        e.submenu.append(model);
    }
    if (in.downloadedModels.isEmpty())
        e.submenu.append(disabledItem(QCoreApplication::translate("parlix::ui::TrayMenu", "No models downloaded")));
    return e;
}

MenuEntry historyItem(const MenuInputs &in)
{
    MenuEntry e = item(QCoreApplication::translate("parlix::ui::TrayMenu", "History"), QStringLiteral("document-open-recent"), MenuCommand::none);
    if (in.recentHistory.isEmpty()) {
        e.submenu.append(disabledItem(QCoreApplication::translate("parlix::ui::TrayMenu", "No history")));
        return e;
    }
    for (qsizetype i = 0; i < in.recentHistory.size() && i < historyMenuLimit; ++i) {
        const RecentTranscript &t = in.recentHistory[i];
        MenuEntry entry = item(historyItemTitle(t.timestampText, t.text), QString(), MenuCommand::copyHistoryItem);
        entry.historyIndex = int(i);
        entry.toolTip = t.toolTip;
        e.submenu.append(entry);
    }
    e.submenu.append(MenuEntry::separator());
    e.submenu.append(item(QCoreApplication::translate("parlix::ui::TrayMenu", "Show All History..."), QString(), MenuCommand::showAllHistory));
    MenuEntry exportMenu = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Export History"), QString(), MenuCommand::none);
    for (ExportFormat format : allExportFormats()) {
        MenuEntry f = item(label(format), QString(), MenuCommand::exportHistory);
        f.exportFormat = format;
        exportMenu.submenu.append(f);
    }
    e.submenu.append(exportMenu);
    e.submenu.append(MenuEntry::separator());
    e.submenu.append(item(QCoreApplication::translate("parlix::ui::TrayMenu", "Clear History"), QString(), MenuCommand::clearHistory));
    return e;
}

} // namespace

QString downloadTitle(const MenuDownload &download)
{
    const QString title = QCoreApplication::translate("parlix::ui::TrayMenu", "Downloading %1…").arg(download.modelName);
    return download.percent ? QCoreApplication::translate("parlix::ui::TrayMenu", "%1 %2%").arg(title).arg(*download.percent) : title;
}

QList<MenuEntry> buildStatusMenu(const MenuInputs &in)
{
    QList<MenuEntry> menu;
    if (!in.hotkey.registered && !in.hotkey.boundByCompositor) {
        // Opens the Recording tab, where another hotkey can be recorded.
        MenuEntry e = item(QCoreApplication::translate("parlix::ui::TrayMenu", "⚠️ Hotkey %1 is unavailable — Change…").arg(in.hotkey.keys), QString(),
                           MenuCommand::openSettings);
        e.toolTip = in.hotkey.failure;
        menu.append(e);
        menu.append(MenuEntry::separator());
    }
    if (in.engineMissing) {
        menu.append(disabledItem(QCoreApplication::translate("parlix::ui::TrayMenu", "⚠️ Engine Missing")));
        menu.append(MenuEntry::separator());
    }
    // Both lead to the Model tab; a running download says how far it is instead of the warning.
    if (in.modelDownload) {
        menu.append(item(downloadTitle(*in.modelDownload), QStringLiteral("download"), MenuCommand::openModelSettings));
        menu.append(MenuEntry::separator());
    } else if (in.downloadedModels.isEmpty()) {
        menu.append(item(QCoreApplication::translate("parlix::ui::TrayMenu", "⚠️ No Models Downloaded"), QString(), MenuCommand::openModelSettings));
        menu.append(MenuEntry::separator());
    }
    menu.append(recordingItem(in));
    if (in.isTranscribing && in.canCancelTranscription)
        menu.append(item(QCoreApplication::translate("parlix::ui::TrayMenu", "Cancel Transcription"), QStringLiteral("process-stop"),
                         MenuCommand::cancelTranscription));
    if (in.hasUnsentRecording) {
        MenuEntry retry = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Retry Last Recording"),
                               QStringLiteral("view-refresh"), MenuCommand::retryLastRecording);
        retry.enabled = in.canRecord;
        menu.append(retry);
    }
    menu.append(modelItem(in));
    menu.append(historyItem(in));
    menu.append(MenuEntry::separator());
    MenuEntry update = in.updateAvailable
        ? item(QCoreApplication::translate("parlix::ui::TrayMenu", "Update Available"), QStringLiteral("software-update-available"), MenuCommand::checkForUpdates)
        : item(QCoreApplication::translate("parlix::ui::TrayMenu", "Check for Updates..."), QStringLiteral("view-refresh"), MenuCommand::checkForUpdates);
    update.enabled = in.canCheckForUpdates;
    menu.append(update);
    MenuEntry settings = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Settings..."), QStringLiteral("preferences-system"), MenuCommand::openSettings);
    settings.shortcut = QStringLiteral("Ctrl+,");
    menu.append(settings);
    MenuEntry quit = item(QCoreApplication::translate("parlix::ui::TrayMenu", "Quit Parlix"), QStringLiteral("application-exit"), MenuCommand::quitApp);
    quit.shortcut = QStringLiteral("Ctrl+Q");
    menu.append(quit);
    return menu;
}

} // namespace parlix::ui
