#pragma once
// trayer, the XEmbed tray host of small desktops, on a test X server: a 24-pixel panel at the
// top right that grows by one slot per embedded icon. Tells where the panel and an
// application's icon are, read with xwininfo.
#include <QProcess>
#include <QRect>
#include <QString>

#include <optional>

namespace parlix::test {

class XSession;

class TrayHost {
public:
    static constexpr int panelHeight = 24;

    // Starts trayer on `x` (ended with the session) and waits for its panel.
    explicit TrayHost(XSession &x);

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }
    qint64 pid() const { return m_trayer ? m_trayer->processId() : 0; }

    // The panel on the screen, in root coordinates.
    std::optional<QRect> panelGeometry() const;
    // The viewable icon window of the application whose WM_CLASS instance is `instance`,
    // embedded in the panel; in root coordinates.
    std::optional<QRect> embeddedIcon(const QString &instance) const;

private:
    XSession &m_x;
    QProcess *m_trayer = nullptr;
    bool m_running = false;
    QString m_error;
};

} // namespace parlix::test
