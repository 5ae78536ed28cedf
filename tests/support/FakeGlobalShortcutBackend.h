#pragma once
// A shortcut backend that holds its combination in memory. Tests set the statuses it answers,
// read what it holds and the calls it received, and fire events as a window system would.
#include "platform/GlobalShortcutBackend.h"

#include <QStringList>

#include <optional>

namespace parlix::test {

class FakeGlobalShortcutBackend : public GlobalShortcutBackend {
public:
    int installStatus = ShortcutStatus::success;
    int registerStatus = ShortcutStatus::success;
    // A combination another application holds: registering it is refused, others are not.
    std::optional<GlobalShortcut> taken;

    QStringList calls;
    std::optional<GlobalShortcut> held;

    bool hasHandler() const { return bool(m_handler); }

    int installHandler(Handler handler) override
    {
        calls << QStringLiteral("install");
        if (installStatus != ShortcutStatus::success)
            return installStatus;
        m_handler = std::move(handler);
        return ShortcutStatus::success;
    }

    void removeHandler() override
    {
        calls << QStringLiteral("remove");
        held.reset();
        m_handler = {};
    }

    int registerShortcut(const GlobalShortcut &shortcut) override
    {
        calls << QStringLiteral("register");
        if (!m_handler)
            return ShortcutStatus::noHandler;
        held.reset();
        if (registerStatus != ShortcutStatus::success)
            return registerStatus;
        if (taken == shortcut)
            return ShortcutStatus::alreadyTaken;
        held = shortcut;
        return ShortcutStatus::success;
    }

    void unregisterShortcut() override
    {
        calls << QStringLiteral("unregister");
        held.reset();
    }

    // The window system took the combination away (the keyboard changed under it).
    void lose()
    {
        if (m_handler && held) {
            held.reset();
            m_handler(ShortcutEvent::lost);
        }
    }

    // Only a held combination produces events, and only to an installed handler.
    void fire(ShortcutEvent event)
    {
        if (m_handler && held)
            m_handler(event);
    }

private:
    Handler m_handler;
};

} // namespace parlix::test
