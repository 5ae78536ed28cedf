#pragma once
// The General tab: launch at login (the XDG autostart entry; the switch shows whether the entry
// is on disk), desktop notifications on or off, the state of what Parlix needs from the desktop (a microphone from the audio
// server, synthetic keys for typing into other applications, the global hotkey and how it is
// bound) with a hint for each that is missing, and "Open Log".
#include "ui/settings/SettingsPageServices.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace parlix::ui {

class GeneralPage : public QWidget {
    Q_OBJECT
public:
    explicit GeneralPage(const SettingsPageServices &services, QWidget *parent = nullptr);

    // Asks the audio server and the window system again.
    void refreshPermissions();

    QCheckBox *launchAtLogin() const { return m_launch; }
    QLabel *launchError() const { return m_launchError; }
    QCheckBox *showNotifications() const { return m_notifications; }
    QLabel *microphoneStatus() const { return m_micStatus; }
    QLabel *microphoneHint() const { return m_micHint; }
    QLabel *typingStatus() const { return m_typingStatus; }
    QLabel *typingHint() const { return m_typingHint; }
    QLabel *hotkeyStatus() const { return m_hotkeyStatus; }
    QLabel *hotkeyHint() const { return m_hotkeyHint; }
    QPushButton *openLogButton() const { return m_openLog; }
    QLabel *openLogError() const { return m_openLogError; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setLaunchAtLogin(bool on);
    void showLaunchState();
    void showHotkey();

    SettingsPageServices m_services;
    QCheckBox *m_launch;
    QLabel *m_launchError;
    QCheckBox *m_notifications;
    QLabel *m_micStatus;
    QLabel *m_micHint;
    QLabel *m_typingStatus;
    QLabel *m_typingHint;
    QLabel *m_hotkeyStatus;
    QLabel *m_hotkeyHint;
    QPushButton *m_openLog;
    QLabel *m_openLogError;
    QTimer m_poll;
};

} // namespace parlix::ui
