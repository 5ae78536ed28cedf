#include "platform/x11/X11WindowSystem.h"

#include "platform/x11/XcbAtom.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdlib>
#include <memory>

namespace parlix {

namespace {
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T *r)
{
    return Reply<T>(r, &std::free);
}
} // namespace

X11WindowSystem::X11WindowSystem(std::optional<QString> ownIdentifier)
    : m_own(std::move(ownIdentifier))
{
    int screen = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
}

X11WindowSystem::~X11WindowSystem()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

std::optional<QString> X11WindowSystem::defaultOwnIdentifier()
{
    // Qt's WM_CLASS class: the application name, else the program name with a capital first letter.
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        if (!name.isEmpty() && name.at(0).isLower())
            name[0] = name.at(0).toUpper();
    }
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

xcb_atom_t X11WindowSystem::atom(const char *name)
{
    const QByteArray key(name);
    if (auto it = m_atoms.constFind(key); it != m_atoms.constEnd())
        return *it;
    const xcb_atom_t result = internAtom(m_connection, key);
    m_atoms.insert(key, result);
    return result;
}

QList<quint32> X11WindowSystem::cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    QList<quint32> values;
    auto r = reply(xcb_get_property_reply(m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 4096), nullptr));
    if (!r || r->format != 32 || r->type != type)
        return values;
    const auto *data = static_cast<const quint32 *>(xcb_get_property_value(r.get()));
    const int count = xcb_get_property_value_length(r.get()) / 4;
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

bool X11WindowSystem::supports(xcb_atom_t property)
{
    return cardinals(m_root, atom("_NET_SUPPORTED"), XCB_ATOM_ATOM).contains(property);
}

std::optional<RunningApplication> X11WindowSystem::describe(xcb_window_t window)
{
    auto classReply = reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 1024), nullptr));
    if (!classReply)
        return std::nullopt; // the window is gone
    RunningApplication app;
    app.window = window;
    if (classReply->type == XCB_ATOM_STRING && classReply->format == 8) {
        // "instance\0class\0"
        const QByteArray raw(static_cast<const char *>(xcb_get_property_value(classReply.get())),
                             xcb_get_property_value_length(classReply.get()));
        const QList<QByteArray> parts = raw.split('\0');
        app.instanceName = QString::fromLocal8Bit(parts.value(0));
        const QString className = QString::fromLocal8Bit(parts.value(1));
        if (!className.isEmpty())
            app.identifier = className;
    }
    if (const QList<quint32> pid = cardinals(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL); !pid.isEmpty())
        app.pid = pid.first();

    const QList<quint32> types = cardinals(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
    const bool normal = types.isEmpty() || types.first() == atom("_NET_WM_WINDOW_TYPE_NORMAL");
    const bool skipped = cardinals(window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM).contains(atom("_NET_WM_STATE_SKIP_TASKBAR"));
    app.isRegular = normal && !skipped;
    return app;
}

QList<xcb_window_t> X11WindowSystem::focusChain()
{
    QList<xcb_window_t> chain;
    auto focus = reply(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus->focus == m_root)
        return chain;
    xcb_window_t window = focus->focus;
    for (int depth = 0; depth < 64; ++depth) {
        chain.append(window);
        auto tree = reply(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        if (!tree)
            return {};
        if (tree->parent == m_root || tree->parent == XCB_NONE)
            return chain;
        window = tree->parent;
    }
    return {};
}

xcb_window_t X11WindowSystem::focusedTopLevel()
{
    const QList<xcb_window_t> chain = focusChain();
    return chain.isEmpty() ? XCB_NONE : chain.last();
}

bool X11WindowSystem::hasInputFocus(const RunningApplication &application)
{
    if (!m_connection)
        return false;
    // The focus sits on the application's window or inside it; a window manager's frame is an
    // ancestor and names no process.
    for (xcb_window_t window : focusChain()) {
        if (window == application.window)
            return true;
        if (application.pid != 0 && cardinals(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL).value(0) == quint32(application.pid))
            return true;
    }
    return false;
}

bool X11WindowSystem::isActive(const RunningApplication &application)
{
    // The window manager answers an activation request with a property change and a focus change.
    const std::optional<RunningApplication> front = frontmostApplication();
    return front && application.owns(*front) && hasInputFocus(application);
}

std::optional<RunningApplication> X11WindowSystem::frontmostApplication()
{
    if (!m_connection)
        return std::nullopt;
    const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
    xcb_window_t window = XCB_NONE;
    if (supports(active)) {
        const QList<quint32> value = cardinals(m_root, active, XCB_ATOM_WINDOW);
        window = value.isEmpty() ? XCB_NONE : value.first();
    } else {
        window = focusedTopLevel();
    }
    if (window == XCB_NONE)
        return std::nullopt;
    return describe(window);
}

QList<RunningApplication> X11WindowSystem::runningApplications()
{
    QList<RunningApplication> apps;
    if (!m_connection)
        return apps;
    for (quint32 window : cardinals(m_root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW)) {
        if (std::optional<RunningApplication> app = describe(window))
            apps.append(*app);
    }
    return apps;
}

void X11WindowSystem::activate(const RunningApplication &application)
{
    if (!m_connection || application.window == 0)
        return;
    const xcb_window_t window = xcb_window_t(application.window);
    const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
    if (supports(active)) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = active;
        // Source 2 (a pager, acting for the user): window managers honour it without applying
        // focus-stealing prevention.
        event.data.data32[0] = 2;
        event.data.data32[1] = XCB_CURRENT_TIME;
        event.data.data32[2] = 0;
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(m_connection);
}

} // namespace parlix
