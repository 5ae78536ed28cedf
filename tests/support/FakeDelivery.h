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
    }
    return QStringLiteral("?");
}

class FakeClipboard : public Clipboard {
public:
    explicit FakeClipboard(Journal &journal) : m_journal(journal) {}

    ClipboardContents contents;
    bool failWrites = false;

    ClipboardContents save() override
    {
        m_journal << QStringLiteral("clipboard.save");
        return contents;
    }
    void restore(const ClipboardContents &saved) override
    {
        m_journal << QStringLiteral("clipboard.restore");
        contents = saved;
    }
    bool setText(const QString &text) override
    {
        m_journal << QStringLiteral("clipboard.setText ") + text;
        if (failWrites)
            return false;
        contents = {{{QStringLiteral("text/plain"), text.toUtf8()}}};
        return true;
    }
    std::optional<QString> text() override
    {
        for (const auto &[mime, data] : contents.formats) {
            if (mime == QLatin1String("text/plain"))
                return QString::fromUtf8(data);
        }
        return std::nullopt;
    }

private:
    Journal &m_journal;
};

class FakeKeyInjector : public KeyInjector {
public:
    explicit FakeKeyInjector(Journal &journal) : m_journal(journal) {}

    bool trusted = true;
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
    QCoro::Task<bool> prepareKeys(QList<Key> keys) override
    {
        QStringList names;
        for (Key k : keys)
            names << keyName(k);
        m_journal << QStringLiteral("keys.prepare ") + names.join(QLatin1Char('+'));
        co_return true;
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
        if (untypeable.contains(character))
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

    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    QList<RunningApplication> runningApplications() override { return applications; }
    void activate(const RunningApplication &application) override
    {
        m_journal << QStringLiteral("activate %1").arg(application.window);
        if (ignoredActivations > 0)
            --ignoredActivations;
        else
            frontmost = application;
    }
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
