#pragma once
// Puts finished text where the user wants it: on the clipboard, pasted into the application the
// user was working in (clipboard + Ctrl+V; Ctrl+Shift+V in most terminals; the primary selection
// + Shift+Insert in xterm and rxvt), or typed key by key.
//
// Every wait is a co_await on the main thread, never a blocking sleep: while we paste we own the
// clipboard, and the target fetches the text from our event loop in the middle of the sequence.
// Each step waits for the window system to confirm it (clipboard ownership, the target's focus,
// the target reading the text); the fixed times below only bound those waits.
#include "platform/Clipboard.h"
#include "platform/KeyInjector.h"
#include "platform/WindowSystem.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace parlix {

class PasteManager : public QObject {
    Q_OBJECT
public:
    using Microseconds = std::chrono::microseconds;
    // Suspends the caller for the given time (production: a timer on the event loop).
    using Sleep = std::function<QCoro::Task<>(Microseconds)>;
    // A whole number drawn uniformly from 0 to 10000 inclusive (the typing pace's spread).
    using PaceJitter = std::function<int()>;

    struct Waits {
        // Longest wait for the target to read the pasted text before the previous contents go back.
        static constexpr std::chrono::milliseconds targetRead{1000};
        static constexpr int activationAttempts = 3;
        // Longest wait for an activation request to give the target the front and the focus.
        static constexpr std::chrono::milliseconds activationRequest{100};
        // How often the window system is asked whether a step it confirms has happened.
        static constexpr Microseconds poll{5000};
        // Longest wait for a keyboard grab (the hotkey still held) to end before keys go out.
        static constexpr std::chrono::milliseconds keyboardGrab{1000};
        static constexpr Microseconds perCharacter{7000};
        static constexpr int perCharacterJitterMax = 10000;
    };
    // How an application pastes from the keyboard.
    enum class PasteChord {
        controlV,
        controlShiftV, // terminals: Ctrl+V is a control character there
        shiftInsert, // xterm and rxvt: no clipboard chord by default; Shift+Insert pastes PRIMARY
    };
    static constexpr qsizetype copyLogCharacters = 50;

    PasteManager(Clipboard &clipboard, KeyInjector &keys, WindowSystem &windows, Sleep sleep = {}, PaceJitter jitter = {})
        : PasteManager(clipboard, keys, &windows, std::move(sleep), std::move(jitter))
    {
    }
    // Without `windows` (Wayland gives no application access to other windows) nothing is
    // activated or checked: the keys go to the window that has the focus, and the paste uses
    // Ctrl+V; where the clipboard cannot be set the text is typed instead.
    PasteManager(Clipboard &clipboard, KeyInjector &keys, WindowSystem *windows, Sleep sleep = {}, PaceJitter jitter = {});

    // Replaces the clipboard's contents with the text.
    void copyToClipboard(const QString &text);
    // Pastes into the application the user was working in and puts the clipboard back as it
    // was. False when this process may not post input or the keys could not be sent; with the
    // manual paste fallback on, the text is then left on the clipboard and manualPasteNeeded is
    // emitted, else the clipboard is as it was.
    QCoro::Task<bool> pasteText(QString text);
    // Where the desktop takes no synthetic keys at all (a Wayland compositor without a virtual
    // keyboard), a paste hands over to the user instead of failing unseen.
    void setManualPasteFallback(bool on) { m_manualPaste = on; }
    // Types the text character by character into that application. False when this process may
    // not post input or not a single character could be typed (nothing was typed then).
    QCoro::Task<bool> typeText(QString text);

    // The chord that pastes in the application, by its WM_CLASS names.
    static PasteChord pasteChordFor(const RunningApplication &application);

signals:
    // A paste could not be done for the user: `message` tells them what to do ("Press Ctrl+V
    // to paste", the text being on the clipboard).
    void manualPasteNeeded(const QString &message);

private:
    // The application to deliver to, or why there is none (an error line).
    struct TargetChoice {
        std::optional<RunningApplication> app;
        const char *failure = nullptr;
    };

    // Leaves the text on the clipboard and tells the user to paste it.
    void handOver(const QString &text);
    QCoro::Task<bool> pasteViaKeyboard(QString text);
    TargetChoice chooseTargetApp();
    QCoro::Task<> activateTargetApp(TargetChoice choice);
    QCoro::Task<> activateApp(RunningApplication app);
    std::optional<RunningApplication> findTargetApp();
    // False when the keys could not be prepared (nothing was sent).
    QCoro::Task<bool> simulatePaste(PasteChord chord);
    QCoro::Task<> waitForKeyboard();
    bool isOwn(const RunningApplication &app);

    Clipboard &m_clipboard;
    KeyInjector &m_keys;
    WindowSystem *m_windows;
    Sleep m_sleep;
    PaceJitter m_jitter;
    bool m_manualPaste = false;
};

} // namespace parlix
