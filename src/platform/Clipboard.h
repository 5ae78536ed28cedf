#pragma once
// The desktop's clipboard (on X11 the CLIPBOARD selection). Delivery saves what the user had
// copied, puts the transcript there for the paste, and puts every saved format back afterwards.
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
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
    virtual ~Clipboard() = default;

    // Every format currently on the clipboard, with its data.
    virtual ClipboardContents save() = 0;
    // Replaces the clipboard's contents with exactly `contents` (all formats at once).
    virtual void restore(const ClipboardContents &contents) = 0;
    // Empties the clipboard and writes plain text; false when the text could not be written.
    virtual bool setText(const QString &text) = 0;
    // The clipboard's plain text, none when it holds no text.
    virtual std::optional<QString> text() = 0;
};

} // namespace parlix
