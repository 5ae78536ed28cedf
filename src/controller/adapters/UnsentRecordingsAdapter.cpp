#include "controller/adapters/UnsentRecordingsAdapter.h"

#include "history/UnsentRecordings.h"

namespace parlix {

std::optional<QString> UnsentRecordingsAdapter::keep(const QString &path)
{
    return m_store.keep(path);
}

std::optional<QString> UnsentRecordingsAdapter::newest()
{
    return m_store.newest();
}

bool UnsentRecordingsAdapter::contains(const QString &path)
{
    return m_store.contains(path);
}

void UnsentRecordingsAdapter::remove(const QString &path)
{
    m_store.remove(path);
}

} // namespace parlix
