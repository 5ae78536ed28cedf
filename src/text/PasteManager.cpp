#include "text/PasteManager.h"

#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"

#include <QCoroTimer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>

namespace parlix {

namespace {

QCoro::Task<> timerSleep(std::chrono::microseconds duration)
{
    // Qt timers count whole milliseconds; every wait here is a multiple of one.
    co_await QCoro::sleepFor(std::chrono::duration_cast<std::chrono::milliseconds>(duration));
}

int uniformJitter()
{
    return int(QRandomGenerator::global()->bounded(PasteManager::Waits::perCharacterJitterMax + 1));
}

QString identifierOrNil(const std::optional<RunningApplication> &app)
{
    return app && app->identifier ? *app->identifier : QStringLiteral("nil");
}

} // namespace

PasteManager::PasteManager(Clipboard &clipboard, KeyInjector &keys, WindowSystem *windows, Sleep sleep, PaceJitter jitter)
    : m_clipboard(clipboard)
    , m_keys(keys)
    , m_windows(windows)
    , m_sleep(sleep ? std::move(sleep) : Sleep(timerSleep))
    , m_jitter(jitter ? std::move(jitter) : PaceJitter(uniformJitter))
{
}

void PasteManager::copyToClipboard(const QString &text)
{
    // Finished from the event loop: the clipboard may first wait for the server (on X11, for a
    // current time to stamp our ownership with).
    QCoro::connect(m_clipboard.putText(text, Clipboard::Selection::clipboard), this, [](bool copied) {
        if (!copied)
            log::error(lcPasteManager, "The text could not be put on the clipboard");
    });
    log::debug(lcPasteManager, "Copied to clipboard: %s...", log::Private{graphemes::prefix(text, copyLogCharacters)});
}

QCoro::Task<bool> PasteManager::pasteText(QString text)
{
    if (!m_keys.ensureAccess()) {
        log::error(lcPasteManager, "Accessibility not trusted (prompted). Paste not attempted.");
        if (m_manualPaste)
            handOver(text);
        co_return false;
    }
    co_return co_await pasteViaKeyboard(std::move(text));
}

void PasteManager::handOver(const QString &text)
{
    const bool copied = m_clipboard.setText(text);
    log::info(lcPasteManager, "Left the text on the clipboard for the user to paste: %{bool}d", copied);
    emit manualPasteNeeded(copied ? tr("Press Ctrl+V to paste the transcript.")
                                  : tr("Parlix could neither paste nor copy the transcript on this desktop; "
                                       "you find it in the history."));
}

QCoro::Task<bool> PasteManager::pasteViaKeyboard(QString text)
{
    const TargetChoice choice = chooseTargetApp();
    const PasteChord chord = choice.app ? pasteChordFor(*choice.app) : PasteChord::controlV;
    const Clipboard::Selection selection = chord == PasteChord::shiftInsert ? Clipboard::Selection::primary
                                                                            : Clipboard::Selection::clipboard;
    // Every format, not just the text: an image or rich text the user copied must survive the
    // paste too.
    const ClipboardContents saved = co_await m_clipboard.save(selection);

    // Returns once the server has confirmed our ownership: nothing is left to wait for.
    const bool ok = co_await m_clipboard.putText(text, selection);
    log::debug(lcPasteManager, "Pasteboard set OK: %{bool}d", ok);
    if (!ok && !m_windows) {
        // A Wayland desktop without data control (GNOME): Ctrl+V would paste whatever the
        // clipboard held before, so the keys type the text instead.
        log::info(lcPasteManager, "The clipboard cannot be set on this desktop; typing the text instead");
        // Not `if (co_await …)`: see DictationController::typeText on GCC 12.
        const bool typed = co_await typeText(text);
        if (typed)
            co_return true;
        if (m_manualPaste)
            handOver(text);
        co_return false;
    }

    if (m_windows) {
        co_await activateTargetApp(choice);
        const std::optional<RunningApplication> frontmost = m_windows->frontmostApplication();
        log::debug(lcPasteManager, "Frontmost now: %s", identifierOrNil(frontmost));
    }

    const bool sent = co_await simulatePaste(chord);
    if (!sent) {
        // Access was granted but the keys cannot go out (the desktop's portal turned out to have
        // no keyboard, the connection is gone).
        log::error(lcPasteManager, "The paste keys could not be sent");
        if (m_manualPaste) {
            handOver(text);
            co_return false;
        }
    } else if (!co_await m_clipboard.waitUntilRead(choice.app ? choice.app->window : 0, Waits::targetRead)) {
        // X11 paste is asynchronous: the target asks us for the text when it gets to the keystroke.
        // Putting the previous contents back any earlier would paste those instead.
        log::info(lcPasteManager, "Pasted text not read by the target within %ld ms", qint64(Waits::targetRead.count()));
    }

    // An empty clipboard stays holding the pasted text; the primary selection is the highlighted
    // text and is never left holding a transcript nobody highlighted.
    if (!saved.isEmpty() || selection == Clipboard::Selection::primary) {
        co_await m_clipboard.restore(saved, selection);
        if (!saved.isEmpty())
            log::debug(lcPasteManager, "Restored previous clipboard contents");
    }
    co_return sent;
}

bool PasteManager::isOwn(const RunningApplication &app)
{
    // Two missing identifiers count as the same application.
    return app.identifier == m_windows->ownIdentifier();
}

PasteManager::TargetChoice PasteManager::chooseTargetApp()
{
    if (!m_windows)
        return {};
    const std::optional<RunningApplication> frontmost = m_windows->frontmostApplication();
    if (!frontmost)
        return {std::nullopt, "No frontmost app found"};
    if (!isOwn(*frontmost))
        return {frontmost, nullptr};
    // Our own window is in front (menu, settings window): go to the first other application.
    if (const std::optional<RunningApplication> target = findTargetApp())
        return {target, nullptr};
    return {std::nullopt, "No suitable target app found for pasting"};
}

QCoro::Task<> PasteManager::activateTargetApp(TargetChoice choice)
{
    if (!choice.app) {
        log::error(lcPasteManager, choice.failure);
        co_return;
    }
    // The usual case: the user dictates into the window they are in. Nothing to activate, and
    // nothing to let settle.
    if (m_windows->hasInputFocus(*choice.app)) {
        log::debug(lcPasteManager, "Target app already has the focus: %s pid=%d",
                   choice.app->identifier.value_or(QStringLiteral("unknown")), choice.app->pid);
        co_return;
    }
    co_await activateApp(*choice.app);
}

std::optional<RunningApplication> PasteManager::findTargetApp()
{
    for (const RunningApplication &app : m_windows->runningApplications()) {
        if (app.isRegular && !isOwn(app))
            return app;
    }
    return std::nullopt;
}

QCoro::Task<> PasteManager::activateApp(RunningApplication app)
{
    log::debug(lcPasteManager, "Activating target app: %s pid=%d", app.identifier.value_or(QStringLiteral("unknown")), app.pid);
    for (int attempt = 1; attempt <= Waits::activationAttempts; ++attempt) {
        m_windows->activate(app);
        // In front with the input focus: the same window, or another window of the same process.
        bool active = m_windows->isActive(app);
        for (auto waited = Microseconds::zero(); !active && waited < Waits::activationRequest; waited += Waits::poll) {
            co_await m_sleep(Waits::poll);
            active = m_windows->isActive(app);
        }
        if (active) {
            log::debug(lcPasteManager, "App activated on attempt %ld", attempt);
            co_return;
        }
        log::debug(lcPasteManager, "Activation attempt %ld failed, retrying...", attempt);
    }
    log::error(lcPasteManager, "Failed to activate target app after %ld attempts", Waits::activationAttempts);
}

QCoro::Task<bool> PasteManager::simulatePaste(PasteChord chord)
{
    // Built without initializer lists: GCC 12 cannot keep their arrays in a coroutine frame.
    QList<KeyInjector::Key> modifiers;
    KeyInjector::Key key = KeyInjector::Key::v;
    switch (chord) {
    case PasteChord::controlV:
        modifiers.append(KeyInjector::Key::control);
        break;
    case PasteChord::controlShiftV:
        modifiers.append(KeyInjector::Key::control);
        modifiers.append(KeyInjector::Key::shift);
        break;
    case PasteChord::shiftInsert:
        modifiers.append(KeyInjector::Key::shift);
        key = KeyInjector::Key::insert;
        break;
    }
    QList<KeyInjector::Key> keys = modifiers;
    keys.append(key);

    co_await waitForKeyboard();
    // The hotkey's modifiers may still be down; with Alt held the target would read Ctrl+Alt+V.
    const HeldModifiers held = m_keys.releaseHeldModifiers();
    // Returns once the keys are on the keymap and every client has been told.
    const bool prepared = co_await m_keys.prepareKeys(keys);
    if (!prepared) {
        m_keys.finish();
        m_keys.restoreModifiers(held);
        co_return false;
    }

    // The server queues the events in order and the target reads them in that order: no gaps
    // are needed between them.
    m_clipboard.expectRead();
    for (KeyInjector::Key modifier : modifiers)
        m_keys.sendKey(modifier, true);
    m_keys.sendKey(key, true);
    m_keys.sendKey(key, false);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        m_keys.sendKey(*it, false);

    m_keys.finish();
    m_keys.restoreModifiers(held);
    log::debug(lcPasteManager, "Simulated Cmd+V via explicit key events");
    co_return true;
}

QCoro::Task<> PasteManager::waitForKeyboard()
{
    // Stopping on the hotkey's press leaves the keyboard grabbed by the hotkey until its release.
    QElapsedTimer waited;
    waited.start();
    while (m_keys.keyboardGrabbed()) {
        if (waited.elapsed() < Waits::keyboardGrab.count()) {
            co_await m_sleep(Waits::poll);
            continue;
        }
        log::info(lcPasteManager, "Keyboard still grabbed after %ld ms; sending the keys anyway", qint64(Waits::keyboardGrab.count()));
        break;
    }
}

QCoro::Task<bool> PasteManager::typeText(QString text)
{
    if (!m_keys.ensureAccess()) {
        log::error(lcPasteManager, "Accessibility not trusted. Typing not attempted.");
        co_return false;
    }
    if (m_windows)
        co_await activateTargetApp(chooseTargetApp());

    const QStringList characters = graphemes::split(text);
    qsizetype typed = 0;
    if (!characters.isEmpty()) {
        co_await waitForKeyboard();
        const HeldModifiers held = m_keys.releaseHeldModifiers();
        qsizetype next = 0;
        while (next < characters.size()) {
            // Layouts lack most characters; each stretch makes as many of them typeable as the
            // keyboard has room for.
            const qsizetype ready = std::max<qsizetype>(1, co_await m_keys.prepareTyping(characters.mid(next)));
            const qsizetype end = std::min(characters.size(), next + ready);
            for (; next < end; ++next) {
                if (!m_keys.typeCharacter(characters[next]))
                    continue;
                ++typed;
                co_await m_sleep(Waits::perCharacter + Microseconds(m_jitter()));
            }
        }
        m_keys.finish();
        m_keys.restoreModifiers(held);
    }
    log::debug(lcPasteManager, "Typed %ld characters", characters.size());
    // Access was granted but no key went out: the caller learns that nothing was typed.
    if (typed == 0 && !characters.isEmpty()) {
        log::error(lcPasteManager, "No character could be typed");
        co_return false;
    }
    co_return true;
}

PasteManager::PasteChord PasteManager::pasteChordFor(const RunningApplication &application)
{
    // WM_CLASS names (instance or class, any case) of terminal emulators. xterm and the rxvt
    // family bind no key to the clipboard by default (xterm's Shift+Insert inserts PRIMARY, and
    // so does rxvt-unicode's); the others paste the clipboard on Ctrl+Shift+V.
    static const QSet<QString> primaryTerminals = {
        QStringLiteral("xterm"), QStringLiteral("uxterm"), QStringLiteral("rxvt"), QStringLiteral("urxvt"),
        QStringLiteral("urxvt-unicode"), QStringLiteral("rxvt-unicode"), QStringLiteral("aterm"), QStringLiteral("eterm"),
    };
    static const QSet<QString> terminals = [] {
        const char *const names[] = {
             "gnome-terminal", "gnome-terminal-server", "org.gnome.terminal", "konsole", "org.kde.konsole", "xfce4-terminal",
             "kitty", "alacritty", "wezterm", "wezterm-gui", "org.wezfurlong.wezterm", "foot", "footclient",
             "tilix", "com.gexperts.tilix", "terminator", "st", "st-256color", "sakura", "terminology",
             "lxterminal", "qterminal", "mate-terminal", "deepin-terminal", "guake", "tilda", "yakuake",
             "cool-retro-term", "termite", "kgx", "org.gnome.console", "ptyxis", "org.gnome.ptyxis",
             "blackbox", "com.raggesilver.blackbox", "contour", "rio", "ghostty", "com.mitchellh.ghostty", "hyper",
             "tabby", "zutty", "x-terminal-emulator",
        };
        QSet<QString> set;
        for (const char *name : names)
            set.insert(QString::fromLatin1(name));
        return set;
    }();
    const auto matches = [&application](const QSet<QString> &set) {
        for (const QString &name : {application.identifier.value_or(QString()), application.instanceName}) {
            if (!name.isEmpty() && set.contains(name.toLower()))
                return true;
        }
        return false;
    };
    if (matches(primaryTerminals))
        return PasteChord::shiftInsert;
    return matches(terminals) ? PasteChord::controlShiftV : PasteChord::controlV;
}

} // namespace parlix
