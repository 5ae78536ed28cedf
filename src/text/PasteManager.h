#pragma once
// Puts finished text where the user wants it: on the clipboard, pasted into the application the
// user was working in (clipboard + Ctrl+V, Ctrl+Shift+V in terminals), or typed key by key.
//
// Every wait is a co_await on the main thread, never a blocking sleep: while we paste we own the
// clipboard, and the target fetches the text from our event loop in the middle of the sequence.
#include "platform/Clipboard.h"
#include "platform/KeyInjector.h"
#include "platform/WindowSystem.h"

#include <QCoroTask>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace parlix {

class PasteManager {
public:
    using Microseconds = std::chrono::microseconds;
    // Suspends the caller for the given time (production: a timer on the event loop).
    using Sleep = std::function<QCoro::Task<>(Microseconds)>;
    // A whole number drawn uniformly from 0 to 10000 inclusive (the typing pace's spread).
    using PaceJitter = std::function<int()>;

    struct Waits {
        static constexpr Microseconds afterSettingClipboard{50000};
        static constexpr Microseconds afterPasteKeystroke{50000};
        static constexpr int activationAttempts = 3;
        static constexpr Microseconds afterActivationRequest{100000};
        static constexpr Microseconds afterActivation{150000};
        static constexpr Microseconds beforePasteKeystroke{120000};
        static constexpr Microseconds modifierToKey{10000};
        static constexpr Microseconds keyDownToUp{20000};
        static constexpr Microseconds keyToModifierUp{10000};
        static constexpr Microseconds perCharacter{7000};
        static constexpr int perCharacterJitterMax = 10000;
    };
    static constexpr qsizetype copyLogCharacters = 50;

    PasteManager(Clipboard &clipboard, KeyInjector &keys, WindowSystem &windows, Sleep sleep = {}, PaceJitter jitter = {});

    // Replaces the clipboard's contents with the text.
    void copyToClipboard(const QString &text);
    // Pastes into the application the user was working in and puts the clipboard back as it
    // was. False (and nothing happens) when this process may not post input.
    QCoro::Task<bool> pasteText(QString text);
    // Types the text character by character into that application. False (and nothing
    // happens) when this process may not post input.
    QCoro::Task<bool> typeText(QString text);

    // Whether the application is a terminal emulator, which pastes with Ctrl+Shift+V (Ctrl+V
    // is a control character there).
    static bool isTerminal(const RunningApplication &application);

private:
    QCoro::Task<> pasteViaKeyboard(QString text);
    QCoro::Task<> activateTargetApp();
    QCoro::Task<> activateApp(RunningApplication app);
    std::optional<RunningApplication> findTargetApp();
    QCoro::Task<> simulatePaste(bool terminal);
    bool isOwn(const RunningApplication &app);

    Clipboard &m_clipboard;
    KeyInjector &m_keys;
    WindowSystem &m_windows;
    Sleep m_sleep;
    PaceJitter m_jitter;
};

} // namespace parlix
