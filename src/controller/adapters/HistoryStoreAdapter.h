#pragma once
// The history store as the controller's TranscriptHistory.
#include "controller/DictationServices.h"

namespace parlix {

class HistoryStore;

class HistoryStoreAdapter : public TranscriptHistory {
public:
    explicit HistoryStoreAdapter(HistoryStore &store) : m_store(store) {}
    void add(const QString &text, const std::optional<QString> &originalText,
             const std::optional<QString> &modelName) override;

private:
    HistoryStore &m_store;
};

} // namespace parlix
