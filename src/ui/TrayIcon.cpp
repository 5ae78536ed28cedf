#include "ui/TrayIcon.h"

#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "history/HistoryStore.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSaveFile>
#include <QSystemTrayIcon>

namespace parlix::ui {

namespace {

QColor labelColour()
{
    return QGuiApplication::palette().color(QPalette::WindowText);
}

qreal pixelRatio()
{
    return qApp ? qApp->devicePixelRatio() : 1.0;
}

// A filled stop square in the title's tint: the menu cannot colour one item's text, and the
// tint is what says "this stops something".
QIcon tintedStopIcon(MenuTint tint)
{
    const QColor colour = tint == MenuTint::red ? systemRed : systemOrange;
    QIcon icon;
    for (int size : {16, 22, 32}) {
        const qreal dpr = pixelRatio();
        QPixmap pixmap(int(size * dpr), int(size * dpr));
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const qreal side = size * 0.6;
        p.drawRoundedRect(QRectF((size - side) / 2, (size - side) / 2, side, side), size * 0.1, size * 0.1);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Menu titles treat "&" as a mnemonic marker; transcripts and file names show it as typed.
QString literalTitle(const QString &title)
{
    QString escaped = title;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

TrayIcon::TrayIcon(TrayIconServices services, bool developmentBuild, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_developmentBuild(developmentBuild)
    , m_menu(std::make_unique<QMenu>())
    , m_tray(std::make_unique<QSystemTrayIcon>())
    , m_kind(StatusIconKind::microphone)
{
    // The plain microphone until the first update, whatever the build.
    m_tray->setIcon(statusIcon(m_kind, 0.0, pixelRatio(), labelColour()));
    m_tray->setToolTip(QStringLiteral("Parlix"));
    m_tray->setContextMenu(m_menu.get());
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayIcon::rebuildMenu);
    // Most tray hosts open the context menu on any click; some only report a left click.
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !m_menu->isVisible())
            m_menu->popup(QCursor::pos());
    });
    m_frameTimer.setInterval(animationFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &TrayIcon::frameStep);
}

TrayIcon::~TrayIcon()
{
    // The tray icon refers to the menu; let it go first.
    m_tray.reset();
}

void TrayIcon::show()
{
    m_tray->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        log::error(lcController, "No system tray is available; the status icon will appear when one starts");
        emit noTrayHost(tr("This desktop shows no tray icons, so Parlix has none for now. Dictate with the hotkey or "
                           "with parlixctl start and parlixctl stop; parlixctl settings opens the settings."));
    }
}

void TrayIcon::updateStatusIcon()
{
    m_isAnimating = false;
    m_frameTimer.stop();

    const AppState &s = m_services.state;
    const StatusIconKind kind = statusIconKind({s.isRecording(), s.isTranscribing(), s.isLiveTranscribing()},
                                               m_developmentBuild);
    if (kind == StatusIconKind::transcribingArc) {
        startIconAnimation();
        return;
    }
    showIcon(kind);
}

void TrayIcon::showIcon(StatusIconKind kind)
{
    m_kind = kind;
    m_tray->setIcon(statusIcon(kind, m_animationAngle, pixelRatio(), labelColour()));
}

void TrayIcon::startIconAnimation()
{
    m_animationAngle = 0.0;
    m_animationClock.start();
    m_isAnimating = true;
    updateAnimatedIcon();
    m_frameTimer.start();
}

void TrayIcon::frameStep()
{
    // A timeout already queued when the animation stopped finds it stopped.
    if (!m_isAnimating)
        return;
    m_animationAngle = arcAngleAt(m_animationClock.elapsed());
    updateAnimatedIcon();
}

void TrayIcon::updateAnimatedIcon()
{
    showIcon(StatusIconKind::transcribingArc);
}

MenuInputs TrayIcon::currentMenuInputs() const
{
    const AppState &s = m_services.state;
    const SettingsModel &settings = m_services.settings;
    MenuInputs in;
    if (m_services.hotkeyState)
        in.hotkey = m_services.hotkeyState();
    in.engineMissing = s.engineMissing();
    in.isRecording = s.isRecording();
    in.isTranscribing = s.isTranscribing();
    in.isLiveTranscribing = s.isLiveTranscribing();
    in.canRecord = s.canRecord();
    if (m_services.transcriptionState) {
        const TranscriptionMenuState transcription = m_services.transcriptionState();
        in.canCancelTranscription = transcription.canCancel;
        in.hasUnsentRecording = transcription.hasUnsent;
    }
    in.modelPath = settings.modelPath();
    in.modelFileExists = in.modelPath && QFileInfo::exists(*in.modelPath);
    in.modelDisplayName = settings.modelDisplayName();
    in.downloadedModels = m_services.downloadedModels();
    in.modelDownload = m_modelDownload;
    const HistoryStore &history = m_services.history();
    in.recentHistory = recentTranscripts(history.items(), history.dateContext());
    const UpdateMenuState update = m_services.updateState();
    in.canCheckForUpdates = update.canCheckForUpdates;
    in.updateAvailable = update.updateAvailable;
    return in;
}

void TrayIcon::rebuildMenu()
{
    // clear() drops the submenus' actions but not the submenus themselves, which are children
    // of the menu: without this every opening would leave its submenus behind.
    for (QMenu *sub : m_menu->findChildren<QMenu *>(Qt::FindDirectChildrenOnly))
        delete sub;
    m_menu->clear();
    addEntries(m_menu.get(), buildStatusMenu(currentMenuInputs()));
}

void TrayIcon::addEntries(QMenu *menu, const QList<MenuEntry> &entries)
{
    for (const MenuEntry &entry : entries) {
        if (entry.isSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction *action = nullptr;
        if (!entry.submenu.isEmpty()) {
            // Submenus belong to the menu they open from and go with its clear().
            QMenu *sub = menu->addMenu(literalTitle(entry.title));
            addEntries(sub, entry.submenu);
            action = sub->menuAction();
        } else {
            action = menu->addAction(literalTitle(entry.title));
        }
        if (entry.tint != MenuTint::none)
            action->setIcon(tintedStopIcon(entry.tint));
        else if (!entry.iconName.isEmpty())
            action->setIcon(QIcon::fromTheme(entry.iconName));
        action->setEnabled(entry.enabled);
        action->setCheckable(entry.checkable);
        action->setChecked(entry.checked);
        if (!entry.shortcut.isEmpty())
            action->setShortcut(QKeySequence(entry.shortcut));
        if (!entry.toolTip.isEmpty())
            action->setToolTip(entry.toolTip);
        if (entry.command != MenuCommand::none)
            connect(action, &QAction::triggered, this, [this, entry] { perform(entry); });
    }
    // Tooltips of history entries hold the whole transcript.
    menu->setToolTipsVisible(true);
}

void TrayIcon::perform(const MenuEntry &entry)
{
    switch (entry.command) {
    case MenuCommand::none:
        return;
    case MenuCommand::toggleRecording:
        m_services.toggleRecording();
        return;
    case MenuCommand::cancelTranscription:
        if (m_services.cancelTranscription)
            m_services.cancelTranscription();
        return;
    case MenuCommand::retryLastRecording:
        if (m_services.retryLastRecording)
            m_services.retryLastRecording();
        return;
    case MenuCommand::openSettings:
        m_services.openSettingsToTab(SettingsTab::recording);
        return;
    case MenuCommand::openModelSettings:
        m_services.openSettingsToTab(SettingsTab::model);
        return;
    case MenuCommand::selectModel:
        selectModel(entry.modelPath);
        return;
    case MenuCommand::copyHistoryItem:
        copyHistoryItem(entry.historyIndex);
        return;
    case MenuCommand::showAllHistory:
        m_services.openSettingsToTab(SettingsTab::history);
        return;
    case MenuCommand::exportHistory:
        if (entry.exportFormat)
            exportHistory(*entry.exportFormat);
        return;
    case MenuCommand::clearHistory:
        m_services.history().clear();
        return;
    case MenuCommand::checkForUpdates:
        m_services.checkForUpdates();
        return;
    case MenuCommand::quitApp:
        m_services.quit();
        return;
    }
}

void TrayIcon::setModelDownload(const std::optional<MenuDownload> &download)
{
    if (download == m_modelDownload)
        return;
    m_modelDownload = download;
    m_tray->setToolTip(download ? tr("Parlix — %1").arg(downloadTitle(*download)) : QStringLiteral("Parlix"));
}

void TrayIcon::selectModel(const QString &path)
{
    if (path.isEmpty())
        return;
    m_services.settings.selectModel(path);
    log::info(lcController, "Switched to model: %s", QFileInfo(path).fileName());
}

void TrayIcon::copyHistoryItem(int index)
{
    // Resolved against the history as it is now; the menu was built from it when it opened.
    const QList<TranscriptItem> &items = m_services.history().items();
    if (index < 0 || index >= items.size())
        return;
    m_services.copyToClipboard(items[index].text);
    log::info(lcController, "Copied history item to clipboard");
}

void TrayIcon::exportHistory(ExportFormat format)
{
    // The data is taken now, before the dialog: what is saved is the history the user chose to export.
    HistoryStore &history = m_services.history();
    // Producing an export cannot fail here (it is built in memory), so there is no failure to report.
    const QByteArray data = history.exportAs(format);
    auto *dialog = new QFileDialog(nullptr, tr("Export History"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setMimeTypeFilters({mimeType(format)});
    dialog->setDefaultSuffix(rawValue(format));
    dialog->selectFile(history.suggestedFileName(format));
    // Not modal: the tray and the hotkey keep working while the dialog is open.
    connect(dialog, &QFileDialog::fileSelected, dialog, [data](const QString &path) {
        if (!path.isEmpty())
            saveExport(path, data);
    });
    dialog->show();
}

bool saveExport(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        log::error(lcController, "Failed to save export: %s", file.errorString());
        if (error)
            *error = file.errorString();
        return false;
    }
    log::info(lcController, "Exported history to %s", path);
    return true;
}

} // namespace parlix::ui
