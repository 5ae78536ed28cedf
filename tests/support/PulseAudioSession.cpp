#include "PulseAudioSession.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace parlix::test {

PulseAudioSession::PulseAudioSession()
    : PulseAudioSession(Options{})
{
}

PulseAudioSession::PulseAudioSession(Options options)
    : m_options(options)
{
    // Writing into the FIFO of a server that died must fail with EPIPE, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    m_runtimeDir = m_dir.filePath(QStringLiteral("run"));
    m_socket = m_runtimeDir + QStringLiteral("/native");
    m_fifo = m_dir.filePath(QStringLiteral("virtmic.fifo"));
    m_hadPulseServer = qEnvironmentVariableIsSet("PULSE_SERVER");
    m_previousPulseServer = qgetenv("PULSE_SERVER");
    m_writer = std::thread([this] { writerLoop(); });
}

PulseAudioSession::~PulseAudioSession()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_writer.join();
    if (m_server && m_server->state() != QProcess::NotRunning) {
        ::kill(pid_t(m_server->processId()), SIGTERM);
        if (!m_server->waitForFinished(3000)) {
            ::kill(pid_t(m_server->processId()), SIGKILL);
            m_server->waitForFinished(3000);
        }
    }
    if (m_hadPulseServer)
        qputenv("PULSE_SERVER", m_previousPulseServer);
    else
        qunsetenv("PULSE_SERVER");
}

bool PulseAudioSession::toolsAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty();
}

QString PulseAudioSession::serverAddress() const
{
    return QStringLiteral("unix:") + m_socket;
}

bool PulseAudioSession::start(QString *error)
{
    if (!m_dir.isValid()) {
        if (error)
            *error = QStringLiteral("no temporary directory");
        return false;
    }
    QDir().mkpath(m_runtimeDir);
    QFile::setPermissions(m_runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(m_dir.filePath(QStringLiteral("home")));
    // Left behind by a killed server; the pipe source creates its own FIFO.
    QFile::remove(m_fifo);
    QFile::remove(m_socket);

    const QString script = m_dir.filePath(QStringLiteral("ci.pa"));
    QFile pa(script);
    if (!pa.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = pa.errorString();
        return false;
    }
    pa.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"
                            "load-module module-null-sink sink_name=parlix_null\n"
                            "load-module module-pipe-source source_name=virtmic file=%2 format=s16le rate=%3 channels=%4\n"
                            "set-default-source virtmic\n")
                 .arg(m_socket, m_fifo)
                 .arg(m_options.rate)
                 .arg(m_options.channels)
                 .toUtf8());
    pa.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);

    m_server = std::make_unique<QProcess>();
    m_server->setProcessEnvironment(env);
    m_server->setStandardOutputFile(m_dir.filePath(QStringLiteral("pulseaudio.log")), QIODevice::Append);
    m_server->setStandardErrorFile(m_dir.filePath(QStringLiteral("pulseaudio.log")), QIODevice::Append);
    m_server->start(QStringLiteral("pulseaudio"),
                    {QStringLiteral("-n"), QStringLiteral("-F"), script, QStringLiteral("--daemonize=no"),
                     QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no")});
    if (!m_server->waitForStarted(5000)) {
        if (error)
            *error = m_server->errorString();
        return false;
    }
    qputenv("PULSE_SERVER", serverAddress().toUtf8());
    return waitForServer(error);
}

bool PulseAudioSession::waitForServer(QString *error)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (m_server->state() == QProcess::NotRunning)
            break;
        QString sources;
        if (pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sources")}, &sources) == 0
            && sources.contains(virtualMicName()))
            return true;
        QThread::msleep(50);
    }
    if (error) {
        QFile log(m_dir.filePath(QStringLiteral("pulseaudio.log")));
        log.open(QIODevice::ReadOnly);
        *error = QStringLiteral("pulseaudio did not come up: ") + QString::fromUtf8(log.readAll().right(2000));
    }
    return false;
}

void PulseAudioSession::kill()
{
    if (!m_server || m_server->state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_server->processId()), SIGKILL);
    m_server->waitForFinished(5000);
}

int PulseAudioSession::pactl(const QStringList &arguments, QString *output) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), serverAddress());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000)) {
        ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished(1000);
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool PulseAudioSession::unloadVirtualMic()
{
    QString modules;
    if (pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("modules")}, &modules) != 0)
        return false;
    for (const QString &line : modules.split(QLatin1Char('\n'))) {
        if (line.contains(QStringLiteral("module-pipe-source"))) {
            const QString id = line.section(QLatin1Char('\t'), 0, 0).trimmed();
            return pactl({QStringLiteral("unload-module"), id}) == 0;
        }
    }
    return false;
}

void PulseAudioSession::enqueue(const std::vector<int16_t> &samples)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.insert(m_queue.end(), samples.begin(), samples.end());
    }
    m_changed.notify_all();
}

void PulseAudioSession::startFeeding(bool silenceWhenEmpty)
{
    {
        std::lock_guard lock(m_mutex);
        m_feeding = true;
        m_silenceWhenEmpty = silenceWhenEmpty;
    }
    m_changed.notify_all();
}

void PulseAudioSession::stopFeeding()
{
    {
        std::lock_guard lock(m_mutex);
        m_feeding = false;
    }
    m_changed.notify_all();
}

std::optional<std::chrono::steady_clock::time_point> PulseAudioSession::feedingSince() const
{
    std::lock_guard lock(m_mutex);
    return m_pacingSince;
}

bool PulseAudioSession::waitUntilFed(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_queue.empty(); });
}

void PulseAudioSession::writerLoop()
{
    const auto blockTime = std::chrono::milliseconds(m_options.blockMs);
    const size_t blockSamples = size_t(m_options.rate * m_options.blockMs / 1000) * size_t(m_options.channels);
    const QByteArray fifo = QFile::encodeName(m_fifo);
    int fd = -1;
    std::vector<int16_t> block;
    std::vector<char> pending; // bytes of a block the pipe did not take yet
    auto next = std::chrono::steady_clock::now();
    bool pacing = false;
    while (true) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_quit || (m_feeding && (!m_queue.empty() || m_silenceWhenEmpty)); });
            if (m_quit)
                break;
            if (pending.empty()) {
                const size_t take = std::min(blockSamples, m_queue.size());
                block.assign(m_queue.begin(), m_queue.begin() + std::ptrdiff_t(take));
                m_queue.erase(m_queue.begin(), m_queue.begin() + std::ptrdiff_t(take));
                if (m_silenceWhenEmpty)
                    block.resize(blockSamples, 0);
                const char *bytes = reinterpret_cast<const char *>(block.data());
                pending.assign(bytes, bytes + block.size() * sizeof(int16_t));
            }
        }
        m_changed.notify_all();
        if (!pacing) {
            next = std::chrono::steady_clock::now();
            pacing = true;
            std::lock_guard lock(m_mutex);
            m_pacingSince = next;
        }
        if (fd < 0)
            fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            const ssize_t n = ::write(fd, pending.data(), pending.size());
            if (n > 0) {
                pending.erase(pending.begin(), pending.begin() + n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                ::close(fd);
                fd = -1;
                pending.clear(); // the server is gone: this audio is lost, as a microphone's would be
            }
        } else {
            pending.clear();
        }
        next += blockTime;
        std::this_thread::sleep_until(next);
        std::lock_guard lock(m_mutex);
        if (!m_feeding || (m_queue.empty() && !m_silenceWhenEmpty && pending.empty())) {
            pacing = false;
            m_pacingSince.reset();
        }
    }
    if (fd >= 0)
        ::close(fd);
}

} // namespace parlix::test
