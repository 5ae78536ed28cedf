#pragma once
// Global shortcuts on X11: a passive key grab on the root window, on a connection of our own so
// that grab errors and the auto-repeat setting stay out of the toolkit's connection. Events are
// read from the connection's socket by the main thread's event loop. When the keyboard layout
// changes, the grab moves to the keys that now produce the combination.
#include "platform/GlobalShortcutBackend.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

#include <memory>
#include <optional>

struct xcb_connection_t;
class QSocketNotifier;

namespace parlix {

class X11GlobalShortcutBackend final : public QObject, public GlobalShortcutBackend {
    Q_OBJECT
public:
    // `displayName` as in DISPLAY; empty means the DISPLAY of the environment.
    explicit X11GlobalShortcutBackend(QByteArray displayName = {}, QObject *parent = nullptr);
    ~X11GlobalShortcutBackend() override;

    // The grab is ours to choose; the outcome is known at once.
    bool canChooseTrigger() const override { return true; }
    int installHandler(Handler handler) override;
    void removeHandler() override;
    void registerShortcut(const ShortcutRequest &request, Completion done) override;
    void unregisterShortcut() override;

private:
    struct Grab {
        QVector<quint8> keycodes;
        quint16 modifiers = 0; // X modifier mask, without the lock masks
        QVector<quint16> lockVariants;

        bool operator==(const Grab &) const = default;
    };
    struct ModifierMasks {
        quint16 alt = 0;
        quint16 super = 0;
        quint16 numLock = 0;
    };

    int connectToServer();
    void disconnectFromServer();
    // Reads the keyboard and modifier mappings afresh (layouts can change while we run).
    bool readKeyboard(quint32 keysym, QVector<quint8> &keycodes, ModifierMasks &masks);
    // The keys and modifier states that make up `shortcut` on the current keyboard; a status.
    int plan(const GlobalShortcut &shortcut, Grab &grab, ModifierMasks &masks);
    // Claims `shortcut` in place of what is held; a status.
    int grabShortcut(const GlobalShortcut &shortcut);
    void notify(ShortcutEvent event, int status = ShortcutStatus::success);
    // Grabs every key and modifier state of `grab`, or none of them; a status.
    int grabAll(const Grab &grab);
    void ungrab(const Grab &grab);
    // Moves the grab after a keyboard mapping change, if the shortcut's keys have changed.
    void followKeyboard();
    // Events may have been read into the connection's queue while we waited for a reply; the
    // socket notifier would not fire for them.
    void scheduleRead();
    void readEvents();

    QByteArray m_displayName;
    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    quint8 m_xkbFirstEvent = 0;
    ModifierMasks m_masks;

    Handler m_handler;
    QString m_action;          // the action m_grab stands for
    GlobalShortcut m_shortcut; // the combination of m_grab
    std::optional<Grab> m_grab;
    // The key whose press was delivered and whose release is awaited.
    std::optional<quint8> m_downKeycode;
};

} // namespace parlix
