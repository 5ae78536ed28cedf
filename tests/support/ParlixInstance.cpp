#include "ParlixInstance.h"

#include "Pump.h"
#include "TestEnvironment.h"
#include "control/ControlClient.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QUuid>

#include <csignal>

namespace parlix::test {

ParlixInstance::ParlixInstance(const QProcessEnvironment &base, const QString &resourceDirectory)
    : m_environment(base)
{
    for (const char *dir : {"home", "config", "data/Parlix/models", "runtime"})
        QDir(m_root.path()).mkpath(QString::fromLatin1(dir));
    QFile::setPermissions(path(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    m_environment.insert(QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("home/.local/state")));
    m_environment.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("home/.cache")));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    m_environment.insert(QStringLiteral("PARLIX_RESOURCE_DIR"), resourceDirectory);
    m_environment.insert(QStringLiteral("PARLIX_LOG_STDERR"), QStringLiteral("1"));
    m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
}

ParlixInstance::~ParlixInstance()
{
    if (isRunning()) {
        ::kill(pid_t(m_process->processId()), SIGKILL);
        m_process->waitForFinished(5000);
    }
    m_bus.reset();
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
}

QString ParlixInstance::path(const QString &relative) const
{
    return m_root.filePath(relative);
}

bool ParlixInstance::installModel(const QString &fileName, const QString &source)
{
    const QString target = modelsDirectory() + QLatin1Char('/') + fileName;
    if (!source.isEmpty())
        return QFile::link(source, target);
    QFile model(target);
    return model.open(QIODevice::WriteOnly) && model.write("model") == 5;
}

bool ParlixInstance::writeSettings(const QJsonObject &settings)
{
    QDir().mkpath(path(QStringLiteral("config/Parlix")));
    QFile file(path(QStringLiteral("config/Parlix/settings.json")));
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(settings).toJson()) > 0;
}

bool ParlixInstance::start(int limitMs)
{
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(m_environment);
    QObject::connect(m_process.get(), &QProcess::readyReadStandardError,
                     [this] { m_log += QString::fromUtf8(m_process->readAllStandardError()); });
    m_process->start(binDirectory() + QStringLiteral("/parlix"), {});
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("parlix did not start: ") + m_process->errorString();
        return false;
    }
    if (!waitForState(QStringLiteral("idle"), limitMs)) {
        m_error = QStringLiteral("parlix did not answer as idle; its log:\n") + log();
        return false;
    }
    return true;
}

bool ParlixInstance::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 ParlixInstance::pid() const
{
    return m_process ? m_process->processId() : 0;
}

bool ParlixInstance::quit(int limitMs)
{
    if (!isRunning())
        return false;
    ::kill(pid_t(m_process->processId()), SIGTERM);
    return waitForExit(limitMs);
}

bool ParlixInstance::waitForExit(int limitMs)
{
    if (!m_process || !pumpUntil([&] { return !isRunning(); }, limitMs))
        return false;
    log();
    return m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
}

QString ParlixInstance::log()
{
    if (m_process)
        m_log += QString::fromUtf8(m_process->readAllStandardError());
    return m_log;
}

bool ParlixInstance::waitForLog(const QString &line, int limitMs)
{
    return pumpUntil([&] { return log().contains(line); }, limitMs);
}

QDBusConnection &ParlixInstance::bus()
{
    if (!m_bus) {
        m_connectionName = QStringLiteral("parlix-instance-") + QUuid::createUuid().toString(QUuid::Id128);
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            m_environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")), m_connectionName));
    }
    return *m_bus;
}

QString ParlixInstance::state()
{
    const control::Reply reply = control::Client(bus(), 2000).state();
    return reply.outcome == control::Reply::Outcome::ok ? reply.value.toString() : QString();
}

bool ParlixInstance::waitForState(const QString &wanted, int limitMs)
{
    return pumpUntil([&] { return isRunning() && state() == wanted; }, limitMs);
}

QJsonArray ParlixInstance::historyItems() const
{
    QFile file(historyPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array();
}

QStringList ParlixInstance::leftoverAudio() const
{
    return QDir(audioDirectory()).entryList({QStringLiteral("*.wav")}, QDir::Files);
}

QJsonObject storedString(const QString &value) { return {{QStringLiteral("string"), value}}; }
QJsonObject storedBool(bool value) { return {{QStringLiteral("bool"), value}}; }
QJsonObject storedDouble(double value) { return {{QStringLiteral("double"), value}}; }

} // namespace parlix::test
