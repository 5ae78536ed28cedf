#pragma once
// The CLIPBOARD selection through Qt's own clipboard. We become the selection owner when we
// write, so the target's paste request is answered from our event loop.
#include "platform/Clipboard.h"

#include <memory>

class QWindow;

namespace parlix {

class X11Clipboard : public Clipboard {
public:
    X11Clipboard();
    ~X11Clipboard() override;
    ClipboardContents save() override;
    void restore(const ClipboardContents &contents) override;
    bool setText(const QString &text) override;
    std::optional<QString> text() override;

private:
    // X refuses a selection owner whose timestamp is older than the current owner's, and an
    // owner refuses requests stamped before it took the selection. Qt stamps both with the last
    // server time it saw, which in an application the user hardly touches is long past: let Qt
    // see a fresh one first.
    void refreshServerTime();

    struct TimeSource;
    std::unique_ptr<TimeSource> m_time;
};

} // namespace parlix
