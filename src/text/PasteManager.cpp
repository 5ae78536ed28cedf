#include "text/PasteManager.h"

#include "core/Categories.h"
#include "core/Graphemes.h"
#include "core/Log.h"

#include <QCoroTimer>
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

PasteManager::PasteManager(Clipboard &clipboard, KeyInjector &keys, WindowSystem &windows, Sleep sleep, PaceJitter jitter)
    : m_clipboard(clipboard)
    , m_keys(keys)
    , m_windows(windows)
    , m_sleep(sleep ? std::move(sleep) : Sleep(timerSleep))
    , m_jitter(jitter ? std::move(jitter) : PaceJitter(uniformJitter))
{
}

void PasteManager::copyToClipboard(const QString &text)
{
    m_clipboard.setText(text);
    log::debug(lcPasteManager, "Copied to clipboard: %s...", log::Private{graphemes::prefix(text, copyLogCharacters)});
}

QCoro::Task<bool> PasteManager::pasteText(QString text)
{
    if (!m_keys.ensureAccess()) {
        log::error(lcPasteManager, "Accessibility not trusted (prompted). Paste not attempted.");
        co_return false;
    }
    co_await pasteViaKeyboard(std::move(text));
    co_return true;
}

QCoro::Task<> PasteManager::pasteViaKeyboard(QString text)
{
    // Every format, not just the text: an image or rich text the user copied must survive the
    // paste too.
    const ClipboardContents saved = m_clipboard.save();

    const bool ok = m_clipboard.setText(text);
    log::debug(lcPasteManager, "Pasteboard set OK: %{bool}d", ok);
    co_await m_sleep(Waits::afterSettingClipboard);

    co_await activateTargetApp();

    const std::optional<RunningApplication> frontmost = m_windows.frontmostApplication();
    log::debug(lcPasteManager, "Frontmost now: %s", identifierOrNil(frontmost));

    co_await simulatePaste(frontmost && isTerminal(*frontmost));
    co_await m_sleep(Waits::afterPasteKeystroke);

    // An empty clipboard stays holding the pasted text.
    if (!saved.isEmpty()) {
        m_clipboard.restore(saved);
        log::debug(lcPasteManager, "Restored previous clipboard contents");
    }
}

bool PasteManager::isOwn(const RunningApplication &app)
{
    // Two missing identifiers count as the same application.
    return app.identifier == m_windows.ownIdentifier();
}

QCoro::Task<> PasteManager::activateTargetApp()
{
    const std::optional<RunningApplication> frontmost = m_windows.frontmostApplication();
    if (!frontmost) {
        log::error(lcPasteManager, "No frontmost app found");
        co_return;
    }
    if (!isOwn(*frontmost)) {
        co_await activateApp(*frontmost);
        co_return;
    }
    // Our own window is in front (menu, settings window): go to the first other application.
    if (const std::optional<RunningApplication> target = findTargetApp())
        co_await activateApp(*target);
    else
        log::error(lcPasteManager, "No suitable target app found for pasting");
}

std::optional<RunningApplication> PasteManager::findTargetApp()
{
    for (const RunningApplication &app : m_windows.runningApplications()) {
        if (app.isRegular && !isOwn(app))
            return app;
    }
    return std::nullopt;
}

QCoro::Task<> PasteManager::activateApp(RunningApplication app)
{
    log::debug(lcPasteManager, "Activating target app: %s pid=%d", app.identifier.value_or(QStringLiteral("unknown")), app.pid);
    for (int attempt = 1; attempt <= Waits::activationAttempts; ++attempt) {
        m_windows.activate(app);
        co_await m_sleep(Waits::afterActivationRequest);
        const std::optional<RunningApplication> frontmost = m_windows.frontmostApplication();
        // The same window, or another window of the same process (a pid of 0 is unknown and
        // proves nothing).
        const bool arrived = frontmost
            && (frontmost->window == app.window || (app.pid != 0 && frontmost->pid == app.pid));
        if (arrived) {
            log::debug(lcPasteManager, "App activated on attempt %ld", attempt);
            co_await m_sleep(Waits::afterActivation);
            co_return;
        }
        log::debug(lcPasteManager, "Activation attempt %ld failed, retrying...", attempt);
    }
    log::error(lcPasteManager, "Failed to activate target app after %ld attempts", Waits::activationAttempts);
}

QCoro::Task<> PasteManager::simulatePaste(bool terminal)
{
    // Built without initializer lists: GCC 12 cannot keep their arrays in a coroutine frame.
    QList<KeyInjector::Key> chord;
    chord.append(KeyInjector::Key::control);
    if (terminal)
        chord.append(KeyInjector::Key::shift);
    QList<KeyInjector::Key> keys = chord;
    keys.append(KeyInjector::Key::v);

    // The hotkey's modifiers may still be down; with Alt held the target would read Ctrl+Alt+V.
    const HeldModifiers held = m_keys.releaseHeldModifiers();
    co_await m_keys.prepareKeys(keys);
    co_await m_sleep(Waits::beforePasteKeystroke);

    for (KeyInjector::Key modifier : chord)
        m_keys.sendKey(modifier, true);
    co_await m_sleep(Waits::modifierToKey);
    m_keys.sendKey(KeyInjector::Key::v, true);
    co_await m_sleep(Waits::keyDownToUp);
    m_keys.sendKey(KeyInjector::Key::v, false);
    co_await m_sleep(Waits::keyToModifierUp);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it)
        m_keys.sendKey(*it, false);

    m_keys.finish();
    m_keys.restoreModifiers(held);
    log::debug(lcPasteManager, "Simulated Cmd+V via explicit key events");
}

QCoro::Task<bool> PasteManager::typeText(QString text)
{
    if (!m_keys.ensureAccess()) {
        log::error(lcPasteManager, "Accessibility not trusted. Typing not attempted.");
        co_return false;
    }
    co_await activateTargetApp();

    const QStringList characters = graphemes::split(text);
    if (!characters.isEmpty()) {
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
                co_await m_sleep(Waits::perCharacter + Microseconds(m_jitter()));
            }
        }
        m_keys.finish();
        m_keys.restoreModifiers(held);
    }
    log::debug(lcPasteManager, "Typed %ld characters", characters.size());
    co_return true;
}

bool PasteManager::isTerminal(const RunningApplication &application)
{
    // WM_CLASS names (instance or class, any case) of terminal emulators.
    static const QSet<QString> terminals = [] {
        const char *const names[] = {
             "xterm", "uxterm", "rxvt", "urxvt", "urxvt-unicode", "rxvt-unicode", "gnome-terminal",
             "gnome-terminal-server", "org.gnome.terminal", "konsole", "org.kde.konsole", "xfce4-terminal",
             "kitty", "alacritty", "wezterm", "wezterm-gui", "org.wezfurlong.wezterm", "foot", "footclient",
             "tilix", "com.gexperts.tilix", "terminator", "st", "st-256color", "sakura", "terminology",
             "lxterminal", "qterminal", "mate-terminal", "deepin-terminal", "guake", "tilda", "yakuake", "eterm",
             "aterm", "cool-retro-term", "termite", "kgx", "org.gnome.console", "ptyxis", "org.gnome.ptyxis",
             "blackbox", "com.raggesilver.blackbox", "contour", "rio", "ghostty", "com.mitchellh.ghostty", "hyper",
             "tabby", "zutty", "x-terminal-emulator",
        };
        QSet<QString> set;
        for (const char *name : names)
            set.insert(QString::fromLatin1(name));
        return set;
    }();
    const auto matches = [](const QString &name) { return !name.isEmpty() && terminals.contains(name.toLower()); };
    return matches(application.identifier.value_or(QString())) || matches(application.instanceName);
}

} // namespace parlix
