#include "TrayHost.h"

#include "XSession.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

namespace parlix::test {

namespace {

const QString kPanelName = QStringLiteral("panel");

int field(const QByteArray &info, const char *name)
{
    const QRegularExpression re(QLatin1String(name) + QStringLiteral(":\\s+(-?\\d+)"));
    const QRegularExpressionMatch m = re.match(QString::fromUtf8(info));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

TrayHost::TrayHost(XSession &x)
    : m_x(x)
{
    // A plain grey panel: screenshots then show the icon over a known, flat background.
    m_trayer = m_x.start(QStringLiteral("trayer"),
                         {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                          QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                          QString::number(panelHeight), QStringLiteral("--transparent"), QStringLiteral("false"),
                          QStringLiteral("--tint"), QStringLiteral("0xdddddd")});
    if (m_trayer->state() != QProcess::Running) {
        m_error = QStringLiteral("trayer could not be started (scripts/setup.sh installs it): ") + m_trayer->errorString();
        return;
    }
    QElapsedTimer timer;
    timer.start();
    while (!panelGeometry() && timer.elapsed() < 10000)
        QThread::msleep(50);
    m_running = panelGeometry().has_value();
    if (!m_running)
        m_error = QStringLiteral("trayer's panel did not appear");
}

std::optional<QRect> TrayHost::panelGeometry() const
{
    QByteArray info;
    if (m_x.run(QStringLiteral("xwininfo"), {QStringLiteral("-name"), kPanelName}, &info) != 0)
        return std::nullopt;
    const QRect rect(field(info, "Absolute upper-left X"), field(info, "Absolute upper-left Y"), field(info, "Width"),
                     field(info, "Height"));
    if (rect.width() <= 0 || rect.height() <= 0)
        return std::nullopt;
    return rect;
}

std::optional<QRect> TrayHost::embeddedIcon(const QString &instance) const
{
    QByteArray tree;
    if (m_x.run(QStringLiteral("xwininfo"), {QStringLiteral("-name"), kPanelName, QStringLiteral("-tree")}, &tree) != 0)
        return std::nullopt;
    // e.g.   0x400006 "Parlix": ("parlix" "Parlix")  22x22+0+0  +1257+1
    const QRegularExpression line(QStringLiteral("(0x[0-9a-f]+) .*\\(\"") + QRegularExpression::escape(instance)
                                  + QStringLiteral("\" [^)]*\\)\\s+(\\d+)x(\\d+)\\S*\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    const QRegularExpressionMatch m = line.match(QString::fromUtf8(tree));
    if (!m.hasMatch())
        return std::nullopt;
    // Reparented is not yet shown: the icon counts once the host has mapped it.
    QByteArray info;
    if (m_x.run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), m.captured(1)}, &info) != 0
        || !info.contains("IsViewable"))
        return std::nullopt;
    return QRect(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

} // namespace parlix::test
