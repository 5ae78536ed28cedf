#pragma once
// A private PulseAudio server for integration tests: its own HOME and XDG_RUNTIME_DIR in a
// temporary directory, a null sink, and a virtual microphone ("virtmic", a pipe source) fed from
// a FIFO by a writer thread in real time. PULSE_SERVER points this process at it. Every process
// it starts is ended by its PID.
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace parlix::test {

class PulseAudioSession {
public:
    struct Options {
        int rate = 16000;
        int channels = 1;
        // How much the writer thread puts into the FIFO at a time (at the start of each block).
        int blockMs = 20;
    };

    PulseAudioSession();
    explicit PulseAudioSession(Options options);
    ~PulseAudioSession();

    static bool toolsAvailable();

    // Starts the server and waits until the virtual microphone exists. Sets PULSE_SERVER.
    bool start(QString *error = nullptr);
    // Ends the server abruptly (SIGKILL), as a crash would.
    void kill();
    QString serverAddress() const;
    QString virtualMicName() const { return QStringLiteral("virtmic"); }

    // Runs pactl against this server; returns its exit code (-1 when it could not run).
    int pactl(const QStringList &arguments, QString *output = nullptr) const;
    // Removes the virtual microphone (its module) while clients may be recording from it.
    bool unloadVirtualMic();

    // Queues interleaved 16-bit frames for the microphone. Nothing is written until feeding is on.
    void enqueue(const std::vector<int16_t> &samples);
    // While on, the writer thread writes the queue into the FIFO at real-time pace; with
    // `silenceWhenEmpty` it writes zeros once the queue is empty, else it writes nothing.
    void startFeeding(bool silenceWhenEmpty);
    void stopFeeding();
    // Blocks until everything queued has been written (or `timeoutMs` passed); false on timeout.
    bool waitUntilFed(int timeoutMs);
    // When the writer began its real-time pace: the n-th frame written since belongs to this
    // time + n / rate. None while it is not feeding.
    std::optional<std::chrono::steady_clock::time_point> feedingSince() const;

private:
    void writerLoop();
    bool waitForServer(QString *error);

    Options m_options;
    QTemporaryDir m_dir;
    QString m_runtimeDir;
    QString m_socket;
    QString m_fifo;
    std::unique_ptr<QProcess> m_server;
    QByteArray m_previousPulseServer;
    bool m_hadPulseServer = false;

    std::thread m_writer;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<int16_t> m_queue;
    bool m_feeding = false;
    bool m_silenceWhenEmpty = false;
    bool m_quit = false;
    std::optional<std::chrono::steady_clock::time_point> m_pacingSince;
};

} // namespace parlix::test
