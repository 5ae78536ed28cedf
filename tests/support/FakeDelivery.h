#pragma once
// In-memory stand-ins for the clipboard, key injection and window system. Every call they
// receive (and every wait the code under test asks for) goes into one shared journal, so a test
// can check the exact order of a delivery sequence.
#include "platform/Clipboard.h"
#include "platform/KeyInjector.h"
#include "platform/WindowSystem.h"

#include <QCoroTask>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace parlix::test {

using Journal = QStringList;

inline QString keyName(KeyInjector::Key key)
{
    switch (key) {
    case KeyInjector::Key::control:
        return QStringLiteral("ctrl");
    case KeyInjector::Key::shift:
        return QStringLiteral("shift");
    case KeyInjector::Key::v:
        return QStringLiteral("v");
    case KeyInjector::Key::insert:
        return QStringLiteral("insert");
    }
    return QStringLiteral("?");
}

// The clipboard proper; the primary selection is kept apart and journaled with a "primary." prefix.
class FakeClipboard : public Clipboard {
public:
    explicit FakeClipboard(Journal &journal) : m_journal(journal) {}

    ClipboardContents contents;
    ClipboardContents primary;
    bool failWrites = false;
    // Whether the target reads what was put there (else waitUntilRead runs out its bound).
    bool targetReads = true;

    QCoro::Task<ClipboardContents> save(Selection selection) override
    {
        m_journal << prefix(selection) + QStringLiteral("save");
        co_return of(selection);
    }
    QCoro::Task<> restore(ClipboardContents saved, Selection selection) override
    {
        m_journal << prefix(selection) + QStringLiteral("restore");
        of(selection) = saved;
        co_return;
    }
    QCoro::Task<bool> putText(QString text, Selection selection) override
    {
        m_journal << prefix(selection) + QStringLiteral("putText ") + text;
        co_return write(text, of(selection));
    }
    void expectRead() override { m_journal << QStringLiteral("clipboard.expectRead"); }
    QCoro::Task<bool> waitUntilRead(quint64 window, std::chrono::milliseconds bound) override
    {
        m_journal << QStringLiteral("clipboard.waitUntilRead %1 %2").arg(window).arg(bound.count());
        co_return targetReads;
    }
    bool setText(const QString &text) override
    {
        m_journal << QStringLiteral("clipboard.setText ") + text;
        return write(text, contents);
    }

private:
    static QString prefix(Selection selection)
    {
        return selection == Selection::primary ? QStringLiteral("primary.") : QStringLiteral("clipboard.");
    }
    ClipboardContents &of(Selection selection) { return selection == Selection::primary ? primary : contents; }
    bool write(const QString &text, ClipboardContents &where)
    {
        if (failWrites)
            return false;
        where = {{{QStringLiteral("text/plain"), text.toUtf8()}}};
        return true;
    }

    Journal &m_journal;
};

class FakeKeyInjector : public KeyInjector {
public:
    explicit FakeKeyInjector(Journal &journal) : m_journal(journal) {}

    bool trusted = true;
    // Access granted, yet no key can go out (a portal that turns out to have no keyboard).
    bool keysWork = true;
    HeldModifiers held;
    // How many characters one prepareTyping makes ready (0: all of them).
    qsizetype typingCapacity = 0;
    // Characters typeCharacter refuses.
    QStringList untypeable;

    bool ensureAccess() override
    {
        m_journal << QStringLiteral("keys.ensureAccess");
        return trusted;
    }
    bool keyboardGrabbed() override { return false; }
    QCoro::Task<bool> prepareKeys(QList<Key> keys) override
    {
        QStringList names;
        for (Key k : keys)
            names << keyName(k);
        m_journal << QStringLiteral("keys.prepare ") + names.join(QLatin1Char('+'));
        co_return keysWork;
    }
    bool sendKey(Key key, bool pressed) override
    {
        m_journal << keyName(key) + (pressed ? QStringLiteral(" down") : QStringLiteral(" up"));
        return true;
    }
    QCoro::Task<qsizetype> prepareTyping(QStringList characters) override
    {
        const qsizetype ready = typingCapacity > 0 ? std::min(typingCapacity, characters.size()) : characters.size();
        m_journal << QStringLiteral("keys.prepareTyping %1/%2").arg(ready).arg(characters.size());
        co_return ready;
    }
    bool typeCharacter(const QString &character) override
    {
        if (!keysWork || untypeable.contains(character))
            return false;
        m_journal << QStringLiteral("type ") + character;
        return true;
    }
    void finish() override { m_journal << QStringLiteral("keys.finish"); }
    HeldModifiers releaseHeldModifiers() override
    {
        m_journal << QStringLiteral("keys.releaseModifiers");
        const HeldModifiers released = held;
        held = {};
        return released;
    }
    void restoreModifiers(const HeldModifiers &restored) override
    {
        m_journal << QStringLiteral("keys.restoreModifiers");
        held = restored;
    }

private:
    Journal &m_journal;
};

class FakeWindowSystem : public WindowSystem {
public:
    explicit FakeWindowSystem(Journal &journal) : m_journal(journal) {}

    QList<RunningApplication> applications;
    std::optional<RunningApplication> frontmost;
    std::optional<QString> own;
    // Activation requests that have no effect before the window comes to the front.
    int ignoredActivations = 0;
    // The window holding the input focus: the frontmost one unless set.
    std::optional<quint64> focusWindow;

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    QList<RunningApplication> runningApplications() override { return applications; }
    void activate(const RunningApplication &application) override
    {
        m_journal << QStringLiteral("activate %1").arg(application.window);
        if (ignoredActivations > 0)
            --ignoredActivations;
        else {
            frontmost = application;
            focusWindow.reset();
        }
    }
    bool hasInputFocus(const RunningApplication &application) override
    {
        const std::optional<quint64> focus = focusWindow ? focusWindow : (frontmost ? std::optional(frontmost->window) : std::nullopt);
        return focus && *focus == application.window;
    }
    bool isActive(const RunningApplication &application) override { return frontmost && application.owns(*frontmost); }
    std::optional<QString> ownIdentifier() override { return own; }

private:
    Journal &m_journal;
};

// A wait that returns at once and leaves its length in the journal ("wait 50000", in µs).
inline std::function<QCoro::Task<>(std::chrono::microseconds)> journalSleep(Journal &journal)
{
    return [&journal](std::chrono::microseconds duration) -> QCoro::Task<> {
        journal << QStringLiteral("wait %1").arg(duration.count());
        co_return;
    };
}

} // namespace parlix::test
