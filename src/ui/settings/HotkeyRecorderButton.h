#pragma once
// The hotkey recorder: a button showing the hotkey. Pressing it starts a capture: the next key
// combination typed anywhere in the settings window is taken (no other control sees it), shown
// in the desktop's notation and registered at once. Escape or a second press cancels. While it
// captures, the current hotkey is not held, so its own combination can be typed too. A key
// without a modifier, or modifiers alone, are answered with a hint and the capture goes on; a
// combination the window system refuses is answered with the reason, and the previous hotkey
// stays registered and stored.
#include <QPushButton>

namespace parlix {
class HotkeyManager;
class SettingsModel;
}

namespace parlix::ui {

class HotkeyRecorderButton : public QPushButton {
    Q_OBJECT
public:
    HotkeyRecorderButton(SettingsModel &settings, HotkeyManager &hotkey, QWidget *parent = nullptr);
    ~HotkeyRecorderButton() override;

    bool isCapturing() const { return m_capturing; }
    void setCapturing(bool capturing);

    static inline const char *const capturingText = QT_TRANSLATE_NOOP("parlix::ui::HotkeyRecorderButton", "Press new hotkey...");

signals:
    // Words for the user about the last capture: a hint while capturing, a refusal after it, or
    // empty. `isError` marks a refusal.
    void message(const QString &text, bool isError);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refresh();
    // True when the event was taken by the capture.
    bool handleKeyPress(int key, Qt::KeyboardModifiers modifiers);
    void handleKeyRelease(int key);

    SettingsModel &m_settings;
    HotkeyManager &m_hotkey;
    bool m_capturing = false;
    // Modifier bits pressed since the capture started without a key that completes them.
    quint32 m_modifiersOnly = 0;
    // Whether the capture let go of the registered hotkey, to claim it again when it ends.
    bool m_releasedHotkey = false;
};

} // namespace parlix::ui
