#pragma once
// A shortcut backend that holds its combination in memory. Tests set the statuses it answers,
// read what it holds and the calls it received, and fire events as a window system would. It
// answers a registration at once, like X11, or when the test says so, like a desktop portal.
#include "platform/GlobalShortcutBackend.h"

#include <QStringList>

#include <optional>
#include <utility>

namespace parlix::test {

class FakeGlobalShortcutBackend : public GlobalShortcutBackend {
public:
    int installStatus = ShortcutStatus::success;
    int registerStatus = ShortcutStatus::success;
    // A combination another application holds: registering it is refused, others are not.
    std::optional<GlobalShortcut> taken;
    // Registrations wait for answer() instead of completing inside registerShortcut().
    bool answersLater = false;
    // What canChooseTrigger() says; a desktop that decides reports `boundTrigger`.
    bool choosesTrigger = true;
    QString boundTrigger;

    QStringList calls;
    std::optional<GlobalShortcut> held;
    std::optional<ShortcutRequest> lastRequest;

    bool hasHandler() const { return bool(m_handler); }
    bool isAnswerPending() const { return bool(m_pending); }

    bool canChooseTrigger() const override { return choosesTrigger; }

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
        m_pending = {};
        m_handler = {};
    }

    void registerShortcut(const ShortcutRequest &request, Completion done) override
    {
        calls << QStringLiteral("register");
        held.reset();
        lastRequest = request;
        m_pending = std::move(done);
        if (!answersLater)
            answer();
    }

    // Completes the registration under way with the configured statuses.
    void answer()
    {
        if (!m_pending)
            return;
        Completion done = std::exchange(m_pending, {});
        int status = registerStatus;
        if (!m_handler)
            status = ShortcutStatus::noHandler;
        else if (status == ShortcutStatus::success && taken == lastRequest->preferredTrigger)
            status = ShortcutStatus::alreadyTaken;
        if (status == ShortcutStatus::success)
            held = lastRequest->preferredTrigger;
        done(ShortcutBinding{status, status == ShortcutStatus::success ? boundTrigger : QString()});
    }

    void unregisterShortcut() override
    {
        calls << QStringLiteral("unregister");
        held.reset();
        m_pending = {};
    }

    // The window system took the combination away (the keyboard changed under it).
    void lose()
    {
        if (m_handler && held) {
            held.reset();
            m_handler(ShortcutNotice{lastRequest->action, ShortcutEvent::lost, ShortcutStatus::keyboardChanged, {}});
        }
    }

    // Only a held combination produces events, and only to an installed handler.
    void fire(ShortcutEvent event)
    {
        if (m_handler && held)
            m_handler(ShortcutNotice{lastRequest->action, event});
    }

private:
    Handler m_handler;
    Completion m_pending;
};

} // namespace parlix::test
