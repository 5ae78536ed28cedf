#pragma once
// The built parlix as a user runs it, for whole-process tests and benchmarks: isolated HOME and
// XDG directories in a temporary directory, settings and model files placed before launch, its
// log captured, its state read over the session bus it was given.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QDBusConnection;

namespace parlix::test {

class ParlixInstance {
public:
    // `base` must point at the X server, the session bus and the audio server to use.
    // `resourceDirectory` holds the whisper-cli the app runs.
    ParlixInstance(const QProcessEnvironment &base, const QString &resourceDirectory);
    ~ParlixInstance();
    ParlixInstance(const ParlixInstance &) = delete;
    ParlixInstance &operator=(const ParlixInstance &) = delete;

    // A path inside the isolated tree: "home", "config", "data", "runtime" and below.
    QString path(const QString &relative) const;
    QString modelsDirectory() const { return path(QStringLiteral("data/Parlix/models")); }
    QString historyPath() const { return path(QStringLiteral("data/Parlix/history.json")); }
    // The private directory the app keeps its audio files in.
    QString audioDirectory() const { return path(QStringLiteral("runtime/parlix")); }
    QProcessEnvironment environment() const { return m_environment; }

    // Places a model file: a symbolic link to `source`, or a small placeholder file when
    // `source` is empty (enough for an engine stand-in, which never reads it).
    bool installModel(const QString &fileName, const QString &source = {});
    // Writes settings.json before launch; `settings` maps keys to tagged values as the app
    // stores them, e.g. {"recordingMode": {"string": "push_to_talk"}}.
    bool writeSettings(const QJsonObject &settings);

    // Starts parlix; true once it answers on the bus as idle. error() says why it did not.
    bool start(int limitMs = 30000);
    bool isRunning() const;
    qint64 pid() const;
    // SIGTERM, then waits for the exit; false when it did not exit cleanly with status 0.
    bool quit(int limitMs = 15000);
    // Waits for parlix to end by itself; false when it did not, or not cleanly with status 0.
    bool waitForExit(int limitMs = 15000);
    QString error() const { return m_error; }

    // Everything the app logged so far (stderr).
    QString log();
    bool waitForLog(const QString &line, int limitMs = 10000);
    // "idle", "recording", "transcribing", "live", or empty when it does not answer.
    QString state();
    bool waitForState(const QString &state, int limitMs = 15000);

    // The stored history's items, newest first; empty when there is no file.
    QJsonArray historyItems() const;
    // Audio files left in the app's private directory.
    QStringList leftoverAudio() const;

private:
    QDBusConnection &bus();

    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QDBusConnection> m_bus;
    QString m_connectionName;
    QString m_log;
    QString m_error;
};

// "{"<type>": value}", the stored form of one setting.
QJsonObject storedString(const QString &value);
QJsonObject storedBool(bool value);
QJsonObject storedDouble(double value);

} // namespace parlix::test
