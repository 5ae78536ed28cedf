#include "platform/wayland/WaylandKeyInjector.h"

#include "core/Categories.h"
#include "core/Log.h"
#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QCoroTimer>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace parlix {

namespace {

constexpr quint32 keyReleased = 0; // wl_keyboard.key_state
constexpr quint32 keyPressed = 1;

// A sealed in-memory file holding `bytes`, or -1.
int memoryFile(const QByteArray &bytes)
{
    const int fd = ::memfd_create("parlix-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return -1;
        }
        written += n;
    }
    ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

} // namespace

WaylandKeyInjector::WaylandKeyInjector(WaylandConnection &connection)
    : m_connection(connection)
{
    m_clock.start();
    if (m_connection.virtualKeyboardManager() && m_connection.seat()) {
        m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_connection.virtualKeyboardManager(),
                                                                             m_connection.seat());
        m_connection.flush();
    }
    // Another keymap in our place (the seat switched to the user's keyboard, or sway applied its
    // layout configuration to every keyboard, ours included): ours goes up again before our
    // next key.
    m_keymapWatch = QObject::connect(&m_connection, &WaylandConnection::keymapChanged, &m_connection, [this] {
        if (m_uploadPending)
            m_uploadPending = false;
        else
            m_uploaded.clear();
    });
}

WaylandKeyInjector::~WaylandKeyInjector()
{
    QObject::disconnect(m_keymapWatch);
    if (m_keyboard) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_connection.flush();
    }
}

bool WaylandKeyInjector::ensureAccess()
{
    return m_keyboard != nullptr && m_connection.isConnected();
}

quint32 WaylandKeyInjector::timestamp()
{
    return quint32(m_clock.elapsed());
}

QCoro::Task<bool> WaylandKeyInjector::upload()
{
    if (!m_keyboard)
        co_return false;
    const QByteArray keymap = m_keymap.text();
    if (keymap == m_uploaded)
        co_return true;
    // The protocol's keymap file holds the text with its terminating NUL.
    const QByteArray file = keymap + '\0';
    const int fd = memoryFile(file);
    if (fd < 0) {
        log::error(lcPasteManager, "Cannot make the virtual keyboard's keymap: %s", QString::fromLocal8Bit(std::strerror(errno)));
        co_return false;
    }
    zwp_virtual_keyboard_v1_keymap(m_keyboard, XKB_KEYMAP_FORMAT_TEXT_V1, fd, quint32(file.size()));
    ::close(fd);
    m_uploaded = keymap;
    m_uploadPending = true;
    // Modifiers make the compositor switch the seat to our keyboard, which sends the focused
    // client the new keymap now rather than with the first key.
    sendModifiers();
    const bool confirmed = co_await m_connection.roundTrip();
    // Our keymap's own change notice, if the compositor sent one, came before the answer.
    m_uploadPending = false;
    if (!confirmed)
        co_return false;
    co_await QCoro::sleepFor(keymapSettle);
    co_return true;
}

QCoro::Task<bool> WaylandKeyInjector::prepareKeys(QList<Key> keys)
{
    Q_UNUSED(keys); // the chord keys are on every keymap we upload
    co_return co_await upload();
}

void WaylandKeyInjector::key(quint32 code, bool pressed)
{
    zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), code, pressed ? keyPressed : keyReleased);
}

void WaylandKeyInjector::sendModifiers()
{
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, m_depressed, 0, 0, 0);
}

bool WaylandKeyInjector::sendKey(Key which, bool pressed)
{
    if (!m_keyboard || m_uploaded.isEmpty())
        return false;
    key(VirtualKeymap::chordKey(which), pressed);
    // A virtual keyboard states its modifiers itself; the compositor does not derive them from
    // the keys.
    if (const quint32 mask = VirtualKeymap::modifierMask(which)) {
        m_depressed = pressed ? (m_depressed | mask) : (m_depressed & ~mask);
        sendModifiers();
    }
    m_connection.flush();
    return true;
}

QCoro::Task<qsizetype> WaylandKeyInjector::prepareTyping(QStringList characters)
{
    m_keymap.clear();
    const qsizetype ready = m_keymap.add(characters);
    m_typeable = co_await upload();
    if (!m_typeable)
        log::error(lcPasteManager, "The compositor did not take the virtual keyboard's keymap");
    co_return ready;
}

bool WaylandKeyInjector::typeCharacter(const QString &character)
{
    if (!m_keyboard || !m_typeable)
        return false;
    QList<quint32> codes;
    for (char32_t c : VirtualKeymap::codePoints(character)) {
        const quint32 code = m_keymap.keyFor(c);
        if (code == 0)
            return false;
        codes.append(code);
    }
    if (codes.isEmpty())
        return false;
    for (quint32 code : codes) {
        key(code, true);
        key(code, false);
    }
    m_connection.flush();
    return true;
}

void WaylandKeyInjector::finish()
{
    // Nothing held: the keymap stays with our keyboard, which the compositor uses only for the
    // keys we send.
    if (m_depressed != 0 && m_keyboard) {
        m_depressed = 0;
        sendModifiers();
        m_connection.flush();
    }
}

} // namespace parlix
