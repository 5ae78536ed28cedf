#pragma once
// Keeps the selected model loaded: a whisper-server child on 127.0.0.1 (a free port), started on
// first use, asked for each clip over HTTP, stopped after an idle time, at a model change and when
// this object goes. The child is killed by the kernel should Parlix die without stopping it.
#include "engine/InferenceClient.h"
#include "engine/SpeechEngine.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <memory>

namespace parlix {

class SettingsModel;

class WhisperServerEngine : public QObject, public SpeechEngine {
    Q_OBJECT
public:
    // Longest wait for a starting server to answer its health check (a large model loading).
    static constexpr std::chrono::seconds startLimit{120};

    WhisperServerEngine(SettingsModel &settings, QString resourceDirectory, QObject *parent = nullptr);
    ~WhisperServerEngine() override;

    // Starts the server with the selected model when it does not run with it yet. Throws
    // WhisperError (modelNotFound, engineNotFound, transcriptionFailed when it does not come up).
    QCoro::Task<> ensureRunning();
    // Throws WhisperError; a server failure is transcriptionFailed.
    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) override;
    // Ends the request in flight and the server with it (it would go on decoding the clip).
    void cancel() override;
    void stop();

    bool isRunning() const;
    // The server's process id; 0 when none runs.
    qint64 serverProcessId() const;
    QString serverPath() const;
    quint16 port() const { return m_port; }
    // The end of what the running server printed (its request lines say the language and task).
    QByteArray recentOutput() const { return m_outputTail; }

private:
    QCoro::Task<bool> waitUntilHealthy(QUrl health);
    void restartIdleTimer();

    SettingsModel &m_settings;
    QString m_resourceDirectory;
    QNetworkAccessManager m_network;
    InferenceClient m_client{m_network};
    std::unique_ptr<QProcess> m_process;
    QString m_model;
    quint16 m_port = 0;
    bool m_ready = false;
    // A request is in flight.
    bool m_busy = false;
    // The end of the child's output, for the log when it fails.
    QByteArray m_outputTail;
    QTimer m_idleTimer;
};

} // namespace parlix
