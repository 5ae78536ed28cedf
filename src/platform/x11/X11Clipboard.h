#pragma once
// The CLIPBOARD and PRIMARY selections. We write through Qt's own clipboard and so become the
// selection owner, and the target's paste request is answered from our event loop; a watch on
// Qt's events tells when it has been answered. Another owner's contents are read by a reader of
// our own, which never waits for that owner on the main thread.
#include "platform/Clipboard.h"

#include <memory>

namespace parlix {

class X11SelectionWatch;

class X11Clipboard : public Clipboard {
public:
    // How long to wait for the server time to reach Qt before writing with the time it has.
    static constexpr std::chrono::milliseconds serverTimeWait{500};
    // A reader is done once it has read and then asked nothing more for this long: Chromium
    // reads the text and then asks for the list of formats again within a few milliseconds.
    static constexpr std::chrono::milliseconds readerQuiet{100};

    X11Clipboard();
    ~X11Clipboard() override;
    QCoro::Task<ClipboardContents> save(Selection selection) override;
    QCoro::Task<> restore(ClipboardContents contents, Selection selection) override;
    QCoro::Task<bool> putText(QString text, Selection selection) override;
    void expectRead() override;
    QCoro::Task<bool> waitUntilRead(quint64 window, std::chrono::milliseconds bound) override;
    bool setText(const QString &text) override;

private:
    // X refuses a selection owner whose timestamp is older than the current owner's, and an
    // owner refuses requests stamped before it took the selection. Qt stamps both with the last
    // server time it saw, which in an application the user hardly touches is long past: let Qt
    // see a fresh one first.
    QCoro::Task<> refreshServerTime();
    X11SelectionWatch &watch();

    std::unique_ptr<X11SelectionWatch> m_watch;
    Selection m_written = Selection::clipboard;
};

} // namespace parlix
