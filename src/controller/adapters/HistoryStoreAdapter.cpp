#include "controller/adapters/HistoryStoreAdapter.h"

#include "history/HistoryStore.h"

namespace parlix {

void HistoryStoreAdapter::add(const QString &text, const std::optional<QString> &originalText,
                              const std::optional<QString> &modelName)
{
    m_store.add(text, originalText, modelName);
}

} // namespace parlix
