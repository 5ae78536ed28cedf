#pragma once
// The window-system side of Parlix for the session chosen at start-up: the clipboard, synthetic
// keys, window access and the global shortcut, each behind its platform interface. This is the
// one place that names their implementations.
#include "app/DesktopSession.h"
#include "platform/Clipboard.h"
#include "platform/GlobalShortcutBackend.h"
#include "platform/KeyInjector.h"
#include "platform/WindowSystem.h"

#include <QString>

#include <memory>

namespace parlix {

struct DesktopBackends {
    DesktopSession session;
    // What the objects below share (the Wayland connection), released after them.
    std::shared_ptr<void> connection;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<KeyInjector> keys;
    // None where the desktop gives applications no access to other windows (Wayland).
    std::unique_ptr<WindowSystem> windows;
    std::unique_ptr<GlobalShortcutBackend> shortcuts;
    // How keys reach other applications ("XTest (X11)"), and the clipboard is set; empty when
    // the desktop offers no way.
    QString typingMethod;
    QString clipboardMethod;

    static DesktopBackends create(const DesktopSession &session);

    // One line for the log: the session and what it offers.
    QString summary() const;
};

} // namespace parlix
