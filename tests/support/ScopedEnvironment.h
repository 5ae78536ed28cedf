#pragma once
// Sets (or with a null value unsets) an environment variable for the life of the object, then
// puts back what was there.
#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace parlix::test {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        set(value.isNull() ? std::nullopt : std::optional(value));
    }
    ~ScopedEnvironment() { set(m_had ? std::optional(m_old) : std::nullopt); }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

    void set(const std::optional<QByteArray> &value) { value ? qputenv(m_name, *value) : qunsetenv(m_name); }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace parlix::test
