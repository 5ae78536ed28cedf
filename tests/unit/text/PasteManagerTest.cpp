// Delivery sequences against fakes: which platform calls happen, in which order, with which
// waits between them, and what is left on the clipboard.
#include "text/PasteManager.h"

#include "CategoryLog.h"
#include "FakeDelivery.h"
#include "core/Categories.h"
#include "core/Coro.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

namespace {

RunningApplication app(quint64 window, const QString &identifier, qint64 pid, bool regular = true)
{
    return {identifier, identifier.toLower(), pid, window, regular};
}

const QString ownId = QStringLiteral("Parlix");

struct Fixture {
    Journal journal;
    FakeClipboard clipboard{journal};
    FakeKeyInjector keys{journal};
    FakeWindowSystem windows{journal};
    int nextJitter = 0;
    PasteManager paste{clipboard, keys, windows, journalSleep(journal), [this] { return nextJitter++; }};

    Fixture()
    {
        windows.own = ownId;
        windows.applications = {app(1, ownId, 100), app(2, "Editor", 200)};
        windows.frontmost = windows.applications[1];
    }
};

const QStringList chordCtrlV = {
    "keys.releaseModifiers", "keys.prepare ctrl+v", "clipboard.expectRead", "ctrl down", "v down", "v up", "ctrl up",
    "keys.finish", "keys.restoreModifiers",
};

} // namespace

TEST(PasteManager, PasteRunsTheFullSequenceAndLogsEachStep)
{
    struct Case {
        const char *name;
        std::optional<quint64> focus;
        QStringList activation;
        QStringList activationLog;
    };
    const Case cases[] = {
        {"target already focused: nothing to activate", std::nullopt, {}, {"Target app already has the focus: Editor pid=200"}},
        {"focus elsewhere: activated and confirmed", 9, {"activate 2"},
         {"Activating target app: Editor pid=200", "App activated on attempt 1"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.windows.focusWindow = c.focus;
        f.clipboard.contents = {{{"text/plain", "before"}}};
        const HeldModifiers held{{64, 108}, 0x2};
        f.keys.held = held;
        CategoryLog log(lcPasteManager());

        EXPECT_TRUE(coro::waitFor(f.paste.pasteText("hello")));

        const QStringList expected = QStringList{"keys.ensureAccess", "clipboard.save", "clipboard.putText hello"} + c.activation
            + chordCtrlV + QStringList{"clipboard.waitUntilRead 2 1000", "clipboard.restore"};
        EXPECT_EQ(f.journal, expected);
        EXPECT_EQ(f.keys.held, held); // taken off around the chord, then put back
        const QStringList lines = QStringList{"Pasteboard set OK: true"} + c.activationLog
            + QStringList{"Frontmost now: Editor", "Simulated Cmd+V via explicit key events", "Restored previous clipboard contents"};
        EXPECT_EQ(log.messages(), lines);
    }
}

TEST(PasteManager, WithoutAccessNothingIsTouched)
{
    struct Case {
        const char *name;
        bool typing;
        const char *logLine;
    };
    const Case cases[] = {
        {"paste", false, "Accessibility not trusted (prompted). Paste not attempted."},
        {"type", true, "Accessibility not trusted. Typing not attempted."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.keys.trusted = false;
        f.clipboard.contents = {{{"text/plain", "keep"}}};
        CategoryLog log(lcPasteManager());
        const bool result = coro::waitFor(c.typing ? f.paste.typeText("hi") : f.paste.pasteText("hi"));
        EXPECT_FALSE(result);
        EXPECT_EQ(f.journal, QStringList{"keys.ensureAccess"});
        EXPECT_EQ(f.clipboard.contents, (ClipboardContents{{{"text/plain", "keep"}}}));
        EXPECT_EQ(log.messages(), QStringList{c.logLine});
    }
}

// Wayland: no window access. Nothing is activated or asked about windows; the keys go to the
// focused window, where no keys can be sent the user is asked to paste, and where the clipboard
// cannot be set the text is typed.
TEST(PasteManager, WithoutWindowAccessTheKeysGoToTheFocusedWindow)
{
    Journal journal;
    FakeClipboard clipboard{journal};
    FakeKeyInjector keys{journal};
    PasteManager paste{clipboard, keys, nullptr, journalSleep(journal), [] { return 0; }};
    clipboard.contents = {{{"text/plain", "before"}}};
    CategoryLog log(lcPasteManager());

    EXPECT_TRUE(coro::waitFor(paste.pasteText("hello")));
    EXPECT_EQ(journal, (QStringList{"keys.ensureAccess", "clipboard.save", "clipboard.putText hello"} + chordCtrlV
                        + QStringList{"clipboard.waitUntilRead 0 1000", "clipboard.restore"}));
    EXPECT_EQ(log.messages(), (QStringList{"Pasteboard set OK: true", "Simulated Cmd+V via explicit key events",
                                        "Restored previous clipboard contents"}));

    journal.clear();
    EXPECT_TRUE(coro::waitFor(paste.typeText("a")));
    EXPECT_EQ(journal.first(), "keys.ensureAccess");
    EXPECT_EQ(journal.at(1), "keys.releaseModifiers");

    // Access refused, or granted by a portal that then sends no key.
    const QStringList keysFail = {"keys.ensureAccess", "clipboard.save", "clipboard.putText hi", "keys.releaseModifiers",
                                  "keys.prepare ctrl+v", "keys.finish", "keys.restoreModifiers"};
    struct Case {
        const char *name;
        bool trusted;
        bool fallback;
        bool copies;
        QStringList journal;
        QString message;
        QString clipboardAfter;
    };
    const Case cases[] = {
        {"refused, no fallback", false, false, true, {"keys.ensureAccess"}, {}, "before"},
        {"refused", false, true, true, {"keys.ensureAccess", "clipboard.setText hi"}, "Press Ctrl+V to paste the transcript.", "hi"},
        {"refused, clipboard fails", false, true, false, {"keys.ensureAccess", "clipboard.setText hi"},
         "Parlix could neither paste nor copy the transcript on this desktop; you find it in the history.", "before"},
        {"keys fail, no fallback", true, false, true, keysFail + QStringList{"clipboard.restore"}, {}, "before"},
        {"keys fail", true, true, true, keysFail + QStringList{"clipboard.setText hi"}, "Press Ctrl+V to paste the transcript.", "hi"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        journal.clear();
        clipboard.contents = {{{"text/plain", "before"}}};
        keys.trusted = c.trusted;
        keys.keysWork = false;
        clipboard.failWrites = !c.copies;
        paste.setManualPasteFallback(c.fallback);
        QStringList messages;
        const QMetaObject::Connection connection
            = QObject::connect(&paste, &PasteManager::manualPasteNeeded, [&](const QString &m) { messages << m; });
        EXPECT_FALSE(coro::waitFor(paste.pasteText("hi")));
        QObject::disconnect(connection);
        EXPECT_EQ(journal, c.journal);
        EXPECT_EQ(messages, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(clipboard.contents, (ClipboardContents{{{"text/plain", c.clipboardAfter.toUtf8()}}}));
        // Typing that sends no key says so, for the caller to hand the text over instead.
        EXPECT_FALSE(coro::waitFor(paste.typeText("hi")));
    }

    // No data control (GNOME): Ctrl+V would paste what the clipboard held, so the text is typed.
    journal.clear();
    keys.trusted = true;
    keys.keysWork = true;
    clipboard.failWrites = true;
    EXPECT_TRUE(coro::waitFor(paste.pasteText("hi")));
    EXPECT_EQ(journal, (QStringList{"keys.ensureAccess", "clipboard.save", "clipboard.putText hi", "keys.ensureAccess",
                                    "keys.releaseModifiers", "keys.prepareTyping 2/2", "type h", "wait 7000", "type i",
                                    "wait 7000", "keys.finish", "keys.restoreModifiers"}));
}

TEST(PasteManager, ClipboardAfterPasteHoldsWhatItHeldBefore)
{
    const ClipboardContents pasted{{{"text/plain", "new text"}}};
    struct Case {
        const char *name;
        ClipboardContents before;
        ClipboardContents after;
        bool targetReads;
        QStringList logged;
    };
    const ClipboardContents image{{{"image/png", QByteArray("\x89PNG\r\n\x1a\n\0\1", 10)}}};
    const ClipboardContents rich{{{"text/html", "<b>x</b>"}, {"text/plain", "x"}, {"application/x-custom", "\0\1\2"}}};
    const Case cases[] = {
        {"empty clipboard keeps the pasted text", {}, pasted, true, {}},
        {"an image comes back", image, image, true, {"Restored previous clipboard contents"}},
        {"every rich format comes back", rich, rich, true, {"Restored previous clipboard contents"}},
        {"a target that never reads: restored after the bound", rich, rich, false,
         {"Pasted text not read by the target within 1000 ms", "Restored previous clipboard contents"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.clipboard.contents = c.before;
        f.clipboard.targetReads = c.targetReads;
        CategoryLog log(lcPasteManager());
        coro::waitFor(f.paste.pasteText("new text"));
        EXPECT_EQ(f.clipboard.contents, c.after);
        EXPECT_EQ(log.messages().mid(log.messages().indexOf("Simulated Cmd+V via explicit key events") + 1), c.logged);
    }
}

TEST(PasteManager, FailedClipboardWriteIsLoggedAndTheSequenceGoesOn)
{
    Fixture f;
    f.clipboard.failWrites = true;
    CategoryLog log(lcPasteManager());
    EXPECT_TRUE(coro::waitFor(f.paste.pasteText("x")));
    EXPECT_TRUE(log.messages().contains("Pasteboard set OK: false"));
    EXPECT_TRUE(f.journal.contains("v down"));
}

TEST(PasteManager, EachApplicationGetsTheChordThatPastesThere)
{
    struct Target {
        RunningApplication app;
        QStringList steps; // selection calls and keys
        ClipboardContents primaryAfter;
    };
    const ClipboardContents highlighted{{{"text/plain", "highlighted"}}};
    const Target targets[] = {
        {app(2, "Editor", 200), {"clipboard.save", "clipboard.putText x", "ctrl down", "v down", "v up", "ctrl up", "clipboard.restore"}, highlighted},
        {app(2, "konsole", 200),
         {"clipboard.save", "clipboard.putText x", "ctrl down", "shift down", "v down", "v up", "shift up", "ctrl up", "clipboard.restore"},
         highlighted},
        // xterm reads PRIMARY: the highlighted text comes back, the clipboard is left alone.
        {app(2, "XTerm", 200),
         {"primary.save", "primary.putText x", "shift down", "insert down", "insert up", "shift up", "primary.restore"}, highlighted},
        // Nothing was highlighted: no stray selection is left behind.
        {{"URxvt", "urxvt", 200, 2, true},
         {"primary.save", "primary.putText x", "shift down", "insert down", "insert up", "shift up", "primary.restore"}, {}},
    };
    for (const Target &t : targets) {
        SCOPED_TRACE(t.app.identifier->toStdString());
        Fixture f;
        f.windows.applications = {t.app};
        f.windows.frontmost = t.app;
        f.clipboard.contents = {{{"text/plain", "copied"}}};
        if (!t.primaryAfter.isEmpty())
            f.clipboard.primary = t.primaryAfter;
        coro::waitFor(f.paste.pasteText("x"));
        EXPECT_EQ(f.journal.filter(QRegularExpression("^(clipboard|primary)\\.(save|putText|restore)| (down|up)$")), t.steps);
        EXPECT_EQ(f.clipboard.primary, t.primaryAfter);
        EXPECT_EQ(f.clipboard.contents, (ClipboardContents{{{"text/plain", "copied"}}}));
    }
    using Chord = PasteManager::PasteChord;
    struct Case {
        std::optional<QString> identifier;
        QString instance;
        Chord chord;
    };
    const Case cases[] = {
        {"Gnome-terminal", "gnome-terminal-server", Chord::controlShiftV}, {"konsole", "konsole", Chord::controlShiftV},
        {"org.wezfurlong.wezterm", "org.wezfurlong.wezterm", Chord::controlShiftV}, {"St", "st", Chord::controlShiftV},
        {"SomethingElse", "kitty", Chord::controlShiftV},  {std::nullopt, "xterm", Chord::shiftInsert},
        {"UXTerm", "uxterm", Chord::shiftInsert}, {"URxvt", "urxvt", Chord::shiftInsert},
        {"firefox", "Navigator", Chord::controlV},   {"TerminalNotes", "terminalnotes", Chord::controlV},
        {std::nullopt, "", Chord::controlV},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.identifier.value_or("<none>").toStdString() + "/" + c.instance.toStdString());
        EXPECT_EQ(PasteManager::pasteChordFor({c.identifier, c.instance, 1, 1, true}), c.chord);
    }
}

TEST(PasteManager, TargetChoice)
{
    struct Case {
        const char *name;
        QList<RunningApplication> running;
        std::optional<RunningApplication> frontmost;
        std::optional<QString> own;
        QString activated; // journal entry, empty when nothing is activated
        QString errorLine;
    };
    const RunningApplication self = app(1, ownId, 100);
    const RunningApplication panel = app(5, "Panel", 500, false);
    const RunningApplication editor = app(6, "Editor", 600);
    const RunningApplication mail = app(7, "Mail", 700);
    const RunningApplication anonymous{std::nullopt, "", 800, 8, true};
    const Case cases[] = {
        {"another app in front is kept", {self, editor, mail}, mail, ownId, "activate 7", ""},
        {"own window in front: first regular other app", {self, panel, editor, mail}, self, ownId, "activate 6", ""},
        {"own window in front, no other app", {self, panel}, self, ownId, "", "No suitable target app found for pasting"},
        {"nothing in front", {self, editor}, std::nullopt, ownId, "", "No frontmost app found"},
        {"two missing identifiers count as equal", {anonymous, editor}, anonymous, std::nullopt, "activate 6", ""},
        {"missing and present identifiers differ", {self, anonymous}, anonymous, ownId, "activate 8", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.windows.applications = c.running;
        f.windows.frontmost = c.frontmost;
        f.windows.own = c.own;
        f.windows.focusWindow = 99; // the focus elsewhere: the chosen target is activated
        CategoryLog log(lcPasteManager());
        EXPECT_TRUE(coro::waitFor(f.paste.pasteText("x")));
        QStringList activations;
        for (const QString &entry : f.journal) {
            if (entry.startsWith("activate"))
                activations << entry;
        }
        EXPECT_EQ(activations, c.activated.isEmpty() ? QStringList{} : QStringList{c.activated});
        if (!c.errorLine.isEmpty()) {
            EXPECT_TRUE(log.messages().contains(c.errorLine)) << log.messages().join('\n').toStdString();
        }
        // The keystroke is sent whatever happened to activation.
        EXPECT_TRUE(f.journal.contains("v down"));
    }
}

TEST(PasteManager, ActivationRetriesUpToThreeTimes)
{
    struct Case {
        int ignored;
        QStringList activationSteps;
        QString lastLine;
    };
    // A request that has no effect is watched for its whole bound, 20 polls of 5 ms.
    QStringList ignored = {"activate 2"};
    for (int poll = 0; poll < 20; ++poll)
        ignored << "wait 5000";
    const QStringList arrives = {"activate 2"};
    const Case cases[] = {
        {0, arrives, "App activated on attempt 1"},
        {2, ignored + ignored + arrives, "App activated on attempt 3"},
        {3, ignored + ignored + ignored, "Failed to activate target app after 3 attempts"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ignored);
        Fixture f;
        // Our own window is in front and stays there while requests are ignored.
        f.windows.frontmost = f.windows.applications[0];
        f.windows.ignoredActivations = c.ignored;
        CategoryLog log(lcPasteManager());
        EXPECT_TRUE(coro::waitFor(f.paste.pasteText("x")));
        const qsizetype from = f.journal.indexOf("clipboard.putText x") + 1;
        const qsizetype to = f.journal.indexOf("keys.releaseModifiers");
        EXPECT_EQ(f.journal.mid(from, to - from), c.activationSteps);
        EXPECT_TRUE(log.messages().contains(c.lastLine)) << log.messages().join('\n').toStdString();
        for (int attempt = 1; attempt <= std::min(c.ignored, 2); ++attempt)
            EXPECT_TRUE(log.messages().contains(QString("Activation attempt %1 failed, retrying...").arg(attempt)));
        // The keystroke still goes out after a failed activation.
        EXPECT_TRUE(f.journal.contains("v down"));
    }
}

TEST(PasteManager, ActivationCountsAnotherWindowOfTheSameProcess)
{
    struct Case {
        const char *name;
        RunningApplication arrives;
        bool owned;
    };
    const Case cases[] = {
        {"same window", app(2, "Editor", 200), true},
        {"dialog of the same process", app(3, "Editor", 200), true},
        {"other process", app(4, "Other", 400), false},
        {"unknown pids prove nothing", {std::nullopt, "", 0, 4, true}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RunningApplication target = app(2, "Editor", 200);
        if (c.arrives.pid == 0)
            target.pid = 0;
        EXPECT_EQ(target.owns(c.arrives), c.owned);
    }
}

TEST(PasteManager, TypingPacesEachCharacter)
{
    struct Case {
        const char *name;
        QString text;
        QStringList typed;
        QStringList waits;
        QString logLine;
    };
    const Case cases[] = {
        {"empty text sends nothing", "", {}, {}, "Typed 0 characters"},
        {"clusters are single steps", "e\u0301👍🏽🇩🇪", {"type e\u0301", "type 👍🏽", "type 🇩🇪"},
         {"wait 7000", "wait 7001", "wait 7002"}, "Typed 3 characters"},
        {"line breaks and tabs are characters", "a\tb\r\nc", {"type a", "type \t", "type b", "type \r\n", "type c"},
         {"wait 7000", "wait 7001", "wait 7002", "wait 7003", "wait 7004"}, "Typed 5 characters"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        CategoryLog log(lcPasteManager());
        EXPECT_TRUE(coro::waitFor(f.paste.typeText(c.text)));
        QStringList typed;
        QStringList waits;
        bool afterActivation = false;
        for (const QString &entry : f.journal) {
            if (entry.startsWith("type "))
                typed << entry;
            if (entry == "keys.releaseModifiers" || entry.startsWith("type "))
                afterActivation = true;
            if (afterActivation && entry.startsWith("wait "))
                waits << entry;
        }
        EXPECT_EQ(typed, c.typed);
        EXPECT_EQ(waits, c.waits);
        EXPECT_EQ(log.messages().last(), c.logLine);
        if (c.text.isEmpty()) {
            EXPECT_FALSE(f.journal.contains("keys.releaseModifiers"));
            EXPECT_FALSE(f.journal.contains("keys.prepareTyping 0/0"));
        }
    }
}

TEST(PasteManager, TypingSequenceInStretchesSkippingUntypeable)
{
    struct Case {
        const char *name;
        qsizetype capacity;
        QStringList untypeable;
        QStringList expected;
    };
    const Case cases[] = {
        {"two per stretch", 2, {},
         {"keys.prepareTyping 2/5", "type a", "wait 7000", "type b", "wait 7001",
          "keys.prepareTyping 2/3", "type c", "wait 7002", "type d", "wait 7003",
          "keys.prepareTyping 1/1", "type e", "wait 7004", "keys.finish"}},
        {"untypeable character is skipped without a wait", 0, {"c"},
         {"keys.prepareTyping 5/5", "type a", "wait 7000", "type b", "wait 7001",
          "type d", "wait 7002", "type e", "wait 7003", "keys.finish"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.keys.typingCapacity = c.capacity;
        f.keys.untypeable = c.untypeable;
        f.keys.held = {{64}, 0};
        f.windows.frontmost = f.windows.applications[0]; // our own window: Editor is the target
        CategoryLog log(lcPasteManager());
        EXPECT_TRUE(coro::waitFor(f.paste.typeText("abcde")));
        EXPECT_EQ(f.journal, QStringList({"keys.ensureAccess", "activate 2", "keys.releaseModifiers"}) + c.expected
                                 + QStringList{"keys.restoreModifiers"});
        EXPECT_EQ(f.keys.held, (HeldModifiers{{64}, 0})); // taken off around the typing, then put back
        EXPECT_EQ(log.messages().last(), "Typed 5 characters");
    }
}

TEST(PasteManager, CopyReplacesTheClipboard)
{
    Fixture f;
    f.clipboard.contents = {{{"image/png", "png"}}};
    CategoryLog log(lcPasteManager());
    const QString text = QString(60, QChar(u'é'));
    f.paste.copyToClipboard(text);
    EXPECT_EQ(f.clipboard.contents, (ClipboardContents{{{"text/plain", text.toUtf8()}}}));
    EXPECT_EQ(f.journal, QStringList{"clipboard.putText " + text});
    ASSERT_EQ(log.messages().size(), 1);
    EXPECT_TRUE(log.messages()[0].startsWith("Copied to clipboard: "));
    EXPECT_TRUE(log.messages()[0].endsWith("..."));
}
