#pragma once
// Another application owning the clipboard, on an X connection of its own: it offers targets
// with their bytes and sends those larger than a piece in pieces (INCR), as GTK and xclip do with
// images. A target may be refused or never answered, and every answer may come late.
#include <QByteArray>
#include <QList>
#include <QObject>

#include <chrono>
#include <optional>

#include <xcb/xcb.h>

class QSocketNotifier;

namespace parlix::test {

class SelectionOwner : public QObject {
public:
    enum class Answer { data, refused, never };
    struct Target {
        QByteArray name;
        QByteArray data;
        Answer answer = Answer::data;
    };
    static constexpr int pieceBytes = 256 * 1024;

    // Takes the CLIPBOARD selection on $DISPLAY; each answer goes out `delay` after its request.
    explicit SelectionOwner(QList<Target> targets, std::chrono::milliseconds delay = {});
    ~SelectionOwner() override;

    bool ownsClipboard() const;
    quint32 window() const { return m_window; }
    // Whether it has answered any request yet.
    bool hasAnswered() const { return m_answered; }

private:
    struct Transfer {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        QByteArray data;
        qsizetype sent = 0;
    };

    void handleEvents();
    void answer(const xcb_selection_request_event_t &request);
    void sendNextPiece();

    QList<Target> m_targets;
    QList<xcb_atom_t> m_atoms; // m_targets' atoms
    std::chrono::milliseconds m_delay;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_atom_t m_targetsAtom = XCB_ATOM_NONE;
    xcb_atom_t m_incr = XCB_ATOM_NONE;
    QSocketNotifier *m_notifier = nullptr;
    std::optional<Transfer> m_transfer;
    bool m_answered = false;
};

} // namespace parlix::test
