#include "ui/settings/GeneralPage.h"

#include "core/LoginItemManager.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "platform/AudioInput.h"
#include "ui/settings/LogTerminal.h"
#include "ui/settings/PageParts.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {

constexpr auto kErrorStyle = "QLabel { color: rgb(215, 0, 21); }";

// Green when all is well, orange when something is missing, plain when neither can be said.
void colourStatus(QLabel *status, std::optional<bool> ok)
{
    status->setStyleSheet(!ok ? QString()
                              : *ok ? QStringLiteral("QLabel { color: rgb(36, 138, 61); }")
                                    : QStringLiteral("QLabel { color: rgb(201, 52, 0); }"));
}

void showStatus(QLabel *status, QLabel *hint, std::optional<bool> ok, const QString &missingHint,
                const QString &availableText = {}, const QString &missingText = {})
{
    const auto text = [](const char *source) { return QCoreApplication::translate("parlix::ui::GeneralPage", source); };
    status->setText(!ok ? text("Unknown") : *ok ? (availableText.isEmpty() ? text("Available") : availableText)
                                                : (missingText.isEmpty() ? text("Missing") : missingText));
    colourStatus(status, ok);
    hint->setText(missingHint);
    hint->setVisible(ok == false);
}

QLabel *errorLabel(QWidget *parent)
{
    QLabel *label = caption(QString(), parent);
    label->setStyleSheet(QLatin1String(kErrorStyle));
    label->hide();
    return label;
}

} // namespace

GeneralPage::GeneralPage(const SettingsPageServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    QVBoxLayout *column = scrollingColumn(this);

    QGroupBox *startup = addSection(column, tr("Startup"));
    m_launch = new QCheckBox(tr("&Launch at Login"), startup);
    sectionColumn(startup)->addWidget(m_launch);
    if (m_services.loginItem)
        sectionColumn(startup)->addWidget(caption(
            tr("Starts Parlix when you log in, through %1").arg(m_services.loginItem->entryPath()), startup));
    m_launchError = errorLabel(startup);
    sectionColumn(startup)->addWidget(m_launchError);
    m_launch->setEnabled(m_services.loginItem != nullptr);
    connect(m_launch, &QCheckBox::toggled, this, &GeneralPage::setLaunchAtLogin);

    QGroupBox *notifications = addSection(column, tr("Notifications"));
    m_notifications = new QCheckBox(tr("Show Desktop &Notifications"), notifications);
    m_notifications->setChecked(m_services.settings.notificationsEnabled());
    sectionColumn(notifications)->addWidget(m_notifications);
    sectionColumn(notifications)->addWidget(caption(
        tr("When the hotkey is unavailable and when a model download ends."), notifications));
    connect(m_notifications, &QCheckBox::toggled, this,
            [this](bool on) { m_services.settings.setNotificationsEnabled(on); });

    QGroupBox *permissions = addSection(column, tr("Permissions"));
    auto *rows = new QFormLayout;
    m_micStatus = new QLabel(permissions);
    m_micHint = caption(QString(), permissions);
    m_typingStatus = new QLabel(permissions);
    m_typingHint = caption(QString(), permissions);
    rows->addRow(tr("Microphone:"), m_micStatus);
    rows->addRow(QString(), m_micHint);
    rows->addRow(tr("Typing into other apps:"), m_typingStatus);
    rows->addRow(QString(), m_typingHint);
    m_hotkeyStatus = new QLabel(permissions);
    m_hotkeyHint = caption(QString(), permissions);
    rows->addRow(tr("Global hotkey:"), m_hotkeyStatus);
    rows->addRow(QString(), m_hotkeyHint);
    // The form may give a wrapped hint more height than its text takes: the text stays under its row.
    for (QLabel *hint : {m_micHint, m_typingHint, m_hotkeyHint})
        hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sectionColumn(permissions)->addLayout(rows);
    connect(&m_services.hotkey, &HotkeyManager::registrationChanged, this, &GeneralPage::showHotkey);

    QGroupBox *debug = addSection(column, tr("Debug"));
    m_openLog = new QPushButton(tr("&Open Log"), debug);
    auto *logRow = new QHBoxLayout;
    logRow->addWidget(m_openLog);
    logRow->addStretch();
    sectionColumn(debug)->addLayout(logRow);
    sectionColumn(debug)->addWidget(
        caption(tr("Opens a terminal that follows Parlix's log at debug level."), debug));
    m_openLogError = errorLabel(debug);
    sectionColumn(debug)->addWidget(m_openLogError);
    connect(m_openLog, &QPushButton::clicked, this, [this] {
        const QString problem = LogTerminal::open(LogTerminal::processLogCommand());
        m_openLogError->setText(problem);
        m_openLogError->setVisible(!problem.isEmpty());
    });
    column->addStretch();

    // The audio server and devices come and go; while the tab is shown it looks again now and then.
    m_poll.setInterval(5000);
    connect(&m_poll, &QTimer::timeout, this, &GeneralPage::refreshPermissions);
    showLaunchState();
    refreshPermissions();
    showHotkey();
}

void GeneralPage::showLaunchState()
{
    const QSignalBlocker quiet(m_launch);
    m_launch->setChecked(m_services.loginItem && m_services.loginItem->isEnabled());
}

void GeneralPage::setLaunchAtLogin(bool on)
{
    m_services.settings.setLaunchAtLogin(on);
    QString error;
    const bool done = m_services.loginItem->setEnabled(on, &error);
    m_launchError->setText(done ? QString()
                                : (on ? tr("Could not turn on launch at login: %1") : tr("Could not turn off launch at login: %1")).arg(error));
    m_launchError->setVisible(!done);
    // What is on disk decides, whatever was asked.
    showLaunchState();
}

void GeneralPage::refreshPermissions()
{
    const bool microphone = !m_services.audioInput.devices().isEmpty();
    showStatus(m_micStatus, m_micHint, microphone,
               tr("No microphone found: the audio server (PipeWire or PulseAudio) is not running or has no input device."));
    std::optional<bool> typing;
    TypingSupport support;
    if (m_services.typing) {
        support = m_services.typing();
        typing = support.available;
    }
    showStatus(m_typingStatus, m_typingHint, typing, support.missingHint,
               support.method.isEmpty() ? tr("Available") : tr("Available: %1").arg(support.method),
               tr("Not available on this desktop"));
}

void GeneralPage::showHotkey()
{
    const HotkeyManager &hotkey = m_services.hotkey;
    QString status;
    QString hint;
    std::optional<bool> ok;
    if (hotkey.isRegistered()) {
        ok = true;
        status = hotkey.canChooseKey() ? tr("%1, claimed by Parlix").arg(hotkey.trigger())
                                       : tr("%1, bound through the desktop's shortcut portal").arg(hotkey.trigger());
    } else if (hotkey.isBoundByCompositor()) {
        status = tr("Bound in the compositor");
        hint = tr("This desktop lets no application claim a key: a key bound in its configuration runs parlixctl. "
                  "Settings → Recording shows the line to add.");
    } else if (hotkey.isPending()) {
        status = tr("Waiting for the desktop…");
    } else {
        ok = false;
        status = tr("Not registered");
        hint = hotkey.failure();
    }
    m_hotkeyStatus->setText(status);
    colourStatus(m_hotkeyStatus, ok);
    m_hotkeyHint->setText(hint);
    m_hotkeyHint->setVisible(!hint.isEmpty());
}

void GeneralPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showLaunchState();
    refreshPermissions();
    showHotkey();
    m_poll.start();
}

void GeneralPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_poll.stop();
}

} // namespace parlix::ui
