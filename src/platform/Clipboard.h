#pragma once
// The desktop's clipboard (on X11 the CLIPBOARD selection, and PRIMARY for the terminals that
// paste only that one). Delivery saves what the user had there, puts the transcript there for the
// paste, waits for the target to read it and puts every saved format back afterwards.
//
// The operations of a paste are coroutines: reading another owner's data and making sure our
// ownership is stamped with a current server time both wait on the server, never on a nested
// event loop.
#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QString>

#include <chrono>
#include <utility>

namespace parlix {

// A full copy of the clipboard's contents: every format offered, as MIME type and bytes, in the
// order the owner offered them. Empty when the clipboard held nothing.
struct ClipboardContents {
    QList<std::pair<QString, QByteArray>> formats;

    bool isEmpty() const { return formats.isEmpty(); }
    bool operator==(const ClipboardContents &) const = default;
};

class Clipboard {
public:
    // Which selection: the clipboard proper, or the X11 primary selection (the last text
    // highlighted, which xterm and rxvt paste with Shift+Insert).
    enum class Selection { clipboard, primary };

    virtual ~Clipboard() = default;

    // Every format currently in the selection, with its data.
    virtual QCoro::Task<ClipboardContents> save(Selection selection) = 0;
    // Replaces the selection's contents with exactly `contents` (all formats at once); empty
    // contents leave the selection without an owner.
    virtual QCoro::Task<> restore(ClipboardContents contents, Selection selection) = 0;
    // Empties the selection and writes plain text; false when the text could not be written.
    virtual QCoro::Task<bool> putText(QString text, Selection selection) = 0;
    // Starts counting reads of the text last written by putText: called right before the paste
    // keystroke, since some applications (Chromium) fetch a new clipboard as soon as it changes
    // and paste later from what they fetched again.
    virtual void expectRead() = 0;
    // Resolves true once the application owning `window` has read that text since expectRead()
    // (every conversion it asked for has been answered), false when it has not asked within
    // `bound`. Reads by other clients (clipboard managers) do not count; a window of 0 accepts
    // any reader.
    virtual QCoro::Task<bool> waitUntilRead(quint64 window, std::chrono::milliseconds bound) = 0;

    // Replaces the clipboard's contents with plain text at once; false when it could not.
    virtual bool setText(const QString &text) = 0;
};

} // namespace parlix
