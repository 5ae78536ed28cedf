#pragma once
// The engine stand-in installed as "whisper-cli" in a directory of the test's own, with helpers
// to write its plan and read back what it recorded (see engine_standin.cpp for the plan lines).
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace parlix::test {

class EngineStandIn {
public:
    // Copies the stand-in to `directory`/whisper-cli. Check installed() before use.
    explicit EngineStandIn(const QString &directory);

    bool installed() const { return m_installed; }
    QString path() const;

    // Replaces the plan. `lines` may use "{dir}" for the directory the stand-in lives in.
    void setPlan(const QStringList &lines);
    // Writes `bytes` to a file in the directory and returns its path (for "stdout"/"stderr" lines).
    QString writeFile(const QString &name, const QByteArray &bytes);

    // The plan line that records the arguments, and the arguments the last run recorded.
    static QString recordArguments() { return QStringLiteral("arguments {dir}/arguments"); }
    bool ranAtAll() const;
    QStringList arguments() const;
    // Lines appended by "append {dir}/runs …", in order.
    QStringList runs() const;

private:
    QString m_directory;
    bool m_installed = false;
};

} // namespace parlix::test
