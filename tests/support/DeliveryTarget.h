#pragma once
// Runs tests/delivery_target (a text field that records what it receives) and talks to it.
#include "Pump.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

namespace parlix::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done()`. The loop keeps
// running so that the clipboard we own keeps answering other applications.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    return pumpUntil(done, timeoutMs);
}

class DeliveryTarget {
public:
    explicit DeliveryTarget(const QStringList &extraArguments = {})
    {
        m_output = m_dir.filePath(QStringLiteral("received.txt"));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // An X11 window whatever platform the test itself runs on (CTest sets offscreen).
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_process.setProcessEnvironment(environment);
        m_process.start(testBinDirectory() + QStringLiteral("/delivery_target"),
                        QStringList{QStringLiteral("--output"), m_output} + extraArguments);
        const QByteArray ready = readLine();
        m_window = ready.startsWith("ready ") ? ready.mid(6).toULongLong() : 0;
    }
    ~DeliveryTarget()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool isRunning() const { return m_window != 0; }
    quint64 window() const { return m_window; }
    qint64 pid() const { return m_process.processId(); }

    // What the field holds, as written to its file.
    QByteArray received() const
    {
        QFile file(m_output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool waitForReceived(const QByteArray &expected, int timeoutMs = 15000) const
    {
        return waitUntil([&] { return received() == expected; }, timeoutMs);
    }

    QByteArray command(const QByteArray &line)
    {
        m_process.write(line + '\n');
        return readLine();
    }
    // Makes the target own the clipboard with these formats.
    bool ownClipboard(const QList<std::pair<QString, QByteArray>> &formats)
    {
        QByteArray line = "own-clipboard";
        for (const auto &[mime, data] : formats)
            line += ' ' + mime.toLatin1() + '=' + data.toHex();
        return command(line) == "owned";
    }
    // The clipboard as the target reads it: MIME type -> bytes.
    QHash<QString, QByteArray> clipboard()
    {
        QHash<QString, QByteArray> formats;
        const QList<QByteArray> words = command("dump-clipboard").split(' ');
        for (qsizetype i = 1; i < words.size(); ++i) {
            const qsizetype eq = words[i].indexOf('=');
            formats.insert(QString::fromLatin1(words[i].left(eq)), QByteArray::fromHex(words[i].mid(eq + 1)));
        }
        return formats;
    }

private:
    QByteArray readLine()
    {
        waitUntil([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 15000);
        return m_process.readLine().trimmed();
    }

    QTemporaryDir m_dir;
    QString m_output;
    QProcess m_process;
    quint64 m_window = 0;
};

} // namespace parlix::test
