#include "ui/settings/HotkeyRecorderButton.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "core/SettingsModel.h"
#include "hotkey/HotkeyManager.h"
#include "hotkey/KeyTable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include <utility>

namespace parlix::ui {

namespace {

// The stored bit a modifier key stands for, 0 for keys that are no modifier a hotkey records,
// nothing for keys that are not modifiers at all.
std::optional<quint32> modifierKeyBit(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return HotkeyConfig::shift;
    case Qt::Key_Control:
        return HotkeyConfig::control;
    case Qt::Key_Alt:
        return HotkeyConfig::option;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return HotkeyConfig::command;
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return 0u;
    default:
        return std::nullopt;
    }
}

const char *const needsModifier = QT_TRANSLATE_NOOP("parlix::ui::HotkeyRecorderButton", "Hold Ctrl, Alt, Shift or Super together with the key");

} // namespace

HotkeyRecorderButton::HotkeyRecorderButton(SettingsModel &settings, HotkeyManager &hotkey, QWidget *parent)
    : QPushButton(parent)
    , m_settings(settings)
    , m_hotkey(hotkey)
{
    setAccessibleName(tr("Global hotkey"));
    setMinimumWidth(140);
    connect(this, &QPushButton::clicked, this, [this] { setCapturing(!m_capturing); });
    connect(&m_settings, &SettingsModel::changed, this, [this](const QString &key) {
        if (key == QLatin1String(SettingsKey::hotkey))
            refresh();
    });
    refresh();
}

HotkeyRecorderButton::~HotkeyRecorderButton()
{
    if (m_capturing)
        qApp->removeEventFilter(this);
}

void HotkeyRecorderButton::setCapturing(bool capturing)
{
    if (capturing == m_capturing)
        return;
    m_capturing = capturing;
    m_modifiersOnly = 0;
    if (capturing) {
        // The current hotkey is let go while capturing: held by us, its keys would start a
        // dictation instead of reaching this window.
        m_releasedHotkey = m_hotkey.isRegistered();
        if (m_releasedHotkey)
            m_hotkey.unregisterHotkey();
        // Every key of the application passes here first: the capture takes those addressed
        // to this window, before shortcuts, focus changes or the focused control see them.
        qApp->installEventFilter(this);
        log::debug(lcHotkey, "Waiting for a new hotkey to be typed");
        emit message(tr("Type the new combination; Escape cancels"), false);
    } else {
        qApp->removeEventFilter(this);
        // Ended without a new combination: the stored hotkey is claimed again.
        if (std::exchange(m_releasedHotkey, false))
            m_hotkey.registerHotkey();
    }
    refresh();
}

void HotkeyRecorderButton::refresh()
{
    if (m_capturing) {
        setText(tr(capturingText));
        setStyleSheet(QStringLiteral("QPushButton { color: rgb(255, 149, 0); }"));
    } else {
        setText(m_settings.hotkey().displayString());
        setStyleSheet(QString());
    }
    setAccessibleDescription(text());
}

void HotkeyRecorderButton::hideEvent(QHideEvent *event)
{
    // Leaving the tab or closing the window ends a capture.
    setCapturing(false);
    QPushButton::hideEvent(event);
}

bool HotkeyRecorderButton::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto *target = qobject_cast<QWidget *>(watched);
    if (!m_capturing || !target || target->window() != window())
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    switch (type) {
    case QEvent::ShortcutOverride:
        // Claimed, so no shortcut fires; the key press follows.
        event->accept();
        return true;
    case QEvent::KeyPress:
        return handleKeyPress(key->key(), key->modifiers());
    default:
        handleKeyRelease(key->key());
        return true;
    }
}

bool HotkeyRecorderButton::handleKeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const quint32 held = keytable::modifierBits(modifiers);
    log::debug(lcHotkey, "Hotkey recorder got key 0x%s with modifiers 0x%s", QString::number(key, 16),
               QString::number(held, 16));
    if (const auto bit = modifierKeyBit(key)) {
        m_modifiersOnly |= held | *bit;
        return true;
    }
    m_modifiersOnly = 0;
    if (key == Qt::Key_Escape && held == 0) {
        setCapturing(false);
        emit message(QString(), false);
        return true;
    }
    if (held == 0) {
        emit message(tr(needsModifier), false);
        return true;
    }
    const std::optional<quint32> keyCode = keytable::keyCodeForQtKey(key);
    if (!keyCode) {
        emit message(tr("This key cannot be part of a hotkey; use a letter, a digit, F1–F12, Space, "
                                    "Return, Tab, Backspace or Escape"),
                     false);
        return true;
    }
    const HotkeyConfig candidate{*keyCode, held};
    // changeHotkey() claims the new combination, or the stored one again when it is refused.
    m_releasedHotkey = false;
    setCapturing(false);
    m_hotkey.changeHotkey(candidate, [self = QPointer<HotkeyRecorderButton>(this)](const QString &refusal) {
        if (self)
            emit self->message(refusal, !refusal.isEmpty());
    });
    return true;
}

void HotkeyRecorderButton::handleKeyRelease(int key)
{
    // Modifiers pressed and let go without a key: say what is missing.
    if (modifierKeyBit(key) && m_modifiersOnly != 0) {
        const QString held = HotkeyConfig{0, m_modifiersOnly}.displayString().section(QLatin1Char('+'), 0, -2);
        m_modifiersOnly = 0;
        emit message(tr("%1 alone is not a hotkey: press a key while holding it").arg(held), false);
    }
}

} // namespace parlix::ui
