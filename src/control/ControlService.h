#pragma once
// The control interface of the running app on the D-Bus session bus (names in ControlNames.h).
// Each method takes the same path through the dictation controller as the matching trigger from
// the desktop: Toggle is the menu's start/stop item, Start and Stop are a push-to-talk press and
// release (whatever recording mode is set), Cancel and Retry the menu's items of those names,
// OpenSettings is the controller's settings request.
// The State property follows AppState and HotkeyRegistered the hotkey manager; both are announced
// with PropertiesChanged.
#include "control/ControlNames.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QTimer>

namespace parlix {

class AppState;
class DictationController;
class HotkeyManager;

class ControlService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quorvane.parlix.Control")
    Q_PROPERTY(QString State READ state SCRIPTABLE true)
    Q_PROPERTY(bool HotkeyRegistered READ hotkeyRegistered SCRIPTABLE true)
public:
    ControlService(DictationController &controller, AppState &state, QObject *parent = nullptr);

    // Puts this object at its path on `bus`; false with the reason in `error` when that fails.
    bool registerOn(QDBusConnection bus, QString *error = nullptr);

    QString state() const;
    // Whether the global hotkey is registered; false until a hotkey manager is watched.
    bool hotkeyRegistered() const;
    void watchHotkey(HotkeyManager &hotkey);

    // The requests, also callable in-process.
    void toggle();
    void start();
    void stop();
    void cancel();
    void retry();

public slots:
    Q_SCRIPTABLE void Toggle() { toggle(); }
    Q_SCRIPTABLE void Start() { start(); }
    Q_SCRIPTABLE void Stop() { stop(); }
    Q_SCRIPTABLE void Cancel() { cancel(); }
    Q_SCRIPTABLE void Retry() { retry(); }
    // An unknown tab name is answered with the error com.quorvane.parlix.Error.UnknownTab.
    Q_SCRIPTABLE void OpenSettings(const QString &tab);

private:
    void publishState();
    void publishProperty(const char *name, const QVariant &value);

    DictationController &m_controller;
    AppState &m_state;
    QDBusConnection m_bus;
    bool m_registered = false;
    control::State m_published = control::State::idle;
    HotkeyManager *m_hotkey = nullptr;
    bool m_publishedHotkey = false;
    QTimer m_publishSoon;
};

} // namespace parlix
