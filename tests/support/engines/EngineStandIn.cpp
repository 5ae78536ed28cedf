#include "EngineStandIn.h"

#include "TestEnvironment.h"

#include <QFile>
#include <QFileInfo>

namespace parlix::test {

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

EngineStandIn::EngineStandIn(const QString &directory)
    : m_directory(directory)
{
    const QString source = testBinDirectory() + QStringLiteral("/engine_standin");
    QFile::remove(path());
    m_installed = QFile::copy(source, path())
        && QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString EngineStandIn::path() const
{
    return m_directory + QStringLiteral("/whisper-cli");
}

void EngineStandIn::setPlan(const QStringList &lines)
{
    QFile plan(path() + QStringLiteral(".plan"));
    if (!plan.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    for (QString line : lines)
        plan.write(line.replace(QStringLiteral("{dir}"), m_directory).toUtf8() + '\n');
}

QString EngineStandIn::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString filePath = m_directory + QLatin1Char('/') + name;
    QFile file(filePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return filePath;
}

bool EngineStandIn::ranAtAll() const
{
    return QFileInfo::exists(m_directory + QStringLiteral("/arguments"));
}

QStringList EngineStandIn::arguments() const
{
    QStringList arguments;
    const QByteArray bytes = readAll(m_directory + QStringLiteral("/arguments"));
    for (const QByteArray &argument : bytes.split('\0'))
        arguments.append(QString::fromUtf8(argument));
    if (!arguments.isEmpty())
        arguments.removeLast(); // every argument ends with a NUL
    return arguments;
}

QStringList EngineStandIn::runs() const
{
    return QString::fromUtf8(readAll(m_directory + QStringLiteral("/runs"))).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace parlix::test
